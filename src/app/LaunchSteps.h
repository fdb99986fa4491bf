#pragma once

namespace tovi {

// The effects of finishing the launch, one call each, so that the order and the
// conditions in AppDelegate can be checked without a desktop session.
class LaunchSteps {
public:
    virtual ~LaunchSteps() = default;

    // True when this process may run: the lock was taken, or the lock file could not be
    // opened at all (running unguarded beats refusing to start).
    virtual bool acquireInstanceLock() = 0;
    // Brings the copy that holds the lock to the front.
    virtual void activateRunningCopy() = 0;
    // Lets a later copy bring this one to the front.
    virtual void registerActivationService() = 0;
    virtual void registerLoginItemOnFirstLaunch() = 0;
    virtual void startBootstrap() = 0;
    virtual void startStore() = 0;
    // A normal, silent exit with status 0.
    virtual void terminate() = 0;
};

} // namespace tovi
