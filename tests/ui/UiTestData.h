#pragma once

#include "model/Records.h"
#include "support/TestUtil.h"

#include <QList>
#include <QString>

#include <optional>

namespace tovi::testing {

inline QString s(const char* text) {
    return QString::fromUtf8(text);
}

inline Space readySpace(const QString& id, const QString& name, std::optional<QString> icon = std::nullopt) {
    Space space;
    space.id = id;
    space.name = name;
    space.icon = std::move(icon);
    space.status = QStringLiteral("ready");
    return space;
}

inline SpaceNode node(const QString& id, const QString& name, std::optional<QList<Space>> spaces,
                      std::optional<bool> online = true) {
    SpaceNode result;
    result.id = id;
    result.name = name;
    result.online = online;
    result.spaces = std::move(spaces);
    return result;
}

inline InternalStatus statusWithNodes(QList<SpaceNode> nodes) {
    InternalStatus status;
    status.authenticated = true;
    status.spaces = SpacesSection{std::move(nodes)};
    return status;
}

} // namespace tovi::testing
