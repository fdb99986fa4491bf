#pragma once

#include <QObject>
#include <qcoro/qcorotask.h>

namespace tovi::testing {

// A door that fake operations wait at until the test opens it. Once open it stays open, so
// later calls pass straight through. Lets a test hold a CLI run, a status fetch or a sleep
// pending while it looks at the store or starts a competing operation.
class FakeGate : public QObject {
    Q_OBJECT
public:
    bool isOpen() const { return m_open; }
    // How many calls are waiting at the gate right now.
    int waiting() const { return m_waiting; }
    // Resumes every waiting call (synchronously, inside this call) and lets later ones pass.
    void open();
    // Waits until the gate opens; returns at once when it already is.
    QCoro::Task<> pass();

Q_SIGNALS:
    void opened();

private:
    bool m_open = false;
    int m_waiting = 0;
};

} // namespace tovi::testing
