#include "SimHome.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <csignal>
#include <optional>

namespace tovi::testing {

namespace {
const char* const redirected[] = {"HOME",          "TOVI_DIR",       "TOVI_WEB_ORIGIN", "XDG_CONFIG_HOME",
                                  "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"};
}

SimHome::SimHome()
    : m_sim(qEnvironmentVariable("TOVI_SIM")) {
    for (const char* name : redirected) {
        const QByteArray key(name);
        m_savedEnvironment.append(
            {key, qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name)) : std::nullopt});
    }
    const QByteArray home = QFile::encodeName(m_dir.path());
    qputenv("HOME", home);
    qputenv("TOVI_DIR", home + "/.tovi");
    qputenv("XDG_CONFIG_HOME", home + "/.config");
    qputenv("XDG_DATA_HOME", home + "/.local/share");
    qputenv("XDG_CACHE_HOME", home + "/.cache");
    qputenv("XDG_STATE_HOME", home + "/.local/state");
    qunsetenv("TOVI_WEB_ORIGIN");
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
    for (const auto& [key, value] : m_savedEnvironment) {
        if (value)
            qputenv(key.constData(), *value);
        else
            qunsetenv(key.constData());
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
    waitUntil([&] {
        line += m_server->readAllStandardOutput();
        return line.contains('\n') || m_server->state() == QProcess::NotRunning;
    });
    const QString origin = QString::fromUtf8(line.left(line.indexOf('\n'))).trimmed();
    qputenv("TOVI_WEB_ORIGIN", origin.toUtf8());
    return origin;
}

bool waitUntil(const std::function<bool()>& done) {
    QDeadlineTimer guard(std::chrono::minutes(2));
    while (!done()) {
        if (guard.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

} // namespace tovi::testing
