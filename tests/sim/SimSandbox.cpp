#include "SimSandbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <csignal>

using namespace Qt::StringLiterals;

namespace tovi::test {

QJsonDocument SimSandbox::Run::json() const {
    return QJsonDocument::fromJson(out);
}

SimSandbox::SimSandbox() {
    QDir(m_dir.path()).mkpath(u"home"_s);
    m_env = QProcessEnvironment::systemEnvironment();
    m_env.insert(u"HOME"_s, home());
    m_env.insert(u"TOVI_DIR"_s, stateDir());
    m_env.insert(u"XDG_CONFIG_HOME"_s, home() + u"/.config"_s);
    m_env.insert(u"XDG_DATA_HOME"_s, home() + u"/.local/share"_s);
    m_env.remove(u"TOVI_WEB_ORIGIN"_s);
}

SimSandbox::~SimSandbox() {
    const qint64 pid = daemonPid();
    if (pid > 0 && QFile::exists(u"/proc/%1"_s.arg(pid)))
        ::kill(static_cast<pid_t>(pid), SIGKILL);
    for (auto& child : m_children) {
        if (child->state() != QProcess::NotRunning) {
            child->kill();
            child->waitForFinished(-1);
        }
    }
}

QString SimSandbox::executable() {
    const QString fromEnv = qEnvironmentVariable("TOVI_SIM");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QCoreApplication::applicationDirPath() + u"/tovi-sim"_s;
}

SimSandbox::Run SimSandbox::finish(QProcess* process) {
    Run r;
    process->closeWriteChannel();
    process->waitForFinished(-1);
    r.exitCode = process->exitCode();
    r.exitStatus = process->exitStatus();
    r.out = process->readAllStandardOutput();
    r.err = process->readAllStandardError();
    return r;
}

SimSandbox::Run SimSandbox::run(const QStringList& args) const {
    QProcess process;
    process.setProcessEnvironment(m_env);
    process.start(executable(), args);
    if (!process.waitForStarted(-1))
        return {};
    return finish(&process);
}

QProcess* SimSandbox::start(const QStringList& args) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(m_env);
    process->start(executable(), args);
    process->waitForStarted(-1);
    m_children.push_back(std::move(process));
    return m_children.back().get();
}

qint64 SimSandbox::daemonPid() const {
    QFile f(statePath(u"run/daemon.pid"_s));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    return f.readAll().trimmed().toLongLong();
}

} // namespace tovi::test
