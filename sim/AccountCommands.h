#pragma once

#include "Args.h"
#include "CommandOutcome.h"
#include "StateDir.h"

namespace tovi::sim {

// "account login|claim|profile|me|logout".
class AccountCommands {
public:
    static CommandOutcome run(const StateDir& dir, const Args& args);

    // Where approval pages live: TOVI_WEB_ORIGIN, else the last "serve", else a fixed port.
    static QString webOrigin(const StateDir& dir);

private:
    static CommandOutcome login(const StateDir& dir, const Args& args);
    static CommandOutcome claim(const StateDir& dir, const Args& args, const QString& token);
    static CommandOutcome profile(const StateDir& dir, const Args& args);
    static CommandOutcome me(const StateDir& dir, const Args& args);
    static CommandOutcome logout(const StateDir& dir);
};

} // namespace tovi::sim
