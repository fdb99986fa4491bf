#include "bridge/CLICommandRunner.h"
#include "model/Decoding.h"
#include "store/CLICommands.h"
#include "store/StatusSource.h"

namespace tovi {

CLIStatusSource::CLIStatusSource(std::shared_ptr<CLICommandRunner> runner)
    : m_runner(std::move(runner)) {}

QCoro::Task<Result<InternalStatus>> CLIStatusSource::fetch() {
    // Held for the whole run: the source may be released while the child is running.
    const std::shared_ptr<CLICommandRunner> runner = m_runner;
    const std::shared_ptr<std::optional<LastDecoded>> last = m_last;
    const QStringList arguments = CLICommands::status();
    Result<QByteArray> output = co_await runner->run(arguments);
    if (!output)
        co_return output.error();
    if (*last && (*last)->output == output.value()) {
        Result<InternalStatus> same = (*last)->status;
        co_return same;
    }
    Result<InternalStatus> decoded = decodeInternalStatus(output.value());
    // A snapshot of ordinary size only: holding tens of megabytes between polls to spare a decode
    // would cost more than the decode.
    constexpr qsizetype rememberUpTo = 1 << 20;
    if (decoded && output.value().size() <= rememberUpTo)
        *last = LastDecoded{output.value(), decoded.value()};
    else
        last->reset();
    co_return decoded;
}

} // namespace tovi
