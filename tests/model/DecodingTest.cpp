#include "model/Decoding.h"
#include "support/TestUtil.h"

#include <QFile>
#include <gtest/gtest.h>

#include <limits>

using namespace tovi;

namespace {

QString errorOf(const Result<InternalStatus>& r) {
    return r.ok() ? u"<decoded>"_qs : r.error().text;
}

InternalStatus decoded(const char* json) {
    Result<InternalStatus> r = decodeInternalStatus(QByteArray(json));
    EXPECT_TRUE(r.ok()) << json << " -> " << qPrintable(errorOf(r));
    return r.ok() ? r.value() : InternalStatus{};
}

} // namespace

TEST(WireKeys, SnakeCaseConvertsAndConvertedKeysMatchFieldsExactly) {
    for (const QString& row : u"credits_micros=creditsMicros USER_ID=userId currentVersion=currentVersion "
                              u"_partial=_partial __user_id__=__userId__ team_ID_name=teamIdName "
                              u"ÉTAT_ÉTÉ=étatÉté ___=___"_qs.split(u' '))
        EXPECT_EQ(convertWireKey(row.section(u'=', 0, 0)), row.section(u'=', 1)) << qPrintable(row);
    // The CLI's snake_case and an already camelCase key decode the same way.
    for (const char* json : {R"({"cli": {"current_version": "1.2.0", "update_available": true}})",
                             R"({"cli": {"currentVersion": "1.2.0", "update_available": true}})",
                             R"({"cli": {"current\u005fversion": "1.2.0", "update_available": true}})"})
        EXPECT_EQ(decoded(json).cli, (CLIInfo{u"1.2.0"_qs, std::nullopt, true})) << json;
    // Outer underscores and case differences match no field; unknown keys are skipped.
    EXPECT_EQ(decoded(R"({"sites": {"total__bytes": 7}, "_partial": true, "Partial": true,
                          "partial_": true, "mystery": {"x": [1, 2]}, "secretsCount": 4})"),
              (InternalStatus{.sites = ByteCount{std::nullopt, 7}}));
}

TEST(DecodeErrors, NameThePathToTheFirstValueOfTheWrongTypeAndCountsStayExact) {
    const std::string deep = "{\"errors\": " + std::string(5000, '[') + std::string(5000, ']') + "}";
    const struct {
        const char* json;
        const char* error;
    } rows[] = {
        {R"({"credits": {"credits_micros": 5000}})", "<decoded>"},
        {R"({"credits": {"credits_micros": 5.0}})", "<decoded>"},
        {R"({"credits": {"credits_micros": "5000"}})",
         "credits.creditsMicros: expected a whole number, found a string"},
        {R"({"credits": {"credits_micros": 5.5}})",
         "credits.creditsMicros: expected a whole number, found 5.5"},
        {R"({"credits": {"credits_micros": 9223372036854775808}})",
         "credits.creditsMicros: expected a whole number within the signed 64-bit range, found "
         "9.22337203685478e+18"},
        // Decided from the digits written, not from the double they round to.
        {R"({"credits": {"credits_micros": -9223372036854775809}})",
         "credits.creditsMicros: expected a whole number within the signed 64-bit range, found "
         "-9.22337203685478e+18"},
        {R"({"credits": {"credits_micros": 4503599627370497.5}})",
         "credits.creditsMicros: expected a whole number, found a fraction"},
        {R"({"credits": {"credits_micros": 1e-400}})",
         "credits.creditsMicros: expected a whole number, found a fraction"},
        {R"({"credits": {"credits_micros": -1e999}})",
         "credits.creditsMicros: expected a whole number within the signed 64-bit range, found "
         "-1.79769313486232e+308"},
        {"{\"account\": {\"email\": \"a\xff\"}}",
         "tovi's output isn't valid JSON (invalid UTF8 string at offset 24)."},
        {deep.c_str(), "tovi's output isn't valid JSON (too deeply nested document at offset 1035)."},
        {R"({"credits": {"credits_micros": true}})",
         "credits.creditsMicros: expected a whole number, found true"},
        {R"({"secrets": [3]})", "secrets: expected a whole number, found an array"},
        {R"({"authenticated": 1})", "authenticated: expected true or false, found a number"},
        {R"({"authenticated": "true"})", "authenticated: expected true or false, found a string"},
        {R"({"cli": {"current_version": 1.2}})", "cli.currentVersion: expected a string, found a number"},
        {R"({"cli": "1.2.0"})", "cli: expected an object, found a string"},
        {R"({"spaces": {"nodes": {}}})", "spaces.nodes: expected an array, found an object"},
        {R"({"errors": [{"section": "credits", "message": "x"}, "oops"]})",
         "errors[1]: expected an object, found a string"},
        {R"({"spaces": {"nodes": [{"id": "n", "name": "N", "spaces": [
             {"id": "a", "name": "A"}, {"id": "b", "name": "B"}, {"id": "c", "name": null}]}]}})",
         "spaces.nodes[0].spaces[2].name: expected a string, found null"},
        {R"({"spaces": {"nodes": [{"id": "n", "name": "N", "spaces": [{"id": "a", "name": "A"}, {"name": "B"}]}]}})",
         "spaces.nodes[0].spaces[1].id: missing required value"},
        {R"({"notifications": {"notifications": [{"id": "1"}, {"id": 2}]}})",
         "notifications.notifications[1].id: expected a string, found a number"},
        {R"({"errors": [{"section": "credits"}]})", "errors[0].message: missing required value"},
        {R"([])", "expected an object, found an array"},
        {R"({"cli": {"current_version": "1.2)",
         "tovi's output isn't valid JSON (unterminated string at offset 33)."},
        {R"({} {})", "tovi's output isn't valid JSON (garbage at the end of the document at offset 3)."},
        {"", "tovi printed no output where JSON was expected."},
        // The first failure in field-table order is the one reported, not one further down.
        {R"({"secrets": "x", "cli": 1})", "cli: expected an object, found a number"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(errorOf(decodeInternalStatus(row.json)), QString::fromUtf8(row.error)) << row.json;
    // Counts keep every 64-bit value exact: above 2^53 a double would round the request count.
    using Limits = std::numeric_limits<std::int64_t>;
    EXPECT_EQ(decoded(R"({"credits": {"credits_micros": 9223372036854775807}, "usage": {"window_hours": 5.0,
                          "cost_micros": -9223372036854775808, "request_count": 9007199254740993}})"),
              (InternalStatus{.credits = Credits{Limits::max(), {}},
                              .usage = Usage{5, Limits::min(), 9007199254740993}}));
    // Written with a fraction or an exponent, still exact; a huge number under an ignored key
    // does not fail the document.
    EXPECT_EQ(decoded(R"({"credits": {"credits_micros": 9223372036854775807.0}, "mystery": [1e999, -1e999],
                          "usage": {"window_hours": 5e0, "cost_micros": -92233720368547758.08e2,
                                    "request_count": 9007199254740993.000}, "secrets": 0.0e-7})"),
              (InternalStatus{.credits = Credits{Limits::max(), {}},
                              .usage = Usage{5, Limits::min(), 9007199254740993},
                              .secrets = 0}));
}

