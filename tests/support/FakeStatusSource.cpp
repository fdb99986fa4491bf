#include "support/FakeStatusSource.h"

namespace tovi::testing {

FakeStatusSource::FakeStatusSource() {
    m_results.emplace_back(InternalStatus{});
}

void FakeStatusSource::setResults(std::vector<Result<InternalStatus>> results) {
    Q_ASSERT(!results.empty());
    m_results = std::move(results);
    m_next = 0;
}

std::shared_ptr<FakeGate> FakeStatusSource::gate() {
    m_gate = std::make_shared<FakeGate>();
    return m_gate;
}

QCoro::Task<Result<InternalStatus>> FakeStatusSource::fetch() {
    ++m_fetchCount;
    if (const std::shared_ptr<FakeGate> gate = m_gate; gate && !gate->isOpen())
        co_await gate->pass();
    Result<InternalStatus> result = m_results[std::min(m_next, m_results.size() - 1)];
    if (m_next + 1 < m_results.size())
        ++m_next;
    co_return result;
}

} // namespace tovi::testing
