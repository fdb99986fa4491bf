#pragma once

#include "bridge/CLICommandRunner.h"
#include "bridge/ExecutableLocator.h"

namespace tovi {

// The live runner: starts real children with QProcess on the calling (GUI) thread and
// resumes the caller when the child has exited and its output streams have ended.
class ProcessCLICommandRunner : public CLICommandRunner {
public:
    // What one run may print. The CLI's answers are a JSON document or a line of text; past
    // these sizes it is not answering but flooding, and the whole output would sit in memory.
    static constexpr qsizetype standardOutputLimit = qsizetype(64) << 20;
    // Standard error only ever becomes a message: its start is kept, the rest dropped.
    static constexpr qsizetype standardErrorKept = qsizetype(1) << 20;
    // A run ends when the child has exited and both its streams have ended. A process the
    // CLI leaves behind may hold them open for good (a service started without redirecting
    // its output); after this long past the exit the run ends with what it has.
    static constexpr std::chrono::milliseconds leftoverStreamWait{10000};

    explicit ProcessCLICommandRunner(ExecutableLocator locator = {});

    QCoro::Task<bool> isInstalled() override;
    QCoro::Task<Result<QByteArray>> run(QStringList arguments,
                                        std::optional<std::chrono::milliseconds> timeLimit = {}) override;
    QCoro::Task<Result<QByteArray>> runShell(QString commandLine) override;

    // Starts `program` (the file system's bytes) with `arguments` and collects its output; the
    // two operations above end here. Needs nothing of the runner, so a run outlives the
    // runner that began it.
    static QCoro::Task<Result<QByteArray>>
    execute(QByteArray program, QStringList arguments, std::optional<std::chrono::milliseconds> timeLimit,
            std::chrono::milliseconds leftoverWait = leftoverStreamWait);

private:
    ExecutableLocator m_locator;
};

} // namespace tovi
