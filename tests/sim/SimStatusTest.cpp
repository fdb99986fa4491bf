#include "SimSandbox.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using tovi::test::SimSandbox;

namespace {

const QStringList kStatus{u"internal"_s, u"status"_s, u"--stdout-format=json"_s};

// Every member name at any depth, to hold the whole document to the snake_case rule.
void collectKeys(const QJsonValue& v, QStringList& keys) {
    if (v.isObject()) {
        const QJsonObject o = v.toObject();
        for (auto it = o.begin(); it != o.end(); ++it) {
            keys.append(it.key());
            collectKeys(it.value(), keys);
        }
    } else if (v.isArray()) {
        for (const QJsonValue& e : v.toArray())
            collectKeys(e, keys);
    }
}

// The app's own reading of a space, restated so that the default snapshot is checked
// against what the menu will show rather than against the sim's field values.
QString stateOf(const QJsonObject& s) {
    if (s.contains(u"online"_s) && !s.value(u"online"_s).toBool())
        return u"offline"_s;
    if (s.value(u"stopped"_s).toBool())
        return u"stopped"_s;
    if (s.value(u"indicator"_s).toString().toLower() == u"attention"_s)
        return u"attention"_s;
    const QString status = s.value(u"status"_s).toString().toLower();
    if (status == u"ready"_s || status == u"running"_s)
        return u"ready"_s;
    return u"unknown"_s;
}

QJsonObject status(const SimSandbox& sim) {
    const SimSandbox::Run r = sim.run(kStatus);
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.json().isObject()) << r.out.left(200).constData();
    return r.json().object();
}

} // namespace

TEST(SimStatus, DefaultSnapshotIsRealisticSnakeCaseAndCoversEveryState) {
    SimSandbox sim;
    const QJsonObject s = status(sim);

    QStringList keys;
    collectKeys(s, keys);
    static const QRegularExpression snake(u"^[a-z][a-z0-9]*(_[a-z0-9]+)*$"_s);
    for (const QString& k : keys)
        EXPECT_TRUE(snake.match(k).hasMatch()) << k.toStdString();

    const QJsonArray nodes = s.value(u"spaces"_s).toObject().value(u"nodes"_s).toArray();
    ASSERT_EQ(nodes.size(), 3);
    int offlineNodes = 0;
    QSet<QString> states, icons, ids;
    bool labelledAttention = false;
    for (const QJsonValue& n : nodes) {
        const QJsonObject node = n.toObject();
        offlineNodes += node.value(u"online"_s).toBool() ? 0 : 1;
        for (const QJsonValue& v : node.value(u"spaces"_s).toArray()) {
            const QJsonObject sp = v.toObject();
            ASSERT_TRUE(sp.value(u"id"_s).isString());
            ASSERT_TRUE(sp.value(u"name"_s).isString());
            EXPECT_FALSE(ids.contains(sp.value(u"id"_s).toString())) << "space ids must be unique";
            ids.insert(sp.value(u"id"_s).toString());
            states.insert(stateOf(sp));
            icons.insert(sp.value(u"icon"_s).toString());
            labelledAttention |=
                stateOf(sp) == u"attention"_s && !sp.value(u"indicator_label"_s).toString().isEmpty();
        }
    }
    EXPECT_EQ(offlineNodes, 1);
    EXPECT_GE(ids.size(), 8);
    EXPECT_EQ(states, (QSet<QString>{u"ready"_s, u"stopped"_s, u"attention"_s, u"offline"_s, u"unknown"_s}));
    EXPECT_TRUE(labelledAttention);
    EXPECT_TRUE(icons.contains(u"mdi:console"_s) && icons.contains(u"mdi:web"_s) &&
                icons.contains(u"mdi:database"_s));

    EXPECT_EQ(s.value(u"nodes"_s).toObject().value(u"online"_s).toInt(), 2);
    EXPECT_EQ(s.value(u"nodes"_s).toObject().value(u"total"_s).toInt(), 3);
    const QJsonObject notifications = s.value(u"notifications"_s).toObject();
    EXPECT_EQ(notifications.value(u"unread"_s).toInt(), 3);
    EXPECT_GE(notifications.value(u"notifications"_s).toArray().size(), 2);
    for (const QString& section : {u"credits"_s, u"usage"_s, u"sites"_s, u"drive"_s})
        EXPECT_TRUE(s.value(section).isObject()) << section.toStdString();

    // Generated once, then stable: a second call shows the same spaces.
    EXPECT_EQ(status(sim).value(u"spaces"_s), s.value(u"spaces"_s));
    EXPECT_TRUE(QFile::exists(sim.statePath(u"status.json"_s)));
}

