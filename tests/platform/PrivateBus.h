#pragma once

#include "support/TestUtil.h"
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QProcess>
#include <QTemporaryDir>

namespace tovi::test {

using namespace Qt::StringLiterals;

// A dbus-daemon of the test's own, so that fake desktop services never meet the real session.
// Each connect() opens another named connection: one for the code under test, one per fake.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    bool isRunning() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }
    QDBusConnection connect(const QString& name);

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};

// Exports a fake's slots at `path` and gives it the well-known `service` name.
inline void serve(QDBusConnection bus, QObject* fake, const char* path, const char* service) {
    bus.registerObject(QLatin1String(path), fake, QDBusConnection::ExportAllSlots);
    bus.registerService(QLatin1String(service));
}

} // namespace tovi::test
