#pragma once

#include <QObject>
#include <qcoro/qcorotask.h>

#include <memory>

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

    // Marks the task finished and wakes every awaiter; later calls do nothing.
    void finish();
    // Completes when the task has finished (at once if it already has). Holds the handle
    // for the whole wait, so the owner may drop its reference meanwhile.
    static QCoro::Task<> wait(std::shared_ptr<TaskHandle> handle);

Q_SIGNALS:
    void finished();

private:
    bool m_finished = false;
    bool m_cancelled = false;
};

using TaskHandlePtr = std::shared_ptr<TaskHandle>;

} // namespace tovi
