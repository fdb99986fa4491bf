#include "bridge/ProcessCLICommandRunner.h"

#include "bridge/ChildDescriptors.h"
#include "bridge/StrictUtf8.h"
#include "model/Logging.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTimer>
#include <qcoro/qcoroprocess.h>

#include <algorithm>
#include <cerrno>
#include <coroutine>
#include <cstring>
#include <memory>
#include <vector>

#include <fcntl.h>
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

// Everything a run gathers while its child runs, and what settles it. Shared with the
// stream readers and the signal handlers, which may outlive the awaiting coroutine (see
// ProcessDisposer and StreamReader).
struct RunState {
    QByteArray standardOutput;
    QByteArray standardError;
    bool standardErrorCut = false;
    bool tooMuchOutput = false;
    bool timedOut = false;
    bool exited = false;
    // The child exited but something it started still holds an output stream open.
    bool leftoverWaitOver = false;
    // The coroutine took the output; whatever arrives later is emptied out and dropped.
    bool taken = false;
    int openStreams = 2;
    QPointer<QProcess> process;
    std::coroutine_handle<> waiting;
    bool resumeQueued = false;

    // The child is always reaped first; one that floods or overruns is killed to get there.
    bool settled() const {
        return exited && (openStreams == 0 || leftoverWaitOver || timedOut || tooMuchOutput);
    }
    void stopChild() {
        if (process && process->state() != QProcess::NotRunning)
            process->kill();
    }
};

// Resumes the awaiting coroutine once the run is settled. Never from inside the signal
// that settled it: the coroutine goes on to delete the objects whose signal is running.
void wake(const std::shared_ptr<RunState>& state) {
    if (!state->waiting || !state->settled() || state->resumeQueued)
        return;
    state->resumeQueued = true;
    QTimer::singleShot(0, [state] {
        state->resumeQueued = false;
        if (state->waiting && state->settled())
            std::exchange(state->waiting, {}).resume();
    });
}

struct Settled {
    std::shared_ptr<RunState> state;
    bool await_ready() const { return state->settled(); }
    void await_suspend(std::coroutine_handle<> awaiting) { state->waiting = awaiting; }
    void await_resume() const {}
};

// A coroutine destroyed while it waits must not be resumed by a later wake().
struct WaitingCleared {
    std::shared_ptr<RunState> state;
    ~WaitingCleared() { state->waiting = {}; }
};

void collectOutput(RunState& state, const char* data, qsizetype size) {
    if (state.tooMuchOutput)
        return;
    state.standardOutput.append(data, size);
    if (state.standardOutput.size() > ProcessCLICommandRunner::standardOutputLimit) {
        state.tooMuchOutput = true;
        state.standardOutput.clear();
        state.standardOutput.squeeze();
        state.stopChild();
    }
}

void collectError(RunState& state, const char* data, qsizetype size) {
    const qsizetype room = ProcessCLICommandRunner::standardErrorKept - state.standardError.size();
    if (size > room)
        state.standardErrorCut = true;
    state.standardError.append(data, std::clamp<qsizetype>(room, 0, size));
}

// Reads one of the child's output streams to its end on the event loop. The stream ends when
// every process holding it has closed it, which may be long after the child exits: the CLI
// may leave a process behind (a service it started) that still writes there. Until the end
// the pipe is kept open and emptied, after the run too, so such a process never dies of a
// broken pipe; then the reader deletes itself.
class StreamReader : public QObject {
public:
    using Sink = void (*)(RunState&, const char*, qsizetype);

    StreamReader(int descriptor, std::shared_ptr<RunState> state, Sink sink)
        : QObject(QCoreApplication::instance())
        , m_descriptor(descriptor)
        , m_notifier(descriptor, QSocketNotifier::Read)
        , m_state(std::move(state))
        , m_sink(sink) {
        connect(&m_notifier, &QSocketNotifier::activated, this, &StreamReader::readAvailable);
    }
    ~StreamReader() override {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }

private:
    void readAvailable() {
        // A flood is read in bounded bites, so the event loop still turns between them.
        char chunk[64 * 1024];
        for (int bite = 0; bite < 16; ++bite) {
            const ssize_t got = ::read(m_descriptor, chunk, sizeof chunk);
            if (got > 0) {
                if (!m_state->taken)
                    m_sink(*m_state, chunk, got);
                continue;
            }
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            ended();
            return;
        }
    }
    void ended() {
        m_notifier.setEnabled(false);
        ::close(std::exchange(m_descriptor, -1));
        --m_state->openStreams;
        wake(m_state);
        deleteLater();
    }

    int m_descriptor;
    QSocketNotifier m_notifier;
    std::shared_ptr<RunState> m_state;
    Sink m_sink;
};

