#include "ui/StatusTexts.h"
#include "UiTestData.h"
#include "ui/PartialStatusWarning.h"
#include "ui/RelativeTimeFormatter.h"

#include <gtest/gtest.h>

using namespace tovi;
using namespace tovi::testing;

TEST(StatusTexts, SpaceStateLabelAndColourFollowTheState) {
    Space space;
    space.id = s("s1");
    space.name = s("web");

    space.status = s("RUNNING");
    EXPECT_EQ(spaceStateLabel(space), s("Running"));
    EXPECT_EQ(spaceStateColor(space), ColorRole::green);
    space.status = s("ready");
    EXPECT_EQ(spaceStateLabel(space), s("Ready"));

    space.stopped = true;
    EXPECT_EQ(spaceStateLabel(space), s("Stopped"));
    EXPECT_EQ(spaceStateColor(space), ColorRole::secondary);

    space.online = false; // unreachable outranks stopped
    EXPECT_EQ(spaceStateLabel(space), s("Offline"));
    EXPECT_EQ(spaceStateColor(space), ColorRole::red);

    Space attention;
    attention.indicator = s("Attention");
    EXPECT_EQ(spaceStateLabel(attention), s("Needs attention"));
    EXPECT_EQ(spaceStateColor(attention), ColorRole::amber);
    attention.indicatorLabel = s("");
    EXPECT_EQ(spaceStateLabel(attention), s("")); // only an absent label falls back
    attention.indicatorLabel = s("  Disk full ");
    EXPECT_EQ(spaceStateLabel(attention), s("  Disk full ")); // verbatim

    Space bare;
    EXPECT_EQ(spaceStateLabel(bare), s("Unknown"));
    EXPECT_EQ(spaceStateColor(bare), ColorRole::secondary);
}

TEST(StatusTexts, IdentityTitleFallsBackFromNameToEmailAndAddsTheTeam) {
    EXPECT_EQ(identityTitle(std::nullopt), s("Not signed in"));
    InternalStatus status;
    EXPECT_EQ(identityTitle(status), s("Not signed in"));

    status.account = Account{};
    status.account->team = s("Acme");
    EXPECT_EQ(identityTitle(status), s("Not signed in (Acme)"));
    status.account->email = s("ann@example.com");
    EXPECT_EQ(identityTitle(status), s("ann@example.com (Acme)"));
    status.account->name = s("Ann");
    EXPECT_EQ(identityTitle(status), s("Ann (Acme)"));
    status.account->team = s("");
    EXPECT_EQ(identityTitle(status), s("Ann"));
    status.account->team.reset();
    EXPECT_EQ(identityTitle(status), s("Ann"));
}

TEST(StatusTexts, ProfileTextPrefersTeamThenEmailAndChecksTheCurrentProfile) {
    Profile profile;
    profile.name = s("work");
    const auto text = [](const Profile& one) { return profileTexts({one}).at(0); };
    EXPECT_EQ(text(profile), (ProfileText{s("work"), false}));

    profile.email = s("ann@example.com");
    profile.team = s("");
    EXPECT_EQ(text(profile).text, s("work — ann@example.com"));
    profile.team = s("Acme");
    EXPECT_EQ(text(profile).text, s("work — Acme"));
    profile.email = s("");
    profile.team.reset();
    EXPECT_EQ(text(profile).text, s("work"));

    // The profile in use: the active one, else the default one.
    Profile home;
    home.name = s("default");
    home.isDefault = true;
    const auto checks = [&] {
        QList<bool> checked;
        for (const ProfileText& row : profileTexts({home, profile}))
            checked << row.checked;
        return checked;
    };
    profile.active = false;
    EXPECT_EQ(checks(), (QList<bool>{true, false}));
    profile.active = true; // switched away: the default one can be switched back to
    EXPECT_EQ(checks(), (QList<bool>{false, true}));
    home.isDefault = false;
    profile.active.reset();
    EXPECT_EQ(checks(), (QList<bool>{false, false}));
}

TEST(StatusTexts, RefreshAgeUsesJustNowBelowFiveSecondsThenTheRelativeFormatter) {
    const QDateTime now = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    EXPECT_EQ(refreshAge(std::nullopt, now), s("Refresh status now"));
    EXPECT_EQ(refreshAge(now, now), s("Last refreshed just now"));
    EXPECT_EQ(refreshAge(now.addMSecs(-4999), now), s("Last refreshed just now"));
    EXPECT_EQ(refreshAge(now.addSecs(-5), now), s("Last refreshed 5 seconds ago"));
    EXPECT_EQ(refreshAge(now.addSecs(-120), now), s("Last refreshed 2 minutes ago"));
    // A clock that stepped back leaves a time in the future: still "just now".
    EXPECT_EQ(refreshAge(now.addSecs(30), now), s("Last refreshed just now"));
}

