#pragma once

#include "model/Records.h"
#include "model/Result.h"

#include <qcoro/qcorotask.h>

#include <QByteArray>

#include <memory>
#include <optional>

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
    // The last output that decoded, and what it decoded to: the CLI prints the same snapshot
    // poll after poll, and decoding it again would be most of an idle poll's work.
    struct LastDecoded {
        QByteArray output;
        InternalStatus status;
    };

    std::shared_ptr<CLICommandRunner> m_runner;
    std::shared_ptr<std::optional<LastDecoded>> m_last = std::make_shared<std::optional<LastDecoded>>();
};

} // namespace tovi
