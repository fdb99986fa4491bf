#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTimer>
#include <qcoro/qcorotask.h>

class QDBusServiceWatcher;

namespace tovi {

// Whether anything can show a tray icon: a StatusNotifierItem host on the session bus, or an
// XEmbed tray manager on X11. Asked without Qt's own tray check, which decides once per
// process whether to use the bus and so would never see a host that comes up later (a panel
// that starts after Tovi at login).
//
// Every bus call is asynchronous: a panel that froze keeps its watcher's name and answers
// nothing, and a blocking call would hold the whole application for the bus's 25 seconds.
class TrayHostWatcher : public QObject {
    Q_OBJECT
public:
    explicit TrayHostWatcher(QDBusConnection bus, QObject* parent = nullptr);

    // Asks at once; `settled` follows the answer, or a short wait for a watcher that gives none.
    void start();
    bool isSettled() const { return m_settled; }
    // The last answer of the StatusNotifierItem watcher, or an XEmbed tray now.
    bool hostPresent() const;
    // Watches until a host is present, then emits hostAppeared once.
    void watch();
    // The tray icon now exists: for the rest of the session every watcher that takes over
    // (a panel restarted) is checked for it, and `registrationLost` asks for it again until
    // the watcher lists it, and once more when the first host registers with that watcher.
    void followRegistration();

    // The bus name Qt gives this process's (one) StatusNotifierItem.
    static QString itemService();

Q_SIGNALS:
    void settled();
    void hostAppeared();
    void registrationLost();

private Q_SLOTS:
    void ask();
    void onHostRegistered();

private:
    QCoro::Task<> askHost();
    void onWatcherOwnerChanged(const QString& newOwner);
    void checkRegistrationLater(int delayMs);
    QCoro::Task<> checkRegistration();
    void announceIfPresent();
    void settle();
    static bool xembedTrayPresent();

    QDBusConnection m_bus;
    QDBusServiceWatcher* m_nameWatcher = nullptr;
    QTimer m_poll;
    QTimer m_firstAnswer;
    QTimer m_registrationTimer;
    bool m_statusNotifierHost = false;
    bool m_asking = false;
    bool m_settled = false;
    bool m_watching = false;
    bool m_appeared = false;
    bool m_following = false;
    bool m_checking = false;
    bool m_awaitingFirstHost = false;
    int m_registrationAttempt = 0;
};

} // namespace tovi
