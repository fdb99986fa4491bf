#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

#include <cstdint>
#include <optional>

// The records the tovi CLI prints. Plain values, read-only once decoded; every field the
// CLI may leave out is optional (absent when the wire key is missing or null).
namespace tovi {

struct CLIInfo {
    std::optional<QString> currentVersion;
    std::optional<QString> latestVersion;
    std::optional<bool> updateAvailable;
    friend bool operator==(const CLIInfo&, const CLIInfo&) = default;
};

struct Account {
    std::optional<QString> userId;
    std::optional<QString> email;
    std::optional<QString> name;
    std::optional<QString> team;
    friend bool operator==(const Account&, const Account&) = default;
};

struct Space {
    QString id;
    QString name;
    std::optional<QString> icon;
    std::optional<bool> online;
    std::optional<bool> stopped;
    std::optional<QString> status;
    std::optional<QString> indicator;
    std::optional<QString> indicatorLabel;
    std::optional<QString> activity;
    std::optional<QString> activityDetail;
    std::optional<QString> heartbeat;
    std::optional<QString> reported;
    friend bool operator==(const Space&, const Space&) = default;
};

struct SpaceNode {
    QString id;
    QString name;
    std::optional<bool> online;
    std::optional<bool> registered;
    std::optional<QList<Space>> spaces;
    friend bool operator==(const SpaceNode&, const SpaceNode&) = default;
};

struct SpacesSection {
    std::optional<QList<SpaceNode>> nodes;
    friend bool operator==(const SpacesSection&, const SpacesSection&) = default;
};

struct Nodes {
    std::optional<std::int64_t> online;
    std::optional<std::int64_t> total;
    friend bool operator==(const Nodes&, const Nodes&) = default;
};

struct Credits {
    std::optional<std::int64_t> creditsMicros;
    std::optional<QString> updated;
    friend bool operator==(const Credits&, const Credits&) = default;
};

struct Usage {
    std::optional<std::int64_t> windowHours;
    std::optional<std::int64_t> costMicros;
    std::optional<std::int64_t> requestCount;
    friend bool operator==(const Usage&, const Usage&) = default;
};

struct ByteCount {
    std::optional<std::int64_t> count;
    std::optional<std::int64_t> totalBytes;
    friend bool operator==(const ByteCount&, const ByteCount&) = default;
};

struct DriveSection {
    std::optional<std::int64_t> fileCount;
    std::optional<std::int64_t> totalBytes;
    friend bool operator==(const DriveSection&, const DriveSection&) = default;
};

struct Notification {
    QString id;
    std::optional<QString> created;
    std::optional<QString> source;
    std::optional<QString> level;
    std::optional<QString> title;
    friend bool operator==(const Notification&, const Notification&) = default;
};

struct Notifications {
    std::optional<std::int64_t> unread;
    std::optional<QList<Notification>> notifications;
    friend bool operator==(const Notifications&, const Notifications&) = default;
};

struct StatusSectionError {
    QString section;
    QString message;
    friend bool operator==(const StatusSectionError&, const StatusSectionError&) = default;
};

struct InternalStatus {
    std::optional<CLIInfo> cli;
    std::optional<bool> authenticated;
    std::optional<Account> account;
    std::optional<SpacesSection> spaces;
    std::optional<Nodes> nodes;
    std::optional<Credits> credits;
    std::optional<Usage> usage;
    std::optional<ByteCount> sites;
    std::optional<DriveSection> drive;
    std::optional<std::int64_t> secrets;
    std::optional<Notifications> notifications;
    std::optional<bool> partial;
    std::optional<QList<StatusSectionError>> errors;
    friend bool operator==(const InternalStatus&, const InternalStatus&) = default;
};

// Records of the account commands.
struct Profile {
    QString name;
    std::optional<bool> active;
    std::optional<bool> isDefault; // wire key "default"
    std::optional<QString> email;
    std::optional<QString> team;
};

struct AccountMe {
    std::optional<QString> id;
    std::optional<QString> email;
    std::optional<QString> teamId;
    std::optional<QString> teamName;
};

struct LoginClaim {
    std::optional<QString> status;
    std::optional<QString> url;
    std::optional<QString> token; // a credential: never stored, logged or shown
    std::optional<QString> expiresIn;
    std::optional<QString> resume;
    std::optional<QString> note;
    std::optional<bool> authenticated;
};

struct ClaimUser {
    std::optional<QString> id;
    std::optional<QString> email;
    std::optional<QString> firstName;
    std::optional<QString> lastName;
};

struct ClaimResult {
    std::optional<QString> status;
    std::optional<ClaimUser> user;
};

} // namespace tovi

Q_DECLARE_METATYPE(tovi::InternalStatus)
Q_DECLARE_METATYPE(tovi::Profile)
