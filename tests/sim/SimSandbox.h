#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace tovi::test {

// A private HOME and TOVI_DIR for the built tovi-sim, plus helpers to run it. Leaves
// no service behind.
class SimSandbox {
public:
    struct Run {
        int exitCode = -1;
        QProcess::ExitStatus exitStatus = QProcess::NormalExit;
        QByteArray out;
        QByteArray err;
        QJsonDocument json() const;
    };

    SimSandbox();
    ~SimSandbox();

    static QString executable();
    QString home() const { return m_dir.path() + QStringLiteral("/home"); }
    QString stateDir() const { return m_dir.path() + QStringLiteral("/state"); }
    QString statePath(const QString& relative) const { return stateDir() + u'/' + relative; }
    QProcessEnvironment environment() const { return m_env; }

    Run run(const QStringList& args) const;
    // Started but not waited for; owned by the sandbox and killed at the end.
    QProcess* start(const QStringList& args);
    static Run finish(QProcess* process);

    qint64 daemonPid() const;

private:
    QTemporaryDir m_dir;
    QProcessEnvironment m_env;
    std::vector<std::unique_ptr<QProcess>> m_children;
};

} // namespace tovi::test
