#pragma once

#include "model/Records.h"
#include "support/TestUtil.h"

#include <optional>

namespace tovi::testing {

inline QString s(const char* text) {
    return QString::fromUtf8(text);
}

inline Space readySpace(const QString& id, const QString& name) {
    return Space{.id = id, .name = name, .status = QStringLiteral("ready")};
}

inline SpaceNode node(const QString& id, const QString& name, std::optional<QList<Space>> spaces,
                      std::optional<bool> online = true) {
    return SpaceNode{.id = id, .name = name, .online = online, .spaces = std::move(spaces)};
}

// Signed in, with these nodes and, when given, this many unread notifications.
inline InternalStatus statusWithNodes(QList<SpaceNode> nodes, std::optional<std::int64_t> unread = {}) {
    InternalStatus status;
    status.authenticated = true;
    status.spaces = SpacesSection{std::move(nodes)};
    if (unread)
        status.notifications = Notifications{unread, std::nullopt};
    return status;
}

} // namespace tovi::testing
