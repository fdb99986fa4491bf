#pragma once

#include "StateDir.h"

namespace tovi::sim {

// Several sim processes (the app's polls, a waiting claim, the web origin) change the
// same files; an exclusive flock on one file serialises their read-modify-write steps.
class StateLock {
public:
    explicit StateLock(const StateDir& dir);
    ~StateLock();
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;

private:
    int m_fd = -1;
};

} // namespace tovi::sim
