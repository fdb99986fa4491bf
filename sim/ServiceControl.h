#pragma once

#include "CommandOutcome.h"
#include "StateDir.h"

#include <sys/types.h>

namespace tovi::sim {

// The background service: a detached copy of this executable ("internal daemon") that
// keeps run/daemon.pid while it lives and removes it when asked to stop.
class ServiceControl {
public:
    // Starts the service, stopping a running one first; returns once the pid file names it.
    static CommandOutcome install(const StateDir& dir);
    static CommandOutcome uninstall(const StateDir& dir);
    // The service process itself.
    static int runDaemon(const StateDir& dir);

    // The pid in run/daemon.pid when that process is one of our services, else 0.
    static pid_t runningPid(const StateDir& dir);
};

} // namespace tovi::sim
