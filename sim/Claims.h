#pragma once

#include "StateDir.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

namespace tovi::sim {

// Pending browser sign-ins, one file per token under claims/. The approval page decides a
// claim; the waiting "account claim" command consumes it.
class Claims {
public:
    enum class Decision { Done, Unknown, AlreadyDecided, Expired };

    // Tokens end up in file names and URLs, so only a safe alphabet is accepted.
    static bool validToken(const QString& token);
    static QString file(const QString& token) {
        return QStringLiteral("claims/") + token + QStringLiteral(".json");
    }

    static QString create(const StateDir& dir, const QString& profile, qint64 ttlSeconds, QString* error);
    static StateDir::Read load(const StateDir& dir, const QString& token, QJsonObject& out);
    static Decision decide(const StateDir& dir, const QString& token, bool approve);
    static bool expired(const QJsonObject& claim, const QDateTime& now);
};

} // namespace tovi::sim
