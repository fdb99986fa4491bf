#include "store/TaskHandle.h"

namespace tovi {

void TaskHandle::finish() {
    if (m_finished)
        return;
    m_finished = true;
    Q_EMIT finished();
    const std::vector<std::coroutine_handle<>> waiters = std::exchange(m_waiters, {});
    for (std::coroutine_handle<> waiter : waiters)
        waiter.resume();
}

QCoro::Task<> TaskHandle::wait(std::shared_ptr<TaskHandle> handle) {
    if (!handle || handle->m_finished)
        co_return;
    co_await FinishAwaiter{handle.get()};
}

} // namespace tovi
