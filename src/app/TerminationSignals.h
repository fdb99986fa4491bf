#pragma once

#include <QObject>

class QSocketNotifier;

namespace tovi {

// Turns SIGTERM, SIGINT and SIGHUP into an ordinary quit through the event loop, so that
// logging out or `kill` ends the application the way its Quit item does: settings are
// flushed and inhibitors released by their owners' destructors. The handler only writes
// the signal number to a pipe; everything else happens on the GUI thread.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // False when the pipe or the handlers could not be set up; the signals then keep
    // their default action.
    bool isActive() const { return m_notifier != nullptr; }

signals:
    void received(int signalNumber);

private:
    void drain();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace tovi
