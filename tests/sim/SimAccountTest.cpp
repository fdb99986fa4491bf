#include "SimSandbox.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QUrl>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using tovi::test::SimSandbox;

namespace {

QJsonObject login(const SimSandbox& sim, const QString& profile = {}) {
    QStringList args{u"account"_s, u"login"_s, u"--no-browser"_s, u"--wait=false"_s,
                     u"--stdout-format=json"_s};
    if (!profile.isEmpty())
        args << u"--profile"_s << profile;
    const SimSandbox::Run r = sim.run(args);
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    return r.json().object();
}

QProcess* claim(SimSandbox& sim, const QString& token, const QString& profile = {}) {
    QStringList args{u"account"_s, u"claim"_s, token, u"--wait"_s, u"--stdout-format=json"_s};
    if (!profile.isEmpty())
        args << u"--profile"_s << profile;
    return sim.start(args);
}

QJsonArray profiles(const SimSandbox& sim) {
    const SimSandbox::Run r = sim.run({u"account"_s, u"profile"_s, u"list"_s, u"--stdout-format=json"_s});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.json().isArray());
    return r.json().array();
}

QJsonObject profileNamed(const QJsonArray& list, const QString& name) {
    for (const QJsonValue& v : list) {
        if (v.toObject().value(u"name"_s).toString() == name)
            return v.toObject();
    }
    return {};
}

} // namespace

TEST(SimSignIn, ApprovedClaimSignsTheProfileInAndMakesItActive) {
    SimSandbox sim;
    const QString origin = sim.serve();
    ASSERT_TRUE(origin.startsWith(u"http://127.0.0.1:"_s)) << origin.toStdString();

    const QJsonObject pending = login(sim, u"lab"_s);
    EXPECT_EQ(pending.value(u"status"_s).toString(), u"pending"_s);
    EXPECT_TRUE(pending.value(u"expires_in"_s).isString()) << "a number here would fail the app's decode";
    const QString token = pending.value(u"token"_s).toString();
    ASSERT_GE(token.size(), 16);
    // Without TOVI_WEB_ORIGIN the link points at the origin the last serve announced.
    const QString url = pending.value(u"url"_s).toString();
    EXPECT_EQ(url, origin + u"/approve/"_s + token);
    EXPECT_NE(login(sim, u"lab"_s).value(u"token"_s), pending.value(u"token"_s)) << "tokens are one-time";

    const SimSandbox::Http page = sim.get(QUrl(url).path(), "text/html");
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(page.body.contains("Approve") && page.body.contains("Reject") && page.body.contains("lab"));

    QProcess* waiting = claim(sim, token, u"lab"_s);
    EXPECT_EQ(sim.post(u"/approve/"_s + token + u"/approve"_s).status, 200);
    const SimSandbox::Run result = SimSandbox::finish(waiting);
    ASSERT_EQ(result.exitCode, 0) << result.err.constData();
    const QJsonObject claimed = result.json().object();
    EXPECT_EQ(claimed.value(u"status"_s).toString(), u"approved"_s);
    const QJsonObject user = claimed.value(u"user"_s).toObject();
    EXPECT_FALSE(user.value(u"email"_s).toString().isEmpty());
    EXPECT_TRUE(user.contains(u"first_name"_s) && user.contains(u"last_name"_s) && user.contains(u"id"_s));

    const SimSandbox::Run me = sim.run({u"account"_s, u"me"_s, u"--stdout-format=json"_s});
    ASSERT_EQ(me.exitCode, 0) << me.err.constData();
    EXPECT_EQ(me.json().object().value(u"email"_s), user.value(u"email"_s));
    EXPECT_FALSE(me.json().object().value(u"team_id"_s).toString().isEmpty());
    const QJsonObject lab = profileNamed(profiles(sim), u"lab"_s);
    EXPECT_EQ(lab.value(u"active"_s), QJsonValue(true));
    EXPECT_EQ(lab.value(u"default"_s), QJsonValue(false));

    // The token is spent: a decision or a claim with it again is refused.
    EXPECT_EQ(sim.post(u"/approve/"_s + token + u"/approve"_s).status, 404);
    EXPECT_EQ(sim.run({u"account"_s, u"claim"_s, token, u"--wait"_s, u"--stdout-format=json"_s}).exitCode, 1);

    // The team page of the signed-in account exists; another team's does not.
    const QString teamId = me.json().object().value(u"team_id"_s).toString();
    EXPECT_EQ(sim.get(u"/team/"_s + teamId + u"/spaces/sp-1"_s).status, 200);
    EXPECT_EQ(sim.get(u"/team/team_nobody/spaces/sp-1"_s).status, 404);
    for (const QString& path : {u"/usage"_s, u"/credits"_s, u"/nodes"_s, u"/create-account"_s})
        EXPECT_EQ(sim.get(path).status, 200) << path.toStdString();
}

