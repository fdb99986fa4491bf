#include "model/DisplayRules.h"
#include "model/Decoding.h"
#include "model/Logging.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

using namespace tovi;

namespace {

// A snapshot as the CLI prints it, from the inside of the spaces section's node list.
InternalStatus snapshot(const char* nodes, const char* rest = "") {
    const QByteArray json = QByteArray(R"({"spaces": {"nodes": [)") + nodes + "]}" + rest + '}';
    Result<InternalStatus> r = decodeInternalStatus(json);
    EXPECT_TRUE(r.ok()) << json.constData();
    return r.ok() ? *r : InternalStatus{};
}

// One space with the given fields besides id and name.
Space space(const char* fields) {
    const QByteArray node = QByteArray(R"({"id": "n", "name": "N", "spaces": [{"id": "s", "name": "S")") +
                            (*fields ? ", " : "") + fields + "}]}";
    const InternalStatus s = snapshot(node.constData());
    return s.spaces ? s.spaces->nodes->at(0).spaces->at(0) : Space{};
}

} // namespace

TEST(SpaceDisplay, StateAndLabelFollowTheFirstRuleThatApplies) {
    const struct {
        const char* fields;
        SpaceState state;
        const char* label;
    } rows[] = {
        {"", SpaceState::unknown, "Status unavailable"},
        {R"("online": false, "stopped": true)", SpaceState::offline, "Offline"},
        {R"("online": true, "stopped": false)", SpaceState::unknown, "Status unavailable"},
        {R"("stopped": true, "indicator": "attention")", SpaceState::stopped, "Stopped"},
        {R"("indicator": "ATTENTION", "indicator_label": "  ")", SpaceState::attention, "Needs attention"},
        {R"("indicator": "Attention", "indicator_label": "\n Disk full \t", "activity_detail": "Copying",
            "status": "running")",
         SpaceState::attention, "Disk full"},
        {R"("indicator": " attention")", SpaceState::unknown, "Status unavailable"},
        {R"("status": "Running")", SpaceState::ready, "Running"},
        {R"("status": "ready", "activity": "building image")", SpaceState::ready, "Building Image"},
        {R"("status": "running", "activity": " \n")", SpaceState::ready, "Running"},
        {R"("stopped": true, "activity_detail": "  Saving snapshot\n")", SpaceState::stopped,
         "Saving snapshot"},
        {R"("online": false, "activity_detail": "Reconnecting")", SpaceState::offline, "Reconnecting"},
        {R"("status": "starting", "activity_detail": "   ")", SpaceState::unknown, "Status unavailable"},
    };
    for (const auto& row : rows) {
        const Space s = space(row.fields);
        EXPECT_EQ(int(state(s)), int(row.state)) << row.fields;
        EXPECT_EQ(statusLabel(s), QString::fromUtf8(row.label)) << row.fields;
    }
}

TEST(SpaceDisplay, CapitalizeWordsStartsEveryRunOfLetters) {
    for (const char* row : {"building image|Building Image", "re-run|Re-Run", "  two  spaces |  Two  Spaces ",
                            "élan VITAL|Élan Vital", "don't stop|Don't Stop", "L’EAU d’été|L’eau D’été",
                            "'quoted' rock 'n' roll|'Quoted' Rock 'N' Roll"}) {
        const QStringList io = QString::fromUtf8(row).split(u'|');
        EXPECT_EQ(capitalizeWords(io[0]), io[1]);
    }
}

TEST(SnapshotRules, AlertLevelSignedOutAndNodeCounts) {
    const char* offline = R"({"id": "o", "name": "O", "online": false})";
    const char* attention = R"({"id": "a", "name": "A", "indicator": "attention"})";
    const char* ready = R"({"id": "r", "name": "R", "status": "ready"})";
    const auto node = [](const char* spaces) {
        return QByteArray(R"({"id": "n", "name": "N", "spaces": [)") + spaces + "]}";
    };
    const QByteArray mixed = node(QByteArray(ready) + ',' + attention) + ',' + node(offline);
    const struct {
        QByteArray nodes;
        const char* rest;
        StatusAlertLevel level;
    } rows[] = {
        {mixed, R"(, "notifications": {"unread": 5})", StatusAlertLevel::offline},
        {node(QByteArray(attention) + ',' + ready), R"(, "notifications": {"unread": 5})",
         StatusAlertLevel::attention},
        // Only spaces count: an offline node, or one without a space list, raises nothing.
        {node(ready).replace("\"N\"", "\"N\", \"online\": false") +
             R"(, {"id": "m", "name": "M", "online": false})",
         "", StatusAlertLevel::none},
        {"", R"(, "notifications": {"unread": 1})", StatusAlertLevel::unread},
        {"", R"(, "notifications": {"unread": -3})", StatusAlertLevel::none},
        {"", R"(, "notifications": {"notifications": [{"id": "x"}]})", StatusAlertLevel::none},
    };
    for (const auto& row : rows)
        EXPECT_EQ(int(alertLevel(snapshot(row.nodes.constData(), row.rest))), int(row.level))
            << row.nodes.constData() << row.rest;

    // No spaces section at all, or one without a node list.
    EXPECT_EQ(alertLevel(*decodeInternalStatus(R"({"notifications": {"unread": 1}})")),
              StatusAlertLevel::unread);
    EXPECT_EQ(alertLevel(*decodeInternalStatus(R"({"spaces": {}})")), StatusAlertLevel::none);

    // Signed out only when a snapshot says so.
    EXPECT_FALSE(isSignedOut(std::nullopt));
    for (const auto& [rest, out] :
         {std::pair{"", false}, {R"(, "authenticated": true)", false}, {R"(, "authenticated": false)", true}})
        EXPECT_EQ(isSignedOut(snapshot("", rest)), out) << rest;
    // Only nodes that say they are online count as online.
    EXPECT_FALSE(nodeCounts(std::nullopt));
    EXPECT_EQ(nodeCounts(QList<SpaceNode>{}), (NodeCounts{0, 0}));
    const InternalStatus s = snapshot(R"({"id": "a", "name": "A", "online": true},
                                        {"id": "b", "name": "B", "online": false}, {"id": "c", "name": "C"})");
    EXPECT_EQ(nodeCounts(s.spaces->nodes), (NodeCounts{1, 3}));
}

// What reaches the log from the CLI or a file: controls, bidirectional and invisible format
// characters and lone surrogates written as escapes, so a log line reads as it was sent.
TEST(Logging, TextIsWrittenWithItsInvisibleCharactersEscaped) {
    const std::pair<QString, QString> rows[] = {
        {u"plain text é 😀"_qs, u"plain text é 😀"_qs},
        {u"a\\b"_qs, u"a\\\\b"_qs},
        {u"\x1b[31mred"_qs, u"\\u{1b}[31mred"_qs},
        {u"left\u202Eright\u2028"_qs, u"left\\u{202e}right\\u{2028}"_qs},
        {u"tag "_qs + QString::fromUcs4(U"\U000E0041"), u"tag \\u{e0041}"_qs},
        {u"a"_qs + QChar(0xDC00) + u"b"_qs, u"a\\u{dc00}b"_qs},
        {u"end"_qs + QChar(0xD83D), u"end\\u{d83d}"_qs},
    };
    for (const auto& [text, logged] : rows)
        EXPECT_EQ(loggableText(text), logged) << text.toStdString();
}
