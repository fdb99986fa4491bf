#include "support/FakeGate.h"

#include <QPointer>
#include <qcoro/qcorosignal.h>

namespace tovi::testing {

void FakeGate::open() {
    if (m_open)
        return;
    m_open = true;
    Q_EMIT opened();
}

QCoro::Task<> FakeGate::pass() {
    if (m_open)
        co_return;
    ++m_waiting;
    co_await qCoro(this, &FakeGate::opened);
    --m_waiting;
}

} // namespace tovi::testing
