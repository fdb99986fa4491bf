#pragma once

#include "platform/KeepAwake.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <qcoro/qcorotask.h>

namespace tovi {

// Holds off system suspend through the first inhibitor the session offers: the desktop
// portal, then org.freedesktop.PowerManagement, then the GNOME session manager. Calls are
// asynchronous; an activity ended before its inhibitor answered is released as soon as
// the answer arrives.
class DBusKeepAwake : public QObject, public KeepAwake {
    Q_OBJECT
public:
    explicit DBusKeepAwake(QObject* parent = nullptr);
    explicit DBusKeepAwake(const QDBusConnection& bus, QObject* parent = nullptr);
    ~DBusKeepAwake() override;

    int beginActivity(const QString& reason) override;
    void endActivity(int token) override;

    // How many activities currently hold an inhibitor (answers received, not yet released).
    int heldCount() const;

signals:
    // An activity's inhibitor answered (held) or every inhibitor failed (not held).
    void activitySettled(int token, bool held);

private:
    enum class Backend { None, Portal, PowerManagement, GnomeSession };
    struct Activity {
        bool ended = false;
        bool settled = false;
        Backend backend = Backend::None;
        QString portalHandle;
        uint cookie = 0;
    };

    QCoro::Task<> acquire(int token, QString reason);
    void release(const Activity& activity);
    static void releaseOn(QDBusConnection bus, Backend backend, const QString& portalHandle, uint cookie);

    QDBusConnection m_bus;
    QHash<int, Activity> m_activities;
    int m_nextToken = 1;
};

} // namespace tovi
