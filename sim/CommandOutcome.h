#pragma once

#include <QByteArray>
#include <QString>

namespace tovi::sim {

// What one command produced; written out by the dispatcher after the scenario had its say.
struct CommandOutcome {
    int exitCode = 0;
    QByteArray out;
    QByteArray err;

    static CommandOutcome ok(QByteArray out = {}) { return {0, std::move(out), {}}; }
    static CommandOutcome fail(int code, const QString& message) {
        return {code, {}, (QStringLiteral("error: ") + message + QLatin1Char('\n')).toUtf8()};
    }
};

} // namespace tovi::sim
