#pragma once

#include "bridge/CLICommandRunner.h"
#include "bridge/ExecutableLocator.h"

namespace tovi {

// The live runner: starts real children with QProcess on the calling (GUI) thread and
// resumes the caller when the child has exited and its output has been collected.
class ProcessCLICommandRunner : public CLICommandRunner {
public:
    explicit ProcessCLICommandRunner(ExecutableLocator locator = {});

    QCoro::Task<bool> isInstalled() override;
    QCoro::Task<Result<QByteArray>> run(QStringList arguments) override;
    QCoro::Task<Result<QByteArray>> runShell(QString commandLine) override;

    // Starts `program` with `arguments` and collects its output; the two operations above
    // end here. Needs nothing of the runner, so a run outlives the runner that began it.
    static QCoro::Task<Result<QByteArray>> execute(QString program, QStringList arguments);

private:
    ExecutableLocator m_locator;
};

} // namespace tovi
