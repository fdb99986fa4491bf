#pragma once

#include <QObject>
#include <qcoro/qcorotask.h>

#include <coroutine>
#include <vector>

namespace tovi::testing {

// A door that fake operations wait at until the test opens it. Once open it stays open, so
// later calls pass straight through. Lets a test hold a CLI run, a status fetch or a sleep
// pending while it looks at the store or starts a competing operation. Waiters resume
// inside open(), so the test sees their effects as soon as open() returns.
class FakeGate : public QObject {
    Q_OBJECT
public:
    bool isOpen() const { return m_open; }
    // How many calls are waiting at the gate right now.
    int waiting() const { return static_cast<int>(m_waiters.size()); }
    // Resumes every waiting call, in arrival order, and lets later ones pass.
    void open();
    // Waits until the gate opens; returns at once when it already is.
    QCoro::Task<> pass();

Q_SIGNALS:
    void opened();

private:
    struct Awaiter {
        FakeGate* gate;
        bool await_ready() const noexcept { return gate->m_open; }
        void await_suspend(std::coroutine_handle<> awaiting) { gate->m_waiters.push_back(awaiting); }
        void await_resume() const noexcept {}
    };

    bool m_open = false;
    std::vector<std::coroutine_handle<>> m_waiters;
};

} // namespace tovi::testing
