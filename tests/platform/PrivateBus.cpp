#include "PrivateBus.h"

namespace tovi::test {

PrivateBus::PrivateBus() {
    // No service directories: nothing on this bus may be auto-started from the system.
    const QString config = m_dir.filePath(u"bus.conf"_s);
    writeFile(config,
              u"<busconfig><type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>"
              "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
              "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n"_s.arg(m_dir.path())
                  .toUtf8());
    m_daemon.start(u"dbus-daemon"_s, {u"--config-file="_s + config, u"--print-address"_s, u"--nofork"_s});
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

QDBusConnection PrivateBus::connect(const QString& name) {
    m_connections << name;
    return QDBusConnection::connectToBus(m_address, name);
}

} // namespace tovi::test
