#include "PrivateBus.h"

#include <QFile>

namespace tovi::test {

PrivateBus::PrivateBus() {
    // No service directories: nothing on this bus may be auto-started from the system.
    const QString config = m_dir.path() + QStringLiteral("/bus.conf");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(
        QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                       " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                       "<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                       "<auth>EXTERNAL</auth><policy context=\"default\">"
                       "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                       "<allow own=\"*\"/></policy></busconfig>\n")
            .arg(m_dir.path())
            .toUtf8());
    file.close();

    QStringList arguments;
    arguments << QStringLiteral("--config-file=") + config << QStringLiteral("--print-address")
              << QStringLiteral("--nofork");
    m_daemon.start(QStringLiteral("dbus-daemon"), arguments);
    if (!m_daemon.waitForStarted())
        return;
    QByteArray line;
    while (!line.contains('\n') && m_daemon.state() == QProcess::Running) {
        m_daemon.waitForReadyRead(10000);
        line += m_daemon.readAllStandardOutput();
        if (line.isEmpty() && m_daemon.state() != QProcess::Running)
            break;
    }
    m_address = QString::fromUtf8(line).trimmed();
}

PrivateBus::~PrivateBus() {
    for (const QString& name : std::as_const(m_connections))
        QDBusConnection::disconnectFromBus(name);
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
}

QDBusConnection PrivateBus::connect(const QString& connectionName) {
    m_connections << connectionName;
    return QDBusConnection::connectToBus(m_address, connectionName);
}

} // namespace tovi::test