// A pipe for one output stream: the read end stays here, non-blocking; the write end becomes
// the child's descriptor. Both sit above standard error, so the child's dup2 always moves
// them, and both close on exec, so no other child keeps this run's stream open.
struct OutputPipe {
    int readEnd = -1;
    int writeEnd = -1;

    bool open() {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
            return false;
        readEnd = aboveStandardError(ends[0]);
        writeEnd = aboveStandardError(ends[1]);
        // Only our end is non-blocking; the child writes as it would to any pipe.
        ::fcntl(writeEnd, F_SETFL, ::fcntl(writeEnd, F_GETFL) & ~O_NONBLOCK);
        return readEnd >= 0 && writeEnd >= 0;
    }
    void closeWriteEnd() {
        if (writeEnd >= 0)
            ::close(std::exchange(writeEnd, -1));
    }
    void closeBoth() {
        closeWriteEnd();
        if (readEnd >= 0)
            ::close(std::exchange(readEnd, -1));
    }
    static int aboveStandardError(int fd) {
        if (fd > 2)
            return fd;
        const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
        ::close(fd);
        return moved;
    }
};

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
                                 std::optional<std::chrono::milliseconds> timeLimit,
                                 std::chrono::milliseconds leftoverWait) {
    OutputPipe output, error;
    if (!output.open() || !error.open()) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        output.closeBoth();
        error.closeBoth();
        co_return Error::processStart(reason);
    }

    std::unique_ptr<QProcess, ProcessDisposer> process(new QProcess);
    // The output streams are our own pipes, read to their end (see StreamReader); QProcess's
    // would be closed as soon as the child exits. Standard input is empty: the CLI never
    // asks for anything, and one that reads anyway must not wait on ours.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
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
    const int outputEnd = output.writeEnd, errorEnd = error.writeEnd;
    process->setChildProcessModifier([exactArguments, exactArgv, outputEnd, errorEnd] {
        ::dup2(outputEnd, STDOUT_FILENO);
        ::dup2(errorEnd, STDERR_FILENO);
        markDescriptorsCloseOnExec();
        if (exactArgv)
            ::execv(exactArgv->front(), exactArgv->data());
    });

    auto state = std::make_shared<RunState>();
    state->process = process.get();
    const WaitingCleared clearedOnDestruction{state};
    QProcess* child = process.get();
    QObject::connect(child, &QProcess::finished, child, [child, state, leftoverWait] {
        state->exited = true;
        QTimer::singleShot(leftoverWait, child, [state] {
            state->leftoverWaitOver = true;
            wake(state);
        });
        wake(state);
    });
    if (timeLimit) {
        // The limit covers the whole run, also the wait for streams a leftover process holds.
        auto* timer = new QTimer(child);
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, child, [state] {
            if (state->settled() || state->tooMuchOutput)
                return;
            state->timedOut = true;
            state->stopChild();
            wake(state);
        });
        timer->start(*timeLimit);
    }

    qCDebug(lcCli).noquote() << "run" << loggableText(process->program())
                             << loggableText(loggableArguments(arguments).join(u' '));
    process->start(QIODevice::ReadOnly);
    // The child has its copies now (or there is no child); ours would keep the streams open.
    output.closeWriteEnd();
    error.closeWriteEnd();
    new StreamReader(output.readEnd, state, collectOutput);
    new StreamReader(error.readEnd, state, collectError);
    // A failed start can be reported inside start() itself, before anything could await it,
    // so the state is inspected rather than awaited first.
    co_await StartSettled{process.get()};
    if (process->error() == QProcess::FailedToStart) {
        state->taken = true;
        co_return Error::processStart(systemMessage(process->errorString()));
    }
    // A named awaiter: GCC 12 destroys a temporary that owns something twice inside co_await.
    Settled settled{state};
    co_await settled;
    state->taken = true;

    if (state->tooMuchOutput)
        co_return Error::cliStopped(
            QCoreApplication::translate("ProcessCLICommandRunner", "tovi printed more than %1 MiB")
                .arg(standardOutputLimit >> 20));
    if (state->timedOut)
        co_return Error::cliStopped(
            QCoreApplication::translate("ProcessCLICommandRunner", "tovi didn't finish within %1")
                .arg(durationText(*timeLimit)));
    if (state->openStreams > 0)
        qCDebug(lcCli) << "a process tovi left behind still holds its output; not waiting for it";
    const int status = process->exitCode();
    qCDebug(lcCli) << "exit status" << status;
    if (status != 0) {
        const QByteArray message =
            state->standardErrorCut ? withoutCutCharacter(state->standardError) : state->standardError;
        co_return Error::cliFailed(status, decodeUtf8Strictly(message).value_or(QString()));
    }
    Result<QByteArray> result = std::move(state->standardOutput);
    co_return result;
}

} // namespace tovi
