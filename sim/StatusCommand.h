#pragma once

#include "Args.h"
#include "CommandOutcome.h"
#include "StateDir.h"

#include <QDateTime>
#include <QJsonObject>

namespace tovi::sim {

// "internal status": the stored snapshot (status.json, generated on first use) with the
// live parts laid over it. Members the stored snapshot sets itself win, so a test can pin
// "authenticated" or "cli" exactly; the rest follows the account and install state, and a
// signed-out CLI reports no account data at all.
class StatusCommand {
public:
    static CommandOutcome run(const StateDir& dir, const Args& args);
    static QJsonObject snapshot(const StateDir& dir, const QDateTime& now, QString* error);
};

} // namespace tovi::sim
