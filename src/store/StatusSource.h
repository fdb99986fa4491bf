#pragma once

#include "model/Records.h"
#include "model/Result.h"

#include <qcoro/qcorotask.h>

#include <memory>

namespace tovi {

class CLICommandRunner;

class StatusSource {
public:
    virtual ~StatusSource() = default;
    virtual QCoro::Task<Result<InternalStatus>> fetch() = 0;
};

// Runs "tovi internal status --stdout-format=json" and decodes the snapshot.
class CLIStatusSource : public StatusSource {
public:
    explicit CLIStatusSource(std::shared_ptr<CLICommandRunner> runner);
    QCoro::Task<Result<InternalStatus>> fetch() override;

private:
    std::shared_ptr<CLICommandRunner> m_runner;
};

} // namespace tovi
