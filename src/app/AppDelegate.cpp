#include "app/AppDelegate.h"

#include "app/LaunchSteps.h"

namespace tovi {

AppDelegate::AppDelegate(LaunchSteps& steps, QObject* parent)
    : QObject(parent)
    , m_steps(steps) {}

AppDelegate::Outcome AppDelegate::applicationDidFinishLaunching() {
    // Test hosts load the application without wanting its side effects.
    if (qEnvironmentVariableIsSet("XCTestConfigurationFilePath"))
        return Outcome::hostedByTestRunner;

    if (!m_steps.acquireInstanceLock()) {
        m_steps.activateRunningCopy();
        m_steps.terminate();
        return Outcome::handingOver;
    }

    m_steps.registerActivationService();
    m_steps.registerLoginItemOnFirstLaunch();
    m_steps.startBootstrap();
    m_steps.startStore();
    return Outcome::running;
}

} // namespace tovi
