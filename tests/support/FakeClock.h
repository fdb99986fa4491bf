#pragma once

#include "platform/Clock.h"
#include "support/FakeGate.h"

#include <QList>
#include <QTimeZone>

#include <memory>
#include <vector>

namespace tovi::testing {

// Wall time the test sets; sleeps that end only when the test advances the clock past
// their deadline or releases them.
class FakeClock : public Clock {
public:
    explicit FakeClock(QDateTime now = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC));

    QDateTime now() const override { return m_now; }
    QCoro::Task<> sleepFor(std::chrono::milliseconds duration) override;

    // Moves both clocks forward and wakes every sleep whose deadline has passed.
    void advance(std::chrono::milliseconds duration);
    // Wakes every pending sleep at once.
    void releaseAll();

    int sleepers() const { return static_cast<int>(m_sleepers.size()); }
    const QList<std::chrono::milliseconds>& requestedSleeps() const { return m_requested; }

private:
    struct Sleeper {
        std::chrono::milliseconds deadline;
        std::shared_ptr<FakeGate> gate;
    };

    QDateTime m_now;
    std::chrono::milliseconds m_monotonic{0};
    std::vector<Sleeper> m_sleepers;
    QList<std::chrono::milliseconds> m_requested;
};

} // namespace tovi::testing