TEST(SimSignIn, RejectedExpiredAndUnknownClaimsEndWithoutSigningIn) {
    SimSandbox sim;
    sim.serve();
    ASSERT_EQ(sim.run({u"account"_s, u"logout"_s}).exitCode, 0);

    const QString rejectedToken = login(sim).value(u"token"_s).toString();
    QProcess* waiting = claim(sim, rejectedToken);
    EXPECT_EQ(sim.post(u"/approve/"_s + rejectedToken + u"/reject"_s).status, 200);
    const SimSandbox::Run rejected = SimSandbox::finish(waiting);
    EXPECT_EQ(rejected.exitCode, 0);
    EXPECT_EQ(rejected.json().object().value(u"status"_s).toString(), u"cancelled"_s);
    EXPECT_EQ(sim.run({u"account"_s, u"me"_s, u"--stdout-format=json"_s}).exitCode, 1) << "still signed out";

    // A decided claim can't be decided again.
    const QString twice = login(sim).value(u"token"_s).toString();
    EXPECT_EQ(sim.post(u"/approve/"_s + twice + u"/reject"_s).status, 200);
    EXPECT_EQ(sim.post(u"/approve/"_s + twice + u"/approve"_s).status, 409);

    ASSERT_EQ(sim.run({u"scenario"_s, u"set"_s, uR"({"claim_ttl_s":1})"_s}).exitCode, 0);
    const QJsonObject shortLived = login(sim);
    EXPECT_EQ(shortLived.value(u"expires_in"_s).toString(), u"1s"_s);
    const SimSandbox::Run expired = SimSandbox::finish(claim(sim, shortLived.value(u"token"_s).toString()));
    EXPECT_EQ(expired.exitCode, 0);
    EXPECT_EQ(expired.json().object().value(u"status"_s).toString(), u"expired"_s);

    const SimSandbox::Run unknown =
        sim.run({u"account"_s, u"claim"_s, u"no-such-token-123"_s, u"--wait"_s, u"--stdout-format=json"_s});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.out.isEmpty());
    EXPECT_FALSE(unknown.err.isEmpty());
    // Tokens name files: anything outside the token alphabet is unknown, never a path.
    EXPECT_EQ(sim.run({u"account"_s, u"claim"_s, u"../accounts"_s, u"--wait"_s}).exitCode, 1);
    EXPECT_EQ(sim.post(u"/approve/no-such-token-123/approve"_s).status, 404);
    EXPECT_EQ(sim.get(u"/approve/no-such-token-123"_s).status, 404);
}

TEST(SimProfiles, ListUseRemoveAndLogout) {
    SimSandbox sim;
    QJsonArray list = profiles(sim);
    ASSERT_GE(list.size(), 2);
    const QJsonObject def = profileNamed(list, u"default"_s);
    EXPECT_EQ(def.value(u"default"_s), QJsonValue(true));
    EXPECT_EQ(def.value(u"active"_s), QJsonValue(true));
    int active = 0;
    for (const QJsonValue& v : list)
        active += v.toObject().value(u"active"_s).toBool() ? 1 : 0;
    EXPECT_EQ(active, 1);

    ASSERT_EQ(sim.run({u"account"_s, u"profile"_s, u"use"_s, u"work"_s}).exitCode, 0);
    EXPECT_EQ(profileNamed(profiles(sim), u"work"_s).value(u"active"_s), QJsonValue(true));
    const QJsonObject workMe = sim.run({u"account"_s, u"me"_s, u"--stdout-format=json"_s}).json().object();
    EXPECT_EQ(workMe.value(u"email"_s), profileNamed(profiles(sim), u"work"_s).value(u"email"_s));
    EXPECT_NE(workMe.value(u"team_id"_s), QJsonValue(u""_s));

    for (const QString& verb : {u"use"_s, u"remove"_s}) {
        const SimSandbox::Run r = sim.run({u"account"_s, u"profile"_s, verb, u"ghost"_s});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "error: no profile named ghost\n");
    }

    ASSERT_EQ(sim.run({u"account"_s, u"profile"_s, u"remove"_s, u"work"_s}).exitCode, 0);
    list = profiles(sim);
    EXPECT_TRUE(profileNamed(list, u"work"_s).isEmpty());
    EXPECT_EQ(profileNamed(list, u"default"_s).value(u"active"_s), QJsonValue(true))
        << "removing the active profile falls back to default";
    EXPECT_EQ(sim.run({u"account"_s, u"profile"_s, u"remove"_s, u"default"_s}).exitCode, 1);

    ASSERT_EQ(sim.run({u"account"_s, u"logout"_s}).exitCode, 0);
    const SimSandbox::Run me = sim.run({u"account"_s, u"me"_s, u"--stdout-format=json"_s});
    EXPECT_EQ(me.exitCode, 1);
    EXPECT_EQ(me.err, "error: not signed in\n");
    const QJsonObject signedOut = profileNamed(profiles(sim), u"default"_s);
    EXPECT_FALSE(signedOut.contains(u"email"_s));
    EXPECT_EQ(signedOut.value(u"active"_s), QJsonValue(true));
}
