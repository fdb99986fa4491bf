#pragma once

#include "model/DaemonState.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace tovi {

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
