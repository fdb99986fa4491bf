#include "model/DisplayRules.h"

#include <gtest/gtest.h>

using namespace tovi;

// Readable QString values in failure messages.
static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

const char* name(SpaceState s) {
    switch (s) {
    case SpaceState::ready:
        return "ready";
    case SpaceState::stopped:
        return "stopped";
    case SpaceState::attention:
        return "attention";
    case SpaceState::offline:
        return "offline";
    case SpaceState::unknown:
        return "unknown";
    }
    return "?";
}

Space space(const char16_t* id) {
    Space s;
    s.id = QString::fromUtf16(id);
    s.name = s.id;
    return s;
}

InternalStatus snapshot(QList<QList<Space>> spacesPerNode) {
    InternalStatus status;
    QList<SpaceNode> nodes;
    for (const QList<Space>& spaces : spacesPerNode)
        nodes.append(SpaceNode{u"n"_qs, u"N"_qs, true, true, spaces});
    status.spaces = SpacesSection{nodes};
    return status;
}

} // namespace

TEST(SpaceDisplay, StateAndLabelFollowTheFirstRuleThatApplies) {
    const struct {
        const char* what;
        Space space;
        SpaceState state;
        const char16_t* label;
    } rows[] = {
        {"bare", space(u"a"), SpaceState::unknown, u"Status unavailable"},
        {"unreachable beats stopped",
         [] {
             Space s = space(u"a");
             s.online = false;
             s.stopped = true;
             return s;
         }(),
         SpaceState::offline, u"Offline"},
        {"unreachable beats attention",
         [] {
             Space s = space(u"a");
             s.online = false;
             s.indicator = u"attention"_qs;
             return s;
         }(),
         SpaceState::offline, u"Offline"},
        {"online true alone tells nothing",
         [] {
             Space s = space(u"a");
             s.online = true;
             s.stopped = false;
             return s;
         }(),
         SpaceState::unknown, u"Status unavailable"},
        {"stopped beats attention",
         [] {
             Space s = space(u"a");
             s.stopped = true;
             s.indicator = u"attention"_qs;
             return s;
         }(),
         SpaceState::stopped, u"Stopped"},
        {"blank attention label",
         [] {
             Space s = space(u"a");
             s.indicator = u"ATTENTION"_qs;
             s.indicatorLabel = u"  "_qs;
             return s;
         }(),
         SpaceState::attention, u"Needs attention"},
        {"attention label trimmed, detail ignored",
         [] {
             Space s = space(u"a");
             s.indicator = u"Attention"_qs;
             s.indicatorLabel = u"\n Disk full \t"_qs;
             s.activityDetail = u"Copying"_qs;
             s.status = u"running"_qs;
             return s;
         }(),
         SpaceState::attention, u"Disk full"},
        {"indicator is not trimmed",
         [] {
             Space s = space(u"a");
             s.indicator = u" attention"_qs;
             return s;
         }(),
         SpaceState::unknown, u"Status unavailable"},
        {"status is not trimmed",
         [] {
             Space s = space(u"a");
             s.status = u"ready "_qs;
             return s;
         }(),
         SpaceState::unknown, u"Status unavailable"},
        {"capital Running",
         [] {
             Space s = space(u"a");
             s.status = u"Running"_qs;
             return s;
         }(),
         SpaceState::ready, u"Running"},
        {"ready",
         [] {
             Space s = space(u"a");
             s.status = u"ready"_qs;
             return s;
         }(),
         SpaceState::ready, u"Ready"},
        {"activity capitalised",
         [] {
             Space s = space(u"a");
             s.status = u"ready"_qs;
             s.activity = u"building image"_qs;
             return s;
         }(),
         SpaceState::ready, u"Building Image"},
        {"activity trimmed before capitalising",
         [] {
             Space s = space(u"a");
             s.status = u"RUNNING"_qs;
             s.activity = u"  DEPLOYING  "_qs;
             return s;
         }(),
         SpaceState::ready, u"Deploying"},
        {"blank activity falls back to the status word",
         [] {
             Space s = space(u"a");
             s.status = u"running"_qs;
             s.activity = u" \n"_qs;
             return s;
         }(),
         SpaceState::ready, u"Running"},
        {"activity only counts while ready",
         [] {
             Space s = space(u"a");
             s.stopped = true;
             s.activity = u"idle"_qs;
             return s;
         }(),
         SpaceState::stopped, u"Stopped"},
        {"detail wins over stopped",
         [] {
             Space s = space(u"a");
             s.stopped = true;
             s.activityDetail = u"  Saving snapshot\n"_qs;
             return s;
         }(),
         SpaceState::stopped, u"Saving snapshot"},
        {"detail wins over offline",
         [] {
             Space s = space(u"a");
             s.online = false;
             s.activityDetail = u"Reconnecting"_qs;
             return s;
         }(),
         SpaceState::offline, u"Reconnecting"},
        {"detail wins over activity",
         [] {
             Space s = space(u"a");
             s.status = u"ready"_qs;
             s.activity = u"pulling"_qs;
             s.activityDetail = u"Layer 3 of 7"_qs;
             return s;
         }(),
         SpaceState::ready, u"Layer 3 of 7"},
        {"blank detail ignored",
         [] {
             Space s = space(u"a");
             s.status = u"starting"_qs;
             s.activityDetail = u"   "_qs;
             return s;
         }(),
         SpaceState::unknown, u"Status unavailable"},
    };
    for (const auto& row : rows) {
        EXPECT_STREQ(name(state(row.space)), name(row.state)) << row.what;
        EXPECT_EQ(statusLabel(row.space), QString::fromUtf16(row.label)) << row.what;
    }
}

