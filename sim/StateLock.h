#pragma once

#include "StateDir.h"

namespace tovi::sim {

// Several sim processes (the app's polls, a waiting claim, the web origin) change the
// same files; an exclusive flock on one file serialises their read-modify-write steps.
class StateLock {
public:
    // A different name gives an independent lock (the service uses its own, so that status
    // reads don't wait while a service starts).
    explicit StateLock(const StateDir& dir, const QString& name = QStringLiteral(".lock"));
    ~StateLock();
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;

private:
    int m_fd = -1;
};

} // namespace tovi::sim
