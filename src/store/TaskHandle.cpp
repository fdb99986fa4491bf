#include "store/TaskHandle.h"

#include <qcoro/qcorosignal.h>

namespace tovi {

void TaskHandle::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    Q_EMIT finished();
}

QCoro::Task<> TaskHandle::wait(std::shared_ptr<TaskHandle> handle)
{
    if (!handle || handle->m_finished)
        co_return;
    co_await qCoro(handle.get(), &TaskHandle::finished);
}

} // namespace tovi
