#include "SimSandbox.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using tovi::test::SimSandbox;

// The fault suite relies on these controls doing exactly this: a rule that silently matched
// nothing, never ran out or printed a small document would let its checks pass vacuously.

namespace {

const QStringList kStatus{u"internal"_s, u"status"_s, u"--stdout-format=json"_s};

QJsonObject status(const SimSandbox& sim) {
    const SimSandbox::Run r = sim.run(kStatus);
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.json().isObject()) << r.out.left(200).constData();
    return r.json().object();
}

} // namespace

TEST(SimScenario, RulesMatchByPrefixCountDownAndPad) {
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

    ASSERT_EQ(sim.run({u"scenario"_s, u"set"_s,
                       uR"({"rules":[{"match":["internal"],"output":"huge","huge_mib":3}]})"_s})
                  .exitCode,
              0);
    const SimSandbox::Run huge = sim.run(kStatus);
    EXPECT_GE(huge.out.size(), 3 * 1024 * 1024);
    EXPECT_TRUE(huge.json().object().contains(u"spaces"_s)) << "huge output is still one valid document";

    ASSERT_EQ(sim.run({u"scenario"_s, u"clear"_s}).exitCode, 0);
    EXPECT_LT(sim.run(kStatus).out.size(), 1024 * 1024) << "clearing ends the padding";
}

// The soak run measures memory under churn; a churn that changed nothing would measure idling.
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
