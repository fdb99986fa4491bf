#pragma once

#include <QObject>
#include <qcoro/qcorotask.h>

#include <coroutine>
#include <memory>
#include <vector>

namespace tovi {

// The handle of a running store task: any number of coroutines may await it, it reports
// completion once, and it carries a cooperative cancellation flag that the task body
// checks at its own checkpoints.
class TaskHandle : public QObject {
    Q_OBJECT
public:
    bool isFinished() const { return m_finished; }
    bool isCancelled() const { return m_cancelled; }
    void cancel() { m_cancelled = true; }

    // Marks the task finished, emits finished() and resumes every awaiter right here, in
    // the order they started waiting; later calls do nothing.
    void finish();
    // Completes when the task has finished (at once if it already has). Holds the handle
    // for the whole wait, so the owner may drop its reference meanwhile.
    static QCoro::Task<> wait(std::shared_ptr<TaskHandle> handle);

Q_SIGNALS:
    void finished();

private:
    // Resumed directly rather than through a queued signal, so that a task that ends hands
    // over to its awaiters without a trip through the event loop.
    struct FinishAwaiter {
        TaskHandle* handle;
        bool await_ready() const noexcept { return handle->m_finished; }
        void await_suspend(std::coroutine_handle<> awaiting) { handle->m_waiters.push_back(awaiting); }
        void await_resume() const noexcept {}
    };

    bool m_finished = false;
    bool m_cancelled = false;
    std::vector<std::coroutine_handle<>> m_waiters;
};

using TaskHandlePtr = std::shared_ptr<TaskHandle>;

} // namespace tovi
