#include "support/FakeGate.h"

namespace tovi::testing {

void FakeGate::open() {
    if (m_open)
        return;
    m_open = true;
    Q_EMIT opened();
    const std::vector<std::coroutine_handle<>> waiters = std::exchange(m_waiters, {});
    for (std::coroutine_handle<> waiter : waiters)
        waiter.resume();
}

QCoro::Task<> FakeGate::pass() {
    co_await Awaiter{this};
}

} // namespace tovi::testing
