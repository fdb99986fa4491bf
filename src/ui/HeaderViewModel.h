#pragma once

#include "ui/RecomputeGate.h"

#include <QObject>
#include <QString>
#include <QUrl>

namespace tovi {

class ColorScheme;
class StatusStore;

// The fixed header: the mark and title (both open the usage page) and the account menu's
// button with the identity title as its tooltip.
class HeaderViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString title READ title NOTIFY changed)
    Q_PROPERTY(QString windowTitle READ windowTitle NOTIFY changed)
    Q_PROPERTY(QUrl markSource READ markSource NOTIFY changed)
    Q_PROPERTY(QString identityTitle READ identityTitle NOTIFY changed)
    Q_PROPERTY(QString markTooltip READ usageTooltip CONSTANT)
    Q_PROPERTY(QString titleTooltip READ usageTooltip CONSTANT)
    Q_PROPERTY(QString menuGlyph READ menuGlyph CONSTANT)
    Q_PROPERTY(QString closeGlyph READ closeGlyph CONSTANT)

public:
    HeaderViewModel(StatusStore* store, ColorScheme* colors, QObject* parent = nullptr);

    QString title() const { return m_title; }
    // What task switchers and screen readers call the window: the application, then the team
    // the header shows, so two signed-in accounts are told apart without opening the window.
    QString windowTitle() const { return m_windowTitle; }
    QUrl markSource() const;
    QString identityTitle() const { return m_identityTitle; }
    QString usageTooltip() const;
    QString menuGlyph() const;
    // The close button of the title bar the window draws where nothing else draws one.
    QString closeGlyph() const;

    Q_INVOKABLE void openUsage();

    // The window is open (see RecomputeGate); true until told otherwise.
    void setActive(bool active) { m_gate.setOpen(active); }

Q_SIGNALS:
    void changed();

private:
    void recompute();

    StatusStore* m_store;
    ColorScheme* m_colors;
    QString m_title;
    QString m_windowTitle;
    QString m_identityTitle;
    RecomputeGate m_gate{[this] { recompute(); }};
};

} // namespace tovi
