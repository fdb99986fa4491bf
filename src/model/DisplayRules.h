#pragma once

#include "model/Records.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

// Values the menu shows that are derived from a snapshot rather than read from it. Every
// view that shows a space or the tray icon goes through these, so they all agree.
namespace tovi {

enum class SpaceState { ready, stopped, attention, offline, unknown };

// Ordered from lowest to highest; the tray icon shows the highest that applies.
enum class StatusAlertLevel { none = 0, unread = 1, attention = 2, offline = 3 };

struct NodeCounts {
    std::int64_t online = 0;
    std::int64_t total = 0;
    friend bool operator==(const NodeCounts&, const NodeCounts&) = default;
};

SpaceState state(const Space& space);

// The detail line under a space's name.
QString statusLabel(const Space& space);

StatusAlertLevel alertLevel(const InternalStatus& status);

// Absent when the CLI sent no node list, so the menu can hide the count.
std::optional<NodeCounts> nodeCounts(const std::optional<QList<SpaceNode>>& nodes);

// The one rule for "signed out", which decides between the sign-in screen and the account's
// own views everywhere: only a snapshot that says so. Nothing loaded yet, or a snapshot without
// the flag, is not signed out.
bool isSignedOut(const std::optional<InternalStatus>& status);

// First letter of every run of letters upper-case, the rest lower-case:
// "building image" -> "Building Image", "re-RUN" -> "Re-Run".
QString capitalizeWords(const QString& text);

} // namespace tovi
