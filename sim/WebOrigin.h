#pragma once

#include "StateDir.h"

namespace tovi::sim {

// The local stand-in for the service's web site: the install script, the sign-in approval
// pages and a few account pages. Listens on 127.0.0.1 only.
class WebOrigin {
public:
    // Prints the origin as the first line of standard output and serves until SIGTERM/SIGINT.
    static int serve(const StateDir& dir, quint16 port);
};

} // namespace tovi::sim
