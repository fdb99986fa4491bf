#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include "support/TestUtil.h"

namespace tovi::test {

// A dbus-daemon of the test's own, so that fake desktop services never meet the real
// session. Each connect() opens another named connection to it: one for the code under
// test, one per fake service.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();

    bool isRunning() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }
    QDBusConnection connect(const QString& connectionName);

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};

} // namespace tovi::test
