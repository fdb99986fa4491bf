#include "bridge/ProcessCLICommandRunner.h"

#include "bridge/ChildDescriptors.h"
#include "bridge/StrictUtf8.h"
#include "model/Logging.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <qcoro/qcoroprocess.h>

#include <algorithm>
#include <coroutine>
#include <memory>
#include <vector>

#include <unistd.h>

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

// The limit as the user reads it: "10 minutes", "1 second".
QString durationText(std::chrono::milliseconds limit) {
    const qint64 seconds = std::max<qint64>(1, (limit.count() + 999) / 1000);
    const int minutes = int(seconds / 60);
    if (seconds % 60 == 0)
        return QCoreApplication::translate("ProcessCLICommandRunner", "%n minute(s)", nullptr, minutes);
    return QCoreApplication::translate("ProcessCLICommandRunner", "%n second(s)", nullptr, int(seconds));
}

// Cut standard error may end inside a character; the whole characters before it still
// make a message, where the strict decoding would otherwise drop everything.
QByteArray withoutCutCharacter(QByteArray bytes) {
    qsizetype lead = bytes.size();
    for (int back = 0; back < 4 && lead > 0; ++back) {
        const auto byte = static_cast<unsigned char>(bytes.at(lead - 1));
        if ((byte & 0xC0) != 0x80) {
            const int length = byte < 0x80 ? 1 : (byte & 0xE0) == 0xC0 ? 2 : (byte & 0xF0) == 0xE0 ? 3 : 4;
            if (bytes.size() - (lead - 1) < length)
                bytes.truncate(lead - 1);
            return bytes;
        }
        --lead;
    }
    return bytes;
}

// Everything a run keeps while its child runs. Shared with the signal handlers, which
// may outlive the awaiting coroutine (see ProcessDisposer).
struct Collected {
    QByteArray standardOutput;
    QByteArray standardError;
    bool standardErrorCut = false;
    bool tooMuchOutput = false;
    bool timedOut = false;
};

// Each stream is read when it reports data: the status poll runs a command every few seconds,
// and asking the quiet stream too at every chunk is work for nothing.
void collectOutput(QProcess* process, Collected& collected) {
    if (!collected.tooMuchOutput) {
        collected.standardOutput += process->readAllStandardOutput();
        if (collected.standardOutput.size() > ProcessCLICommandRunner::standardOutputLimit) {
            collected.tooMuchOutput = true;
            collected.standardOutput.clear();
            collected.standardOutput.squeeze();
            process->kill();
        }
    } else {
        process->readAllStandardOutput();
    }
}

void collectError(QProcess* process, Collected& collected) {
    const QByteArray error = process->readAllStandardError();
    const qsizetype room = ProcessCLICommandRunner::standardErrorKept - collected.standardError.size();
    if (error.size() > room)
        collected.standardErrorCut = true;
    collected.standardError += error.left(std::max<qsizetype>(0, room));
}

void collect(QProcess* process, Collected& collected) {
    collectOutput(process, collected);
    collectError(process, collected);
}

} // namespace

ProcessCLICommandRunner::ProcessCLICommandRunner(ExecutableLocator locator)
    : m_locator(std::move(locator)) {}

QCoro::Task<bool> ProcessCLICommandRunner::isInstalled() {
    co_return m_locator.locateNative().has_value();
}

QCoro::Task<Result<QByteArray>>
ProcessCLICommandRunner::run(QStringList arguments, std::optional<std::chrono::milliseconds> timeLimit) {
    const std::optional<QByteArray> program = m_locator.locateNative();
    if (!program)
        co_return Error::cliNotFound();
    co_return co_await execute(*program, std::move(arguments), timeLimit);
}

QCoro::Task<Result<QByteArray>> ProcessCLICommandRunner::runShell(QString commandLine) {
    // The login shell reads the user's profile, so search-path additions made there apply.
    QStringList arguments{QStringLiteral("-lc"), commandLine};
    co_return co_await execute(QByteArrayLiteral("/bin/bash"), std::move(arguments), std::nullopt);
}

