#pragma once

#include "model/DaemonState.h"
#include "model/Records.h"
#include "ui/StatusColors.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>

namespace tovi {

struct NodeCounts;

QString spaceStateLabel(const Space& space);
ColorRole spaceStateColor(const Space& space);

QString identityTitle(const std::optional<InternalStatus>& status);

struct ProfileText {
    QString text;
    bool checked = false;
    friend bool operator==(const ProfileText&, const ProfileText&) = default;
};
// One row per profile, in order. The check mark goes to the profile the CLI uses now: the
// active one, or the default one when none is active. A default profile that is not in use
// stays a row the user can switch back to.
QList<ProfileText> profileTexts(const QList<Profile>& profiles);

QString refreshAge(const std::optional<QDateTime>& lastUpdated, const QDateTime& now);

struct NodeCountText {
    QString text;
    ColorRole color = ColorRole::secondary;
    QString tooltip;
    friend bool operator==(const NodeCountText&, const NodeCountText&) = default;
};
NodeCountText nodeCountText(std::int64_t online, std::int64_t total);

struct UnreadText {
    QString symbol;
    QString countText; // empty when no number is shown
    ColorRole color = ColorRole::secondary;
    QString tooltip;
    friend bool operator==(const UnreadText&, const UnreadText&) = default;
};
UnreadText unreadText(std::int64_t unread);
// The unread count of a snapshot's notifications section; 0 when the section or count is absent.
std::int64_t unreadCount(const std::optional<InternalStatus>& status);

struct ServiceStateText {
    QString text;
    ColorRole dot = ColorRole::red;
    QString tooltip;
    friend bool operator==(const ServiceStateText&, const ServiceStateText&) = default;
};
ServiceStateText serviceStateText(const DaemonState& state);

struct UpgradeControlText {
    bool updateForm = false; // the tinted "arrow.up.circle" form
    QString tooltip;
    friend bool operator==(const UpgradeControlText&, const UpgradeControlText&) = default;
};
UpgradeControlText upgradeControlText(const std::optional<InternalStatus>& status);

// "Tovi 1.0.0 (42)"; a missing value reads "?".
QString versionHeading(const QString& version, const QString& buildNumber);

} // namespace tovi
