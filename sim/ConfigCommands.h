#pragma once

#include "Args.h"
#include "CommandOutcome.h"
#include "StateDir.h"

namespace tovi::sim {

// "config get KEY" and "config set KEY VALUE" over config.json. Values are kept and printed
// as JSON strings; per-profile "memory_disabled" keys accept only true or false and read as
// "false" until set.
class ConfigCommands {
public:
    static CommandOutcome run(const StateDir& dir, const Args& args);
};

} // namespace tovi::sim