QCoro::Task<Result<QByteArray>>
ProcessCLICommandRunner::execute(QByteArray program, QStringList arguments,
                                 std::optional<std::chrono::milliseconds> timeLimit) {
    std::unique_ptr<QProcess, ProcessDisposer> process(new QProcess);
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->setInputChannelMode(QProcess::ForwardedInputChannel);
    process->setProgram(QFile::decodeName(program));
    process->setArguments(arguments);

    // QProcess takes the program as text and would exec a changed path when its bytes are not
    // UTF-8 (a home directory named in another encoding); the child then execs the exact
    // bytes itself, prepared here because nothing may allocate after the fork.
    std::shared_ptr<std::vector<QByteArray>> exactArguments;
    if (QFile::encodeName(process->program()) != program) {
        exactArguments = std::make_shared<std::vector<QByteArray>>();
        exactArguments->push_back(program);
        for (const QString& argument : std::as_const(arguments))
            exactArguments->push_back(argument.toLocal8Bit());
    }
    std::shared_ptr<std::vector<char*>> exactArgv;
    if (exactArguments) {
        exactArgv = std::make_shared<std::vector<char*>>();
        for (QByteArray& argument : *exactArguments)
            exactArgv->push_back(argument.data());
        exactArgv->push_back(nullptr);
    }
    // A child that lives on (the service it may start) must not hold our files, such as the
    // single-instance lock, whatever library opened them without close-on-exec.
    process->setChildProcessModifier([exactArguments, exactArgv] {
        markDescriptorsCloseOnExec();
        if (exactArgv)
            ::execv(exactArgv->front(), exactArgv->data());
    });

    auto collected = std::make_shared<Collected>();
    QProcess* child = process.get();
    QObject::connect(child, &QProcess::readyReadStandardOutput, child,
                     [child, collected] { collectOutput(child, *collected); });
    QObject::connect(child, &QProcess::readyReadStandardError, child,
                     [child, collected] { collectError(child, *collected); });
    if (timeLimit) {
        auto* timer = new QTimer(child);
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, child, [child, collected] {
            collected->timedOut = true;
            child->kill();
        });
        QObject::connect(child, &QProcess::finished, timer, &QTimer::stop);
        timer->start(*timeLimit);
    }

    // A failed start can be reported inside start() itself, before anything could await it,
    // so the state is inspected rather than awaited first.
    qCDebug(lcCli).noquote() << "run" << loggableText(process->program())
                             << loggableText(loggableArguments(arguments).join(u' '));
    process->start(QIODevice::ReadOnly);
    co_await StartSettled{process.get()};
    if (process->error() == QProcess::FailedToStart)
        co_return Error::processStart(systemMessage(process->errorString()));
    if (process->state() == QProcess::Running)
        co_await qCoro(*process).waitForFinished(-1);

    // QProcess drains the pipes when it reaps the child, before it reports the exit; what
    // is left in its buffers is taken under the same limits.
    collect(process.get(), *collected);
    if (collected->tooMuchOutput)
        co_return Error::cliStopped(
            QCoreApplication::translate("ProcessCLICommandRunner", "tovi printed more than %1 MiB")
                .arg(standardOutputLimit >> 20));
    if (collected->timedOut)
        co_return Error::cliStopped(
            QCoreApplication::translate("ProcessCLICommandRunner", "tovi didn't finish within %1")
                .arg(durationText(*timeLimit)));
    const int status = process->exitCode();
    qCDebug(lcCli) << "exit status" << status;
    if (status != 0) {
        const QByteArray error = collected->standardErrorCut ? withoutCutCharacter(collected->standardError)
                                                             : collected->standardError;
        co_return Error::cliFailed(status, decodeUtf8Strictly(error).value_or(QString()));
    }
    Result<QByteArray> output = std::move(collected->standardOutput);
    co_return output;
}

} // namespace tovi
