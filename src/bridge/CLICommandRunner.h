#pragma once

#include "model/Result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <qcoro/qcorotask.h>

#include <chrono>
#include <optional>

namespace tovi {

// The only channel to the tovi CLI. The store talks to this interface; tests hand it a
// scripted fake, the application the process-backed implementation.
class CLICommandRunner {
public:
    virtual ~CLICommandRunner() = default;

    // True when an executable is found now; never fails.
    virtual QCoro::Task<bool> isInstalled() = 0;
    // Runs tovi with `arguments` exactly; standard output on success. With a time limit, a
    // child still running when it has passed is ended and the run fails.
    virtual QCoro::Task<Result<QByteArray>> run(QStringList arguments,
                                                std::optional<std::chrono::milliseconds> timeLimit = {}) = 0;
    // Runs `commandLine` through the user's login shell; never fails with CliNotFound.
    virtual QCoro::Task<Result<QByteArray>> runShell(QString commandLine) = 0;
};

} // namespace tovi
