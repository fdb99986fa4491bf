#pragma once

#include "store/StatusSource.h"
#include "support/FakeGate.h"

#include <memory>
#include <vector>

namespace tovi::testing {

// Hands out scripted snapshots or failures in order, repeating the last one; with a gate
// set, every fetch waits for it.
class FakeStatusSource : public StatusSource {
public:
    FakeStatusSource();
    void setResults(std::vector<Result<InternalStatus>> results);
    void setResult(Result<InternalStatus> result) { setResults({std::move(result)}); }
    // Later fetches wait at the returned gate until the test opens it.
    std::shared_ptr<FakeGate> gate();
    void openGate() {
        if (m_gate)
            m_gate->open();
    }
    int fetchCount() const { return m_fetchCount; }

    QCoro::Task<Result<InternalStatus>> fetch() override;

private:
    std::vector<Result<InternalStatus>> m_results;
    size_t m_next = 0;
    std::shared_ptr<FakeGate> m_gate;
    int m_fetchCount = 0;
};

} // namespace tovi::testing