TEST(SpaceDisplay, CapitalizeWordsStartsEveryRunOfLetters) {
    const struct {
        const char16_t* in;
        const char16_t* out;
    } rows[] = {
        {u"building image", u"Building Image"},
        {u"BUILDING IMAGE", u"Building Image"},
        {u"re-run", u"Re-Run"},
        {u"v2beta", u"V2Beta"},
        {u"  two  spaces ", u"  Two  Spaces "},
        {u"élan VITAL", u"Élan Vital"},
        {u"", u""},
        {u"42", u"42"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(capitalizeWords(QString::fromUtf16(row.in)), QString::fromUtf16(row.out));
}

TEST(SnapshotAlertLevel, HighestConditionWins) {
    Space offline = space(u"off");
    offline.online = false;
    Space attention = space(u"att");
    attention.indicator = u"attention"_qs;
    Space ready = space(u"ok");
    ready.status = u"ready"_qs;

    InternalStatus s = snapshot({{ready, attention}, {offline}});
    s.notifications = Notifications{5, std::nullopt};
    EXPECT_EQ(alertLevel(s), StatusAlertLevel::offline) << "an offline space on a later node still counts";

    s = snapshot({{attention, ready}});
    s.notifications = Notifications{5, std::nullopt};
    EXPECT_EQ(alertLevel(s), StatusAlertLevel::attention);

    // A node marked offline with healthy spaces raises nothing: only spaces count.
    s = snapshot({{ready}});
    s.spaces->nodes->first().online = false;
    s.spaces->nodes->append(SpaceNode{u"m"_qs, u"M"_qs, false, true, std::nullopt});
    EXPECT_EQ(alertLevel(s), StatusAlertLevel::none);

    InternalStatus noSpaces;
    noSpaces.notifications = Notifications{2, std::nullopt};
    EXPECT_EQ(alertLevel(noSpaces), StatusAlertLevel::unread);
    noSpaces.notifications = Notifications{0, std::nullopt};
    EXPECT_EQ(alertLevel(noSpaces), StatusAlertLevel::none);
    noSpaces.notifications = Notifications{-3, std::nullopt};
    EXPECT_EQ(alertLevel(noSpaces), StatusAlertLevel::none);
    noSpaces.notifications = Notifications{std::nullopt, QList<Notification>{Notification{}}};
    EXPECT_EQ(alertLevel(noSpaces), StatusAlertLevel::none);
    noSpaces.notifications.reset();
    EXPECT_EQ(alertLevel(noSpaces), StatusAlertLevel::none);

    noSpaces.spaces = SpacesSection{std::nullopt};
    EXPECT_EQ(alertLevel(noSpaces), StatusAlertLevel::none);
}

TEST(NodeCountsRule, CountsOnlyNodesThatSayTheyAreOnline) {
    EXPECT_FALSE(nodeCounts(std::nullopt));
    EXPECT_EQ(nodeCounts(QList<SpaceNode>{}), (NodeCounts{0, 0}));

    QList<SpaceNode> nodes{{u"a"_qs, u"A"_qs, true, true, std::nullopt},
                           {u"b"_qs, u"B"_qs, false, true, std::nullopt},
                           {u"c"_qs, u"C"_qs, std::nullopt, std::nullopt, std::nullopt}};
    EXPECT_EQ(nodeCounts(nodes), (NodeCounts{1, 3}));
}
