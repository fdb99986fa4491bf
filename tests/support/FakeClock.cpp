#include "support/FakeClock.h"

namespace tovi::testing {

FakeClock::FakeClock(QDateTime now)
    : m_now(std::move(now)) {}

QCoro::Task<> FakeClock::sleepFor(std::chrono::milliseconds duration) {
    m_requested << duration;
    auto gate = std::make_shared<FakeGate>();
    m_sleepers.push_back({m_monotonic + duration, gate});
    co_await gate->pass();
}

void FakeClock::advance(std::chrono::milliseconds duration) {
    m_now = m_now.addMSecs(duration.count());
    m_monotonic += duration;
    // Woken sleepers may sleep again at once; collect before waking.
    std::vector<std::shared_ptr<FakeGate>> due;
    std::erase_if(m_sleepers, [&](const Sleeper& s) {
        if (s.deadline > m_monotonic)
            return false;
        due.push_back(s.gate);
        return true;
    });
    for (const auto& gate : due)
        gate->open();
}

void FakeClock::releaseAll() {
    std::vector<Sleeper> sleepers;
    sleepers.swap(m_sleepers);
    for (const Sleeper& s : sleepers)
        s.gate->open();
}

} // namespace tovi::testing
