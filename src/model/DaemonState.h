#pragma once

#include <QMetaType>

#include <cstdint>

namespace tovi {

struct DaemonState {
    bool running = false;
    std::int32_t pid = 0; // meaningful only when running

    static DaemonState makeRunning(std::int32_t pid) { return {true, pid}; }
    static DaemonState stopped() { return {}; }

    friend bool operator==(const DaemonState& a, const DaemonState& b) {
        return a.running == b.running && (!a.running || a.pid == b.pid);
    }
};

} // namespace tovi

Q_DECLARE_METATYPE(tovi::DaemonState)
