#include "PrivateBus.h"

namespace tovi::test {

PrivateBus::PrivateBus() {
    // No service directories: nothing on this bus may be auto-started from the system.
    const QString config = m_dir.path() + QStringLiteral("/bus.conf");
    writeFile(config, QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                                     "<auth>EXTERNAL</auth><policy context=\"default\"><allow "
                                     "send_destination=\"*\" eavesdrop=\"true\"/><allow "
                                     "eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
                          .arg(m_dir.path())
                          .toUtf8());
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--config-file=") + config, QStringLiteral("--print-address"),
                    QStringLiteral("--nofork")});
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(10000)) {
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
}

PrivateBus::~PrivateBus() {
    for (const QString& name : std::as_const(m_connections))
        QDBusConnection::disconnectFromBus(name);
    m_daemon.kill();
    m_daemon.waitForFinished();
}

QDBusConnection PrivateBus::connect(const QString& connectionName) {
    m_connections << connectionName;
    return QDBusConnection::connectToBus(m_address, connectionName);
}

} // namespace tovi::test
