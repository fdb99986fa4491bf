#pragma once

#include <QObject>
#include <QSet>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <optional>

namespace tovi {

class DesktopNotifications;
class StatusStore;

// Tells the user, through the desktop's notifications, of the moments that need them while
// the window is closed: a space that starts to need attention, the service stopping and
// running again, the CLI failing for a while after it worked and working again, a sign-in
// that went through, more unread notifications. One notice per change, none for what is
// found at start-up, none at all while the "notifications" switch is off.
class StatusNotices : public QObject {
    Q_OBJECT
public:
    StatusNotices(StatusStore* store, DesktopNotifications* out,
                  std::chrono::milliseconds failingFor = std::chrono::minutes(1), QObject* parent = nullptr);

Q_SIGNALS:
    // The notice itself was clicked.
    void openWindowRequested();

private:
    void observe();
    void cliFailedLongEnough();
    void act(const QString& kind, const QString& action);
    void send(const QString& kind, const QString& summary, const QString& body,
              QList<std::pair<QString, QString>> actions = {});

    StatusStore* m_store;
    DesktopNotifications* m_out;
    QTimer m_failing;
    // What was seen last; nothing is told before the first reading came in.
    bool m_baselined = false;
    // Spaces, sign-in and unread count are compared with the last good snapshot only.
    bool m_statusSeen = false;
    QSet<QString> m_attention;
    bool m_serviceRunning = false;
    bool m_serviceStopTold = false;
    bool m_signedIn = false;
    std::int64_t m_unread = 0;
    bool m_cliWorked = false;
    bool m_cliFailureTold = false;
};

} // namespace tovi
