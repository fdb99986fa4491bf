#pragma once

#include "ui/RecomputeGate.h"
#include "ui/SpacesListModel.h"

#include <QObject>
#include <QString>

namespace tovi {

class ColorScheme;
class StatusStore;

// The spaces screen: which form it shows, the search text (kept here so it survives the
// window being rebuilt) and the list.
class SpacesViewModel : public QObject {
    Q_OBJECT
    // "loading", "empty" or "search".
    Q_PROPERTY(QString form READ form NOTIFY changed)
    // In the loading form: why loading cannot finish by itself (the spaces section's own
    // failure in a partial status), shown in place of the spinner. Empty while a load may still
    // come, and with nothing loaded (the store's error is the footer's banner).
    Q_PROPERTY(QString unavailableText READ unavailableText NOTIFY changed)
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    Q_PROPERTY(bool showClearButton READ showClearButton NOTIFY searchTextChanged)
    Q_PROPERTY(bool showNoMatches READ showNoMatches NOTIFY changed)
    Q_PROPERTY(double listHeight READ listHeight NOTIFY changed)
    Q_PROPERTY(tovi::SpacesListModel* model READ model CONSTANT)
    Q_PROPERTY(QString searchGlyph READ searchGlyph CONSTANT)
    Q_PROPERTY(QString clearGlyph READ clearGlyph CONSTANT)

public:
    SpacesViewModel(StatusStore* store, ColorScheme* colors, QObject* parent = nullptr);

    QString form() const { return m_form; }
    QString unavailableText() const { return m_unavailableText; }
    QString searchText() const { return m_searchText; }
    void setSearchText(const QString& text);
    bool showClearButton() const { return !m_searchText.isEmpty(); }
    bool showNoMatches() const { return m_showNoMatches; }
    double listHeight() const { return m_listHeight; }
    SpacesListModel* model() const { return m_model; }
    QString searchGlyph() const;
    QString clearGlyph() const;

    Q_INVOKABLE void clearSearch();
    // A node header opens the team's nodes page, a space row its own page.
    Q_INVOKABLE void open(int row);

    // The window is open (see RecomputeGate); true until told otherwise.
    void setActive(bool active) { m_gate.setOpen(active); }

Q_SIGNALS:
    void changed();
    void searchTextChanged();

private:
    void reload();
    void recompute();

    StatusStore* m_store;
    SpacesListModel* m_model;
    QString m_searchText;
    QString m_form;
    QString m_unavailableText;
    bool m_showNoMatches = false;
    double m_listHeight = 0;
    RecomputeGate m_gate{[this] { reload(); }};
};

} // namespace tovi
