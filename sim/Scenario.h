#pragma once

#include "CommandOutcome.h"
#include "StateDir.h"

#include <QJsonObject>
#include <QStringList>

#include <optional>

namespace tovi::sim {

// Fault injection for tests and the demo, read from scenario.json in the state directory:
//   {"rules": [{"match": ["internal", "status"], "exit": 3, "stderr": "boom\n",
//               "sleep_ms": 2000, "until_file": "go", "output": "invalid_json", "times": 1}],
//    "churn": true, "claim_ttl_s": 600}
// The first rule whose "match" is a prefix of the arguments applies; "times" counts down
// and the rule disappears when it reaches zero.
class Scenario {
public:
    struct Rule {
        QJsonObject spec;
        int exitCode = 0;
        int signal = 0;
        int sleepMs = 0;
        QString untilFile; // ends the sleep early once it exists (relative to the state directory)
        QByteArray stderrText;

        // A rule with an exit status or signal replaces the command; otherwise the command
        // runs and the rule only reshapes its output.
        bool replacesCommand() const { return exitCode != 0 || signal != 0; }
    };

    // Finds the rule for these arguments and counts down its "times" under the state lock.
    static std::optional<Rule> take(const StateDir& dir, const QStringList& args);
    static QJsonObject settings(const StateDir& dir);

    // Writes the rule's stdout replacement or reshapes the command's output.
    static void reshape(const Rule& rule, CommandOutcome& outcome);

    // Helper subcommands: scenario set|add|clear|status|reset|version.
    static CommandOutcome command(const StateDir& dir, const QStringList& words);
};

} // namespace tovi::sim
