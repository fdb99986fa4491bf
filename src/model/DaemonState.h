#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>

#include <cstdint>
#include <optional>

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

// The pid file of the CLI's service: $TOVI_DIR/run/daemon.pid, else ~/.tovi/run/daemon.pid.
QString daemonPidFilePath();
// Reads the pid file and tests the process; every problem reads as stopped.
DaemonState readDaemonState();

// The process id named by a pid file's bytes: UTF-8, blanks around it allowed, an optional
// sign, decimal digits within 32 bits and nothing else. Ids below 1 never name a single
// process (kill would address a process group), so they give nothing too.
std::optional<std::int32_t> parsePidFileContents(const QByteArray& contents);
// The state for kill(pid, 0) returning `result` with `errnoValue`: a process that exists
// but belongs to another user (EPERM) counts as running.
DaemonState daemonStateForKillResult(std::int32_t pid, int result, int errnoValue);

} // namespace tovi

Q_DECLARE_METATYPE(tovi::DaemonState)
