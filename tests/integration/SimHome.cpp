#include "SimHome.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <optional>

namespace tovi::testing {

SimHome::SimHome()
    : m_sim(qEnvironmentVariable("TOVI_SIM")) {
    const QByteArray home = QFile::encodeName(m_dir.path());
    m_env.emplace_back("HOME", home);
    m_env.emplace_back("TOVI_DIR", home + "/.tovi");
    m_env.emplace_back("XDG_CONFIG_HOME", home + "/.config");
    m_env.emplace_back("XDG_DATA_HOME", home + "/.local/share");
    m_env.emplace_back("XDG_CACHE_HOME", home + "/.cache");
    m_env.emplace_back("XDG_STATE_HOME", home + "/.local/state");
    m_env.emplace_back("TOVI_WEB_ORIGIN", std::nullopt);
}

SimHome::~SimHome() {
    if (!m_sim.isEmpty()) {
        sim({QStringLiteral("uninstall"), QStringLiteral("service")});
        // Whatever the uninstall missed must not outlive the test.
        QFile pidFile(stateDir() + QStringLiteral("/run/daemon.pid"));
        if (pidFile.open(QIODevice::ReadOnly)) {
            const int pid = pidFile.readAll().trimmed().toInt();
            if (pid > 1)
                ::kill(pid, SIGKILL);
        }
    }
    if (m_server) {
        m_server->kill();
        m_server->waitForFinished(-1);
    }
}

bool SimHome::installCli() {
    QDir().mkpath(QFileInfo(installedCli()).path());
    QFile::remove(installedCli());
    return QFile::copy(m_sim, installedCli()) &&
           QFile::setPermissions(installedCli(),
                                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QByteArray SimHome::sim(const QStringList& arguments, int* exitCode) {
    QProcess process;
    process.start(m_sim, arguments);
    process.waitForFinished(-1);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.exitCode() == 0 ? process.readAllStandardOutput() : QByteArray();
}

QString SimHome::serve() {
    m_server = std::make_unique<QProcess>();
    m_server->start(m_sim, {QStringLiteral("serve"), QStringLiteral("--port"), QStringLiteral("0")});
    if (!m_server->waitForStarted(-1))
        return {};
    QByteArray line;
    test::spinUntil([&] {
        line += m_server->readAllStandardOutput();
        return line.contains('\n') || m_server->state() == QProcess::NotRunning;
    });
    const QString origin = QString::fromUtf8(line.left(line.indexOf('\n'))).trimmed();
    qputenv("TOVI_WEB_ORIGIN", origin.toUtf8());
    return origin;
}

} // namespace tovi::testing