TEST(RelativeTimeFormatter, PicksTheLargestWholeUnitAndItsPlural) {
    const QDateTime now = QDateTime(QDate(2024, 3, 15), QTime(12, 0), Qt::UTC);
    auto ago = [&](qint64 seconds) { return RelativeTimeFormatter::format(now.addSecs(-seconds), now); };
    EXPECT_EQ(ago(1), s("1 second ago"));
    EXPECT_EQ(ago(60), s("1 minute ago"));
    EXPECT_EQ(ago(119), s("1 minute ago"));
    EXPECT_EQ(ago(3599), s("59 minutes ago"));
    EXPECT_EQ(ago(3600), s("1 hour ago"));
    EXPECT_EQ(ago(2 * 3600 + 59 * 60), s("2 hours ago"));
    EXPECT_EQ(ago(86400), s("1 day ago"));
    EXPECT_EQ(ago(14 * 86400), s("2 weeks ago"));
    EXPECT_EQ(RelativeTimeFormatter::format(now.addMonths(-3), now), s("3 months ago"));
    EXPECT_EQ(RelativeTimeFormatter::format(now.addYears(-1), now), s("1 year ago"));
    EXPECT_EQ(RelativeTimeFormatter::format(now.addSecs(5), now), s("in 5 seconds"));
}

TEST(StatusTexts, NodeCountTextColourAndTooltip) {
    EXPECT_EQ(nodeCountText(2, 3),
              (NodeCountText{s("2/3 Nodes"), ColorRole::secondary, s("2 of 3 nodes online")}));
    EXPECT_EQ(nodeCountText(0, 0), (NodeCountText{s("0/0 Nodes"), ColorRole::red, s("0 of 0 nodes online")}));
}

TEST(StatusTexts, UnreadNotificationsTreatNegativeAsZero) {
    const UnreadText none{s("bell"), QString(), ColorRole::secondary, s("No unread notifications")};
    EXPECT_EQ(unreadText(0), none);
    EXPECT_EQ(unreadText(-4), none);
    EXPECT_EQ(unreadText(1),
              (UnreadText{s("bell.badge.fill"), s("1"), ColorRole::amber, s("1 unread notification")}));
    EXPECT_EQ(unreadText(1234).tooltip, s("1234 unread notifications"));
    EXPECT_EQ(unreadText(1234).countText, s("1234")); // no grouping separators

    InternalStatus status;
    EXPECT_EQ(unreadCount(std::nullopt), 0);
    EXPECT_EQ(unreadCount(status), 0);
    status.notifications = Notifications{};
    EXPECT_EQ(unreadCount(status), 0);
    status.notifications->unread = 7;
    EXPECT_EQ(unreadCount(status), 7);
}

TEST(StatusTexts, UpgradeControlChoosesTheUpdateFormByFlagOrVersionText) {
    EXPECT_EQ(upgradeControlText(std::nullopt), (UpgradeControlText{false, s("Upgrade")}));
    InternalStatus status;
    EXPECT_EQ(upgradeControlText(status), (UpgradeControlText{false, s("Upgrade")}));

    status.cli = CLIInfo{};
    EXPECT_EQ(upgradeControlText(status), (UpgradeControlText{false, s("Upgrade")}));
    status.cli->currentVersion = s("1.2.0");
    EXPECT_EQ(upgradeControlText(status), (UpgradeControlText{false, s("Up to date (1.2.0)")}));

    // Differing texts mean an update, with no version ordering: an "older" latest still counts.
    status.cli->latestVersion = s("1.1.9");
    EXPECT_EQ(upgradeControlText(status), (UpgradeControlText{true, s("Upgrade to 1.1.9")}));
    status.cli->latestVersion = s("1.2.0");
    EXPECT_FALSE(upgradeControlText(status).updateForm);

    // The flag, when present, decides.
    status.cli->latestVersion = s("2.0.0");
    status.cli->updateAvailable = false;
    EXPECT_EQ(upgradeControlText(status), (UpgradeControlText{false, s("Up to date (1.2.0)")}));
    status.cli->updateAvailable = true;
    status.cli->latestVersion.reset();
    EXPECT_EQ(upgradeControlText(status), (UpgradeControlText{true, s("Upgrade")}));
}

TEST(StatusTexts, VersionHeading) {
    EXPECT_EQ(versionHeading(s("1.0.0"), s("42")), s("Tovi 1.0.0 (42)"));
    EXPECT_EQ(versionHeading(QString(), QString()), s("Tovi ? (?)"));
}

TEST(Banners, PartialSummaryListsSectionNamesInOrder) {
    EXPECT_EQ(partialSummary({}), s("Some status sections could not be loaded."));
    EXPECT_EQ(partialSummary({{s("spaces"), s("boom")}, {s("usage"), s("timeout")}}),
              s("Unavailable sections: spaces, usage."));
    EXPECT_EQ(partialSummary({{s("usage"), s("a")}, {s("usage"), s("b")}}),
              s("Unavailable sections: usage, usage."));
}
