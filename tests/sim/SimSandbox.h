#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace tovi::test {

// A private HOME and TOVI_DIR for the built tovi-sim, plus helpers to run it, to serve its
// web origin and to talk HTTP to it. Leaves no service or server behind.
class SimSandbox {
public:
    struct Run {
        int exitCode = -1;
        QProcess::ExitStatus exitStatus = QProcess::NormalExit;
        QByteArray out;
        QByteArray err;
        QJsonDocument json() const;
    };
    struct Http {
        int status = 0;
        QByteArray body;
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

    // Starts "serve --port 0" and returns its origin, empty when it didn't come up.
    QString serve();
    Http get(const QString& path, const QByteArray& accept = {}) const;
    Http post(const QString& path) const;

    qint64 daemonPid() const;

private:
    Http request(const QString& path, bool post, const QByteArray& accept) const;

    QTemporaryDir m_dir;
    QProcessEnvironment m_env;
    QString m_origin;
    std::vector<std::unique_ptr<QProcess>> m_children;
};

} // namespace tovi::test
