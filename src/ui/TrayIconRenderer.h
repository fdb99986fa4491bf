#pragma once

#include "ui/IconBitmap.h"

#include <QIcon>
#include <QObject>

#include <optional>

namespace tovi {

class StatusStore;

// Keeps the tray icon current: draws it again only when what it shows has changed, since
// most changes to the snapshot (a name, a count) leave the icon as it was.
class TrayIconRenderer : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool dark READ dark WRITE setDark NOTIFY darkChanged)

public:
    explicit TrayIconRenderer(StatusStore* store, QObject* parent = nullptr);

    bool dark() const { return m_dark; }
    void setDark(bool dark);

    QIcon icon() const { return m_icon; }
    // What the icon shows now (drawn at construction, so always present).
    const IconBitmap& bitmap() const { return *m_rendered; }
    int renderCount() const { return m_renderCount; }

Q_SIGNALS:
    void iconChanged(const QIcon& icon);
    void darkChanged();

private:
    void update();

    StatusStore* m_store;
    bool m_dark = false;
    std::optional<IconBitmap> m_rendered;
    QIcon m_icon;
    int m_renderCount = 0;
};

} // namespace tovi
