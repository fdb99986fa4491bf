#pragma once

#include "CommandOutcome.h"
#include "StateDir.h"

#include <QStringList>

namespace tovi::sim {

// Entry point of every invocation: picks the command, lets the scenario intervene, and
// writes the outcome to the standard streams.
class Cli {
public:
    static int run(const QStringList& words);
    static QByteArray usage();

private:
    static CommandOutcome dispatch(const StateDir& dir, const QStringList& words);
};

} // namespace tovi::sim
