#pragma once

#include <QDateTime>
#include <QJsonObject>

namespace tovi::sim {

// A believable status for a fresh state directory: three nodes (one offline), spaces in
// every state the menu can show, unread notifications and all account sections. Account,
// sign-in state and CLI versions are left out: they are filled in from live state.
class DefaultSnapshot {
public:
    static QJsonObject build(const QDateTime& now);

    // Deterministic variation for soak runs: the call number decides what changed.
    static void churn(QJsonObject& snapshot, qint64 call, const QDateTime& now);
};

} // namespace tovi::sim