TEST(RequiredAndOptional, MissingOrNullOptionalsAreAbsentAndRequiredOnesFail) {
    EXPECT_EQ(decoded("{}"), InternalStatus{});
    EXPECT_EQ(decoded(R"({"cli": null, "secrets": null, "errors": null,
                          "account": {"user_id": null, "email": "a@b.c"}})"),
              (InternalStatus{.account = Account{.email = u"a@b.c"_qs}}));
    const Space bare{.id = u"s"_qs, .name = u"S"_qs};
    EXPECT_EQ(
        decoded(R"({"spaces": {"nodes": [{"id": "n", "name": "N", "spaces": [{"id": "s", "name": "S"}]}]}})"),
        (InternalStatus{.spaces = SpacesSection{QList<SpaceNode>{
                            {.id = u"n"_qs, .name = u"N"_qs, .spaces = QList<Space>{bare}}}}}));
    EXPECT_EQ(decoded(R"({"notifications": {"unread": 3}})").notifications, (Notifications{3, std::nullopt}));
}

TEST(SnapshotDocuments, TypicalAndPartialSnapshotsDecode) {
    QFile file(QStringLiteral(TOVI_TEST_DATA_DIR "/fixtures/status-typical.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const Result<InternalStatus> r = decodeInternalStatus(file.readAll());
    ASSERT_TRUE(r.ok()) << qPrintable(r.error().text);
    const InternalStatus& s = *r;
    EXPECT_EQ(s.cli, (CLIInfo{u"1.8.2"_qs, u"1.9.0"_qs, true}));
    EXPECT_EQ(s.account, (Account{u"usr_01HZX4"_qs, u"maya@example.com"_qs, u"Maya Lindqvist"_qs,
                                  u"Lindqvist Labs"_qs}));
    ASSERT_EQ(s.spaces->nodes->size(), 3);
    QStringList ids;
    for (const SpaceNode& node : *s.spaces->nodes)
        for (const Space& space : *node.spaces)
            ids << space.id;
    EXPECT_EQ(ids.join(u' '), u"sp_api sp_db sp_scratch sp_worker sp_preview"_qs);
    // Every wire key of a space and a node, against the fixture's own words.
    const SpaceNode& laptop = s.spaces->nodes->at(1);
    EXPECT_EQ(laptop, (SpaceNode{u"node_laptop"_qs, u"maya-laptop"_qs, false, true,
                                 QList<Space>{{u"sp_scratch"_qs,
                                               u"scratch"_qs,
                                               u"terminal"_qs,
                                               false,
                                               false,
                                               u"running"_qs,
                                               {},
                                               {},
                                               {},
                                               {},
                                               u"2024-05-01T22:41:10Z"_qs,
                                               u"2024-05-01T22:41:10Z"_qs}}}));
    EXPECT_EQ(s.spaces->nodes->at(0).spaces->at(1), (Space{u"sp_db"_qs,
                                                           u"postgres"_qs,
                                                           u"database"_qs,
                                                           true,
                                                           false,
                                                           u"running"_qs,
                                                           u"attention"_qs,
                                                           u"Disk 92% full"_qs,
                                                           u"idle"_qs,
                                                           {},
                                                           u"2024-05-02T09:14:00Z"_qs,
                                                           u"2024-05-02T09:13:59Z"_qs}));
    EXPECT_EQ(s.nodes, (Nodes{2, 3}));
    EXPECT_EQ(s.usage, (Usage{24, 1830000, 4211}));
    EXPECT_EQ(s.secrets, 17);
    EXPECT_EQ(s.sites, (ByteCount{4, 73400320}));
    EXPECT_EQ(s.drive, (DriveSection{1288, 5368709120LL}));
    EXPECT_EQ(s.credits, (Credits{12500000, u"2024-05-02T09:10:00Z"_qs}));
    ASSERT_EQ(s.notifications->notifications->size(), 2);
    EXPECT_EQ(s.notifications->notifications->at(1),
              (Notification{u"ntf_2"_qs, u"2024-05-01T22:41:12Z"_qs, u"node_laptop"_qs, u"info"_qs,
                            u"maya-laptop went offline"_qs}));
    EXPECT_EQ(s.partial, false);
    EXPECT_EQ(s.errors, QList<StatusSectionError>{});

    // A partial snapshot is still a snapshot: the failed sections are named, the rest stands.
    const QList<StatusSectionError> failed{{u"credits"_qs, u"timed out"_qs}};
    const SpacesSection noNodes{QList<SpaceNode>{}};
    EXPECT_EQ(decoded(R"({"authenticated": true, "spaces": {"nodes": []}, "partial": true,
                          "errors": [{"section": "credits", "message": "timed out"}]})"),
              (InternalStatus{.authenticated = true, .spaces = noNodes, .partial = true, .errors = failed}));
}

// Wrong types and missing values are the decoder's above; here each document's own shape.
TEST(AccountDocuments, ProfilesSignInAndAccountRecords) {
    Result<QList<Profile>> r = decodeProfileList("[]");
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r->isEmpty());
    EXPECT_EQ(decodeProfileList(R"({"profiles": []})").error().text,
              u"expected an array, found an object"_qs);
    EXPECT_EQ(decodeProfileList(R"([{"name": "work"}, {"email": "a@b.c"}])").error().text,
              u"[1].name: missing required value"_qs);

    r = decodeProfileList(R"([{"name": "work"},
                             {"name": "home", "active": true, "default": true, "email": "m@x.io", "team": "T"}])");
    ASSERT_TRUE(r.ok()) << qPrintable(r.error().text);
    ASSERT_EQ(r->size(), 2);
    EXPECT_FALSE(r->at(0).active.value_or(false));
    EXPECT_FALSE(r->at(0).isDefault.value_or(false));
    EXPECT_EQ(r->at(1).isDefault, true);
    EXPECT_EQ(r->at(1).active, true);
    EXPECT_EQ(r->at(1).email, u"m@x.io"_qs);
    EXPECT_EQ(r->at(1).team, u"T"_qs);

    Result<LoginClaim> claim = decodeLoginClaim(
        R"({"status": "pending", "url": "https://tovi.dev/approve/abc", "token": "tok_1", "expires_in": "10m"})");
    ASSERT_TRUE(claim.ok()) << qPrintable(claim.error().text);
    EXPECT_EQ(claim->expiresIn, u"10m"_qs);
    EXPECT_EQ(claim->token, u"tok_1"_qs);
    EXPECT_EQ(decodeLoginClaim(R"({"url": "u", "expires_in": 600})").error().text,
              u"expiresIn: expected a string, found a number"_qs);

    Result<ClaimResult> result = decodeClaimResult(R"({"user": {"first_name": "Maya", "last_name": "L"}})");
    ASSERT_TRUE(result.ok()) << qPrintable(result.error().text);
    EXPECT_FALSE(result->status);
    EXPECT_EQ(result->user->firstName, u"Maya"_qs);
    EXPECT_EQ(result->user->lastName, u"L"_qs);

    Result<AccountMe> me = decodeAccountMe(R"({"id": "u1", "team_id": null, "team_name": "Équipe ☕ Labs"})");
    ASSERT_TRUE(me.ok()) << qPrintable(me.error().text);
    EXPECT_FALSE(me->teamId);
    EXPECT_EQ(me->teamName, QString::fromUtf8("Équipe ☕ Labs"));
    EXPECT_EQ(decodeAccountMe(R"({"team_id": "t_9"})")->teamId, u"t_9"_qs);
}
