#pragma once

#include "platform/KeepAwake.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <qcoro/qcorotask.h>

namespace tovi {

// Holds off system suspend through the first inhibitor the session offers: the desktop
// portal, then org.freedesktop.PowerManagement, then the GNOME session manager, and last
// systemd-logind on the system bus, which covers window-manager sessions without any of the
// others. Calls are asynchronous; an activity ended before its inhibitor answered is
// released as soon as the answer arrives.
class DBusKeepAwake : public QObject, public KeepAwake {
    Q_OBJECT
public:
    explicit DBusKeepAwake(QObject* parent = nullptr);
    DBusKeepAwake(const QDBusConnection& sessionBus, const QDBusConnection& systemBus,
                  QObject* parent = nullptr);
    ~DBusKeepAwake() override;

    int beginActivity(const QString& reason) override;
    void endActivity(int token) override;

    // How many activities currently hold an inhibitor (answers received, not yet released).
    int heldCount() const;

signals:
    // An activity's inhibitor answered (held) or every inhibitor failed (not held).
    void activitySettled(int token, bool held);

private:
    enum class Backend { None, Portal, PowerManagement, GnomeSession, Logind };
    struct Activity {
        bool ended = false;
        bool settled = false;
        Backend backend = Backend::None;
        QString portalHandle;
        uint cookie = 0;
        int inhibitFd = -1; // logind's lock: suspend is blocked while this stays open
    };

    QCoro::Task<> acquire(int token, QString reason);
    void release(const Activity& activity);
    static void releaseOn(QDBusConnection bus, Backend backend, const QString& portalHandle, uint cookie,
                          int inhibitFd);

    QDBusConnection m_bus;
    QDBusConnection m_systemBus;
    QHash<int, Activity> m_activities;
    int m_nextToken = 1;
};

} // namespace tovi
