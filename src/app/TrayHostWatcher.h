#pragma once

#include <QObject>
#include <QTimer>

class QDBusServiceWatcher;

namespace tovi {

// Whether anything can show a tray icon: a StatusNotifierItem host on the session bus, or an
// XEmbed tray manager on X11. Asked without Qt's own tray check, which decides once per
// process whether to use the bus and so would never see a host that comes up later (a panel
// that starts after Tovi at login).
class TrayHostWatcher : public QObject {
    Q_OBJECT
public:
    explicit TrayHostWatcher(QObject* parent = nullptr);

    bool hostPresent() const;
    // Watches until a host is present, then emits hostAppeared once.
    void watch();

Q_SIGNALS:
    void hostAppeared();

private Q_SLOTS:
    void check();

private:
    static bool statusNotifierHostPresent();
    static bool xembedTrayPresent();

    QDBusServiceWatcher* m_busWatcher = nullptr;
    QTimer m_poll;
};

} // namespace tovi