TEST(SimStatus, FollowsSignInStateVersionsAndPinnedSnapshots) {
    SimSandbox sim;
    EXPECT_EQ(status(sim).value(u"cli"_s).toObject().value(u"update_available"_s), QJsonValue(true));

    // "install" brings the CLI to the newest version.
    const QJsonObject before = status(sim).value(u"cli"_s).toObject();
    ASSERT_EQ(sim.run({u"install"_s}).exitCode, 0);
    const QJsonObject after = status(sim).value(u"cli"_s).toObject();
    EXPECT_NE(before.value(u"current_version"_s), after.value(u"current_version"_s));
    EXPECT_EQ(after.value(u"current_version"_s), before.value(u"latest_version"_s));
    EXPECT_EQ(after.value(u"update_available"_s), QJsonValue(false));

    ASSERT_EQ(sim.run({u"account"_s, u"logout"_s}).exitCode, 0);
    const QJsonObject out = status(sim);
    EXPECT_EQ(out.value(u"authenticated"_s), QJsonValue(false));
    for (const QString& key : {u"account"_s, u"spaces"_s, u"notifications"_s, u"credits"_s})
        EXPECT_FALSE(out.contains(key)) << key.toStdString();
    EXPECT_TRUE(out.contains(u"cli"_s));

    // A pinned document that states its sign-in state comes back exactly as given.
    const QByteArray pinned = R"({"authenticated":true,"spaces":{"nodes":[]},"secrets":2})";
    ASSERT_EQ(sim.run({u"scenario"_s, u"status"_s, QString::fromUtf8(pinned)}).exitCode, 0);
    EXPECT_EQ(status(sim), QJsonDocument::fromJson(pinned).object());

    ASSERT_EQ(sim.run({u"scenario"_s, u"status"_s, u"default"_s}).exitCode, 0);
    EXPECT_EQ(status(sim).value(u"authenticated"_s), QJsonValue(false)) << "still signed out";

    // A damaged cache is a failure with a reason, not an empty success.
    QFile f(sim.statePath(u"status.json"_s));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("{\"spaces\": [");
    f.close();
    const SimSandbox::Run broken = sim.run(kStatus);
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_TRUE(broken.out.isEmpty());
    EXPECT_TRUE(broken.err.contains("damaged")) << broken.err.constData();
}

TEST(SimCommandLine, RejectsWhatItDoesNotKnowWithUsageAndStatusTwo) {
    SimSandbox sim;
    const QList<QStringList> bad{
        {},
        {u"frobnicate"_s},
        {u"internal"_s},
        {u"internal"_s, u"status"_s, u"--stdout-format=yaml"_s},
        {u"install"_s, u"everything"_s},
        {u"account"_s, u"login"_s, u"--profile"_s},
        {u"scenario"_s, u"set"_s, u"{\"rules\":[{\"match\":\"internal\"}]}"_s},
    };
    for (const QStringList& args : bad) {
        const SimSandbox::Run r = sim.run(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains("usage") || r.err.contains("error:")) << r.err.constData();
    }
    EXPECT_TRUE(sim.run({u"frobnicate"_s}).err.contains("usage: tovi"));
    EXPECT_EQ(sim.run({u"--help"_s}).exitCode, 0);
}

