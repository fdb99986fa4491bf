#include "ui/StatusTexts.h"
#include "UiTestData.h"
#include "ui/PartialStatusWarning.h"
#include "ui/RelativeTimeFormatter.h"

#include <gtest/gtest.h>

using namespace tovi;
using namespace tovi::testing;

// One row per state; which state a space is in belongs to the model's display rules.
TEST(StatusTexts, SpaceStateLabelAndColour) {
    const struct {
        Space space;
        const char* label;
        ColorRole color;
    } rows[] = {
        {Space{}, "Unknown", ColorRole::secondary},
        {Space{.status = s("RUNNING")}, "Running", ColorRole::green},
        {Space{.stopped = true}, "Stopped", ColorRole::secondary},
        {Space{.online = false}, "Offline", ColorRole::red},
        {Space{.indicator = s("attention")}, "Needs attention", ColorRole::amber},
        {Space{.indicator = s("attention"), .indicatorLabel = s("  Disk full ")}, "  Disk full ",
         ColorRole::amber},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(spaceStateLabel(row.space), s(row.label));
        EXPECT_EQ(spaceStateColor(row.space), row.color) << row.label;
    }
}

TEST(StatusTexts, IdentityAndProfileTexts) {
    InternalStatus status;
    EXPECT_EQ(identityTitle(status), s("Not signed in"));
    status.account = Account{.email = s("ann@example.com"), .team = s("Acme")};
    EXPECT_EQ(identityTitle(status), s("ann@example.com (Acme)"));
    status.account->name = s("Ann");
    EXPECT_EQ(identityTitle(status), s("Ann (Acme)"));
    status.account->team = s("");
    EXPECT_EQ(identityTitle(status), s("Ann"));

    // "name — team", else "name — email"; the one in use is the active one, else the default one.
    const Profile home{.name = s("default"), .isDefault = true};
    Profile work{.name = s("work"), .email = s("ann@example.com"), .team = s("")};
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
    const std::pair<QDateTime, const char*> ages[] = {
        {now.addSecs(-1), "1 second ago"},     {now.addSecs(-119), "1 minute ago"},
        {now.addSecs(-10740), "2 hours ago"},  {now.addDays(-23), "3 weeks ago"},
        {now.addMonths(-11), "11 months ago"}, {now.addYears(-1), "1 year ago"},
        {now.addSecs(5), "in 5 seconds"},
    };
    for (const auto& [then, text] : ages)
        EXPECT_EQ(RelativeTimeFormatter::format(then, now), s(text));

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
    status.cli = CLIInfo{.currentVersion = s("1.2.0")};
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
