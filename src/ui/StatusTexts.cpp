#include "ui/StatusTexts.h"

#include "model/DisplayRules.h"
#include "ui/RelativeTimeFormatter.h"
#include "ui/ShownText.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

namespace tovi {

QString spaceStateLabel(const Space& space) {
    switch (state(space)) {
    case SpaceState::ready:
        return space.status ? capitalizeWords(*space.status)
                            : QCoreApplication::translate("StatusTexts", "Ready");
    case SpaceState::stopped:
        return QCoreApplication::translate("StatusTexts", "Stopped");
    case SpaceState::attention:
        return space.indicatorLabel.value_or(QCoreApplication::translate("StatusTexts", "Needs attention"));
    case SpaceState::offline:
        return QCoreApplication::translate("StatusTexts", "Offline");
    case SpaceState::unknown:
        return QCoreApplication::translate("StatusTexts", "Unknown");
    }
    return {};
}

ColorRole spaceStateColor(const Space& space) {
    switch (state(space)) {
    case SpaceState::ready:
        return ColorRole::green;
    case SpaceState::stopped:
        return ColorRole::secondary;
    case SpaceState::attention:
        return ColorRole::amber;
    case SpaceState::offline:
        return ColorRole::red;
    case SpaceState::unknown:
        return ColorRole::secondary;
    }
    return ColorRole::secondary;
}

QString identityTitle(const std::optional<InternalStatus>& status) {
    const QString notSignedIn = QCoreApplication::translate("StatusTexts", "Not signed in");
    if (!status || !status->account)
        return notSignedIn;
    const Account& account = *status->account;
    // Each part bounded on its own, so that a long name still leaves the team in sight.
    const QString base = shownLine(account.name    ? *account.name
                                   : account.email ? *account.email
                                                   : notSignedIn);
    if (account.team && !account.team->isEmpty())
        return base + QStringLiteral(" (") + shownLine(*account.team) + u')';
    return base;
}

QList<ProfileText> profileTexts(const QList<Profile>& profiles) {
    const QString dash = QStringLiteral(" \u2014 ");
    const bool anyActive = std::any_of(profiles.begin(), profiles.end(),
                                       [](const Profile& profile) { return profile.active.value_or(false); });
    QList<ProfileText> rows;
    rows.reserve(profiles.size());
    for (const Profile& profile : profiles) {
        ProfileText row;
        const QString name = shownLine(profile.name);
        if (profile.team && !profile.team->isEmpty())
            row.text = name + dash + shownLine(*profile.team);
        else if (profile.email && !profile.email->isEmpty())
            row.text = name + dash + shownLine(*profile.email);
        else
            row.text = name;
        row.checked = anyActive ? profile.active.value_or(false) : profile.isDefault.value_or(false);
        rows.append(row);
    }
    return rows;
}

QString refreshAge(const std::optional<QDateTime>& lastUpdated, const QDateTime& now) {
    if (!lastUpdated)
        return QCoreApplication::translate("StatusTexts", "Refresh status now");
    // Milliseconds, so that exactly five seconds is no longer "just now".
    if (lastUpdated->msecsTo(now) < 5000)
        return QCoreApplication::translate("StatusTexts", "Last refreshed just now");
    return QCoreApplication::translate("StatusTexts", "Last refreshed %1")
        .arg(RelativeTimeFormatter::format(*lastUpdated, now));
}

NodeCountText nodeCountText(std::int64_t online, std::int64_t total) {
    const QString on = QString::number(online);
    const QString all = QString::number(total);
    return {QCoreApplication::translate("StatusTexts", "%1/%2 Nodes").arg(on, all),
            online < 1 ? ColorRole::red : ColorRole::secondary,
            QCoreApplication::translate("StatusTexts", "%1 of %2 nodes online").arg(on, all)};
}

UnreadText unreadText(std::int64_t unread) {
    if (unread < 1)
        return {QStringLiteral("bell"),
                {},
                ColorRole::secondary,
                QCoreApplication::translate("StatusTexts", "No unread notifications")};
    const QString count = QString::number(unread);
    // The plural is chosen from an int: past its range, a stand-in with the same last six
    // digits (all that plural rules look at besides size) chooses it, and the count is put back.
    constexpr std::int64_t intLimit = std::numeric_limits<int>::max();
    const int chooser = unread <= intLimit ? int(unread) : int(1'000'000'000 + unread % 1'000'000);
    QString tooltip =
        QCoreApplication::translate("StatusTexts", "%n unread notification(s)", nullptr, chooser);
    if (unread > intLimit)
        tooltip.replace(QString::number(chooser), count);
    return {QStringLiteral("bell.badge.fill"), count, ColorRole::amber, tooltip};
}

std::int64_t unreadCount(const std::optional<InternalStatus>& status) {
    if (!status || !status->notifications)
        return 0;
    return status->notifications->unread.value_or(0);
}

ServiceStateText serviceStateText(const DaemonState& state) {
    if (state.running)
        return {QCoreApplication::translate("StatusTexts", "Service running"), ColorRole::green,
                QCoreApplication::translate("StatusTexts",
                                            "Service is running and hosting spaces on this machine")};
    return {
        QCoreApplication::translate("StatusTexts", "Service stopped"), ColorRole::red,
        QCoreApplication::translate("StatusTexts", "Service is stopped — spaces won't run on this machine")};
}

UpgradeControlText upgradeControlText(const std::optional<InternalStatus>& status) {
    const QString upgrade = QCoreApplication::translate("StatusTexts", "Upgrade");
    if (!status || !status->cli)
        return {false, upgrade};
    const CLIInfo& cli = *status->cli;
    const bool updateForm = cli.updateAvailable ? *cli.updateAvailable
                                                : (cli.currentVersion && cli.latestVersion &&
                                                   *cli.currentVersion != *cli.latestVersion);
    if (updateForm)
        return {true, cli.latestVersion ? QCoreApplication::translate("StatusTexts", "Upgrade to %1")
                                              .arg(shownLine(*cli.latestVersion))
                                        : upgrade};
    return {false, cli.currentVersion ? QCoreApplication::translate("StatusTexts", "Up to date (%1)")
                                            .arg(shownLine(*cli.currentVersion))
                                      : upgrade};
}

QString versionHeading(const QString& version, const QString& buildNumber) {
    const QString question = QStringLiteral("?");
    return QCoreApplication::translate("StatusTexts", "Tovi %1 (%2)")
        .arg(version.isEmpty() ? question : version, buildNumber.isEmpty() ? question : buildNumber);
}

} // namespace tovi