TEST(SimScenario, RulesFailReshapeAndCountDown) {
    SimSandbox sim;
    ASSERT_EQ(
        sim.run({u"scenario"_s, u"set"_s,
                 uR"({"rules":[{"match":["internal","status"],"exit":3,"stderr":"boom\n","times":2}]})"_s})
            .exitCode,
        0);
    // The prefix must match: other commands are untouched.
    EXPECT_EQ(sim.run({u"account"_s, u"me"_s, u"--stdout-format=json"_s}).exitCode, 0);
    for (int i = 0; i < 2; ++i) {
        const SimSandbox::Run r = sim.run(kStatus);
        EXPECT_EQ(r.exitCode, 3);
        EXPECT_EQ(r.err, "boom\n");
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_EQ(sim.run(kStatus).exitCode, 0) << "the rule was used up";

    ASSERT_EQ(sim.run({u"scenario"_s, u"add"_s, uR"({"match":["internal","status"],"output":"partial"})"_s})
                  .exitCode,
              0);
    const QJsonObject partial = status(sim);
    EXPECT_EQ(partial.value(u"partial"_s), QJsonValue(true));
    EXPECT_FALSE(partial.contains(u"credits"_s));
    const QJsonArray errors = partial.value(u"errors"_s).toArray();
    ASSERT_EQ(errors.size(), 2);
    EXPECT_EQ(errors.at(0).toObject().value(u"section"_s).toString(), u"credits"_s);
    EXPECT_FALSE(errors.at(0).toObject().value(u"message"_s).toString().isEmpty());

    ASSERT_EQ(
        sim.run({u"scenario"_s, u"set"_s, uR"({"rules":[{"match":["internal"],"output":"invalid_json"}]})"_s})
            .exitCode,
        0);
    const SimSandbox::Run torn = sim.run(kStatus);
    EXPECT_EQ(torn.exitCode, 0);
    EXPECT_TRUE(torn.json().isNull());

    ASSERT_EQ(sim.run({u"scenario"_s, u"set"_s,
                       uR"({"rules":[{"match":["internal"],"output":"huge","huge_mib":3}]})"_s})
                  .exitCode,
              0);
    const SimSandbox::Run huge = sim.run(kStatus);
    EXPECT_GE(huge.out.size(), 3 * 1024 * 1024);
    EXPECT_TRUE(huge.json().object().contains(u"spaces"_s)) << "huge output is still one valid document";

    ASSERT_EQ(
        sim.run({u"scenario"_s, u"set"_s, uR"({"rules":[{"match":["internal"],"output":"offline"}]})"_s})
            .exitCode,
        0);
    const QJsonObject offline = status(sim);
    EXPECT_EQ(offline.value(u"nodes"_s).toObject().value(u"online"_s).toInt(), 0);
    for (const QJsonValue& n : offline.value(u"spaces"_s).toObject().value(u"nodes"_s).toArray()) {
        for (const QJsonValue& sp : n.toObject().value(u"spaces"_s).toArray())
            EXPECT_EQ(stateOf(sp.toObject()), u"offline"_s);
    }
    ASSERT_EQ(
        sim.run({u"scenario"_s, u"set"_s, uR"({"rules":[{"match":["install"],"signal":9}]})"_s}).exitCode, 0);
    EXPECT_EQ(sim.run({u"install"_s}).exitStatus, QProcess::CrashExit);

    ASSERT_EQ(sim.run({u"scenario"_s, u"clear"_s}).exitCode, 0);
    EXPECT_EQ(sim.run(kStatus).exitCode, 0);
    EXPECT_EQ(sim.run({u"install"_s}).exitCode, 0);
}

TEST(SimScenario, ChurnChangesTheSnapshotOnEveryCall) {
    SimSandbox sim;
    ASSERT_EQ(sim.run({u"scenario"_s, u"set"_s, uR"({"churn":true})"_s}).exitCode, 0);
    QJsonObject previous = status(sim);
    for (int i = 0; i < 3; ++i) {
        const QJsonObject next = status(sim);
        EXPECT_NE(next.value(u"spaces"_s), previous.value(u"spaces"_s));
        EXPECT_NE(next.value(u"notifications"_s), previous.value(u"notifications"_s));
        // The node counts stay consistent with the nodes listed.
        int online = 0;
        const QJsonArray nodes = next.value(u"spaces"_s).toObject().value(u"nodes"_s).toArray();
        for (const QJsonValue& n : nodes)
            online += n.toObject().value(u"online"_s).toBool() ? 1 : 0;
        EXPECT_EQ(next.value(u"nodes"_s).toObject().value(u"online"_s).toInt(), online);
        previous = next;
    }
}

TEST(SimConfig, ValuesRoundTripPerProfileWithAFalseDefault) {
    SimSandbox sim;
    const QString key = u"profile.work.memory_disabled"_s;
    auto get = [&](const QString& k) {
        return sim.run({u"config"_s, u"get"_s, k, u"--stdout-format=json"_s});
    };

    SimSandbox::Run r = get(key);
    ASSERT_EQ(r.exitCode, 0);
    // The member is named by the whole dotted key, not a nested path.
    EXPECT_EQ(r.json().object(), (QJsonObject{{key, u"false"_s}}));

    ASSERT_EQ(sim.run({u"config"_s, u"set"_s, key, u"true"_s}).exitCode, 0);
    EXPECT_EQ(get(key).json().object().value(key), QJsonValue(u"true"_s));
    EXPECT_EQ(
        get(u"profile.default.memory_disabled"_s).json().object().value(u"profile.default.memory_disabled"_s),
        QJsonValue(u"false"_s))
        << "profiles don't share values";
    ASSERT_EQ(sim.run({u"config"_s, u"set"_s, key, u"false"_s}).exitCode, 0);
    EXPECT_EQ(get(key).json().object().value(key), QJsonValue(u"false"_s));

    const SimSandbox::Run rejected = sim.run({u"config"_s, u"set"_s, key, u"maybe"_s});
    EXPECT_EQ(rejected.exitCode, 1);
    EXPECT_FALSE(rejected.err.isEmpty());
    EXPECT_EQ(get(key).json().object().value(key), QJsonValue(u"false"_s))
        << "a rejected write changes nothing";

    ASSERT_EQ(sim.run({u"config"_s, u"set"_s, u"editor.theme"_s, u"dark mode"_s}).exitCode, 0);
    EXPECT_EQ(get(u"editor.theme"_s).json().object().value(u"editor.theme"_s), QJsonValue(u"dark mode"_s));
    EXPECT_EQ(sim.run({u"config"_s, u"get"_s, u"../../etc"_s}).exitCode, 1);
}
