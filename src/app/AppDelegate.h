#pragma once

#include <QObject>

namespace tovi {

class LaunchSteps;

// Finishes the launch once the event loop runs: one running copy per user, and in that
// copy the store's background work.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        hostedByTestRunner, // nothing was touched
        running,            // this copy holds the lock and started its work
        handingOver,        // another copy runs; this one asked it to come forward and quits
    };
    Q_ENUM(Outcome)

    explicit AppDelegate(LaunchSteps& steps, QObject* parent = nullptr);

    Outcome applicationDidFinishLaunching();

private:
    LaunchSteps& m_steps;
};

} // namespace tovi
