#include "bridge/ProcessCLICommandRunner.h"

#include "bridge/ChildDescriptors.h"
#include "bridge/StrictUtf8.h"

#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <qcoro/qcoroprocess.h>

#include <coroutine>
#include <memory>

namespace tovi {
namespace {

// Destroying a running QProcess kills the child and blocks until it is gone. When the
// awaiting coroutine goes away early the child must run on undisturbed, so the object
// instead lives until the child has exited and then deletes itself.
struct ProcessDisposer {
    void operator()(QProcess* process) const {
        if (process->state() == QProcess::NotRunning) {
            process->deleteLater();
            return;
        }
        QObject::disconnect(process, nullptr, nullptr, nullptr);
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        QObject::connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError) {
            if (process->state() == QProcess::NotRunning)
                process->deleteLater();
        });
    }
};

// Resumes once the process has either started or failed to. QProcess reports either
// outcome with its own signal, and a failure may already be known when start() returns.
struct StartSettled {
    QProcess* process;

    bool await_ready() const { return process->state() != QProcess::Starting; }
    void await_suspend(std::coroutine_handle<> awaiting) {
        auto connections = std::make_shared<std::pair<QMetaObject::Connection, QMetaObject::Connection>>();
        auto settle = [connections, awaiting]() {
            QObject::disconnect(connections->first);
            QObject::disconnect(connections->second);
            awaiting.resume();
        };
        connections->first = QObject::connect(process, &QProcess::started, process, settle);
        connections->second = QObject::connect(process, &QProcess::errorOccurred, process,
                                               [settle](QProcess::ProcessError) { settle(); });
    }
    void await_resume() const {}
};

// QProcess names the failed call before the system's text ("execvp: Permission denied");
// the user is shown the system's text alone.
QString systemMessage(const QString& processError) {
    static const QRegularExpression callPrefix(QStringLiteral("^[a-z_0-9]+: (?=.)"));
    return QString(processError).remove(callPrefix);
}

} // namespace

ProcessCLICommandRunner::ProcessCLICommandRunner(ExecutableLocator locator)
    : m_locator(std::move(locator)) {}

QCoro::Task<bool> ProcessCLICommandRunner::isInstalled() {
    co_return m_locator.locate().has_value();
}

QCoro::Task<Result<QByteArray>> ProcessCLICommandRunner::run(QStringList arguments) {
    const std::optional<QString> program = m_locator.locate();
    if (!program)
        co_return Error::cliNotFound();
    co_return co_await execute(*program, std::move(arguments));
}

QCoro::Task<Result<QByteArray>> ProcessCLICommandRunner::runShell(QString commandLine) {
    // The login shell reads the user's profile, so search-path additions made there apply.
    QStringList arguments{QStringLiteral("-lc"), commandLine};
    co_return co_await execute(QStringLiteral("/bin/bash"), std::move(arguments));
}

QCoro::Task<Result<QByteArray>> ProcessCLICommandRunner::execute(QString program, QStringList arguments) {
    std::unique_ptr<QProcess, ProcessDisposer> process(new QProcess);
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->setInputChannelMode(QProcess::ForwardedInputChannel);
    // A child that lives on (the service it may start) must not hold our files, such as the
    // single-instance lock, whatever library opened them without close-on-exec.
    process->setChildProcessModifier(&markDescriptorsCloseOnExec);
    process->setProgram(program);
    process->setArguments(arguments);

    // A failed start can be reported inside start() itself, before anything could await it,
    // so the state is inspected rather than awaited first.
    process->start(QIODevice::ReadOnly);
    co_await StartSettled{process.get()};
    if (process->error() == QProcess::FailedToStart)
        co_return Error::processStart(systemMessage(process->errorString()));
    if (process->state() == QProcess::Running)
        co_await qCoro(*process).waitForFinished(-1);

    // Both channels have been read to the end by now: QProcess drains the pipes when it
    // reaps the child, before it reports the exit.
    const int status = process->exitCode();
    if (status != 0)
        co_return Error::cliFailed(status,
                                   decodeUtf8Strictly(process->readAllStandardError()).value_or(QString()));
    co_return process->readAllStandardOutput();
}

} // namespace tovi
