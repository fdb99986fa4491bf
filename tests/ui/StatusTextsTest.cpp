#include "ui/StatusTexts.h"
#include "UiTestData.h"
#include "ui/PartialStatusWarning.h"
#include "ui/RelativeTimeFormatter.h"

#include <gtest/gtest.h>

using namespace tovi;
using namespace tovi::testing;

TEST(StatusTexts, SpaceStateFollowsTheFirstConditionThatHolds) {
    Space space;
    EXPECT_EQ(spaceStateLabel(space), s("Unknown"));
    EXPECT_EQ(spaceStateColor(space), ColorRole::secondary);
    space.status = s("RUNNING");
    EXPECT_EQ(spaceStateLabel(space), s("Running"));
    EXPECT_EQ(spaceStateColor(space), ColorRole::green);
    space.stopped = true;
    EXPECT_EQ(spaceStateLabel(space), s("Stopped"));
    space.online = false; // unreachable outranks stopped
    EXPECT_EQ(spaceStateLabel(space), s("Offline"));
    EXPECT_EQ(spaceStateColor(space), ColorRole::red);
    Space attention;
    attention.indicator = s("Attention");
    EXPECT_EQ(spaceStateLabel(attention), s("Needs attention"));
    EXPECT_EQ(spaceStateColor(attention), ColorRole::amber);
    attention.indicatorLabel = s("  Disk full ");
    EXPECT_EQ(spaceStateLabel(attention), s("  Disk full ")); // verbatim
}

TEST(StatusTexts, IdentityAndProfileTexts) {
    InternalStatus status;
    EXPECT_EQ(identityTitle(status), s("Not signed in"));
    status.account = Account{};
    status.account->team = s("Acme");
    status.account->email = s("ann@example.com");
    EXPECT_EQ(identityTitle(status), s("ann@example.com (Acme)"));
    status.account->name = s("Ann");
    EXPECT_EQ(identityTitle(status), s("Ann (Acme)"));
    status.account->team = s("");
    EXPECT_EQ(identityTitle(status), s("Ann"));

    // A profile reads "name — team", else "name — email"; the one in use is the active one,
    // else the default one.
    Profile home;
    home.name = s("default");
    home.isDefault = true;
    Profile work;
    work.name = s("work");
    work.email = s("ann@example.com");
    work.team = s("");
    EXPECT_EQ(profileTexts({home, work}),
              (QList<ProfileText>{{s("default"), true}, {s("work — ann@example.com"), false}}));
    work.team = s("Acme");
    work.active = true;
    EXPECT_EQ(profileTexts({home, work}),
              (QList<ProfileText>{{s("default"), false}, {s("work — Acme"), true}}));
}

TEST(StatusTexts, TimesCountsAndVersions) {
    const QDateTime now = QDateTime(QDate(2024, 3, 15), QTime(12, 0), Qt::UTC);
    EXPECT_EQ(refreshAge(std::nullopt, now), s("Refresh status now"));
    EXPECT_EQ(refreshAge(now.addMSecs(-4999), now), s("Last refreshed just now"));
    EXPECT_EQ(refreshAge(now.addSecs(-5), now), s("Last refreshed 5 seconds ago"));
    EXPECT_EQ(refreshAge(now.addSecs(30), now), s("Last refreshed just now")); // a clock stepped back
    auto ago = [&](qint64 seconds) { return RelativeTimeFormatter::format(now.addSecs(-seconds), now); };
    EXPECT_EQ(ago(1), s("1 second ago"));
    EXPECT_EQ(ago(119), s("1 minute ago"));
    EXPECT_EQ(ago(2 * 3600 + 59 * 60), s("2 hours ago"));
    EXPECT_EQ(ago(14 * 86400), s("2 weeks ago"));
    EXPECT_EQ(RelativeTimeFormatter::format(now.addMonths(-11), now), s("11 months ago"));
    EXPECT_EQ(RelativeTimeFormatter::format(now.addYears(-1), now), s("1 year ago"));
    EXPECT_EQ(RelativeTimeFormatter::format(now.addSecs(5), now), s("in 5 seconds"));

    EXPECT_EQ(nodeCountText(0, 0), (NodeCountText{s("0/0 Nodes"), ColorRole::red, s("0 of 0 nodes online")}));
    EXPECT_EQ(nodeCountText(1, 3).color, ColorRole::secondary);
    EXPECT_EQ(unreadText(-4),
              (UnreadText{s("bell"), QString(), ColorRole::secondary, s("No unread notifications")}));
    EXPECT_EQ(unreadText(1),
              (UnreadText{s("bell.badge.fill"), s("1"), ColorRole::amber, s("1 unread notification")}));
    EXPECT_EQ(unreadText(1234).tooltip, s("1234 unread notifications"));

    // Differing version texts mean an update, with no ordering; the flag, when present, decides.
    InternalStatus status;
    EXPECT_EQ(upgradeControlText(status), (UpgradeControlText{false, s("Upgrade")}));
    status.cli = CLIInfo{};
    status.cli->currentVersion = s("1.2.0");
    EXPECT_EQ(upgradeControlText(status), (UpgradeControlText{false, s("Up to date (1.2.0)")}));
    status.cli->latestVersion = s("1.1.9");
    EXPECT_EQ(upgradeControlText(status), (UpgradeControlText{true, s("Upgrade to 1.1.9")}));
    status.cli->updateAvailable = false;
    EXPECT_FALSE(upgradeControlText(status).updateForm);
    status.cli->updateAvailable = true;
    status.cli->latestVersion.reset();
    EXPECT_EQ(upgradeControlText(status), (UpgradeControlText{true, s("Upgrade")}));

    EXPECT_EQ(versionHeading(s("1.0.0"), s("42")), s("Tovi 1.0.0 (42)"));
    EXPECT_EQ(versionHeading(QString(), QString()), s("Tovi ? (?)"));
    EXPECT_EQ(partialSummary({}), s("Some status sections could not be loaded."));
    EXPECT_EQ(partialSummary({{s("spaces"), s("boom")}, {s("usage"), s("timeout")}}),
              s("Unavailable sections: spaces, usage."));
}
