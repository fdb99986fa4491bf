#include "StoreFixture.h"

namespace tovi::testing {
namespace {

class HistorySyncTest : public StoreTest {
protected:
    static QStringList get(const char* profile) { return historyGet(QString::fromUtf8(profile)); }
    static QStringList set(const char* profile, const char* value) {
        return cli::configSet(historyKey(QString::fromUtf8(profile)), QString::fromUtf8(value));
    }
};

TEST_F(HistorySyncTest, ReadingTheStoredValue) {
    const QString invalid = u"Couldn't read the tovi history setting for profile.work.memory_disabled."_qs;
    const std::pair<const char*, QString> rows[] = {
        {R"({"profile.work.memory_disabled":true})", u"true"_qs},
        {R"({"profile.work.memory_disabled":"TRUE"})", u"true"_qs},
        {R"({"profile.work.memory_disabled":""})", u"false"_qs},
        {R"({"profile.work.memory_disabled":1})", u"true"_qs},
        {R"({"profile.work.memory_disabled":2})", invalid},
        {R"({"profile.work.memory_disabled":"yes"})", invalid},
        {R"({"profile":{"work":{"memory_disabled":true}}})", invalid}, // not a nested path
        {R"({"profile.other.memory_disabled":true})", invalid},
        {"{", invalid}};
    for (const auto& [json, expected] : rows) {
        const Result<bool> value = StatusStore::readHistoryDisabled(json, historyKey(u"work"_qs));
        EXPECT_EQ(value ? (value.value() ? u"true"_qs : u"false"_qs) : value.error().description(), expected)
            << json;
    }
}

TEST_F(HistorySyncTest, PassWritesOnlyProfilesThatDifferAndGoesOnAfterFailures) {
    fakes.runner->reply(profileListArguments(),
                        FakeRunner::ok(R"([{"name":"default"},{"name":"work"},{"name":"home"}])"));
    fakes.config->insert(historyKey(u"default"_qs), u"false"_qs); // already as wanted
    fakes.config->insert(historyKey(u"work"_qs), u"true"_qs);
    StatusStore& s = makeStore();
    EXPECT_TRUE(awaitResult(s.syncHistoryPass(true, {u"work"_qs, u"extra"_qs})).ok());
    EXPECT_EQ(fakes.runner->runs(), (QList<QStringList>{profileListArguments(), get("default"), get("work"),
                                                        set("work", "false"), get("home"), get("extra")}));
    // Switched off: every profile flips the other way, once.
    fakes.runner->clearRecords();
    EXPECT_TRUE(awaitResult(s.syncHistoryPass(false, {})).ok());
    EXPECT_EQ(fakes.runner->count(head(set("x", "x"), 2)), 3);
    EXPECT_EQ(fakes.runner->runs()[2], set("default", "true"));
    // Failures: the pass goes on and reports the first one, the list's before any profile's.
    fakes.runner->clearRecords();
    fakes.config->clear();
    fakes.runner->reply(profileListArguments(), FakeRunner::fail(5, u"list broke"_qs));
    fakes.runner->reply(get("b"), FakeRunner::fail(6, u"get broke"_qs));
    fakes.runner->reply(get("c"), FakeRunner::ok(R"({"profile.c.memory_disabled":null})"));
    const QStringList pending{u"a"_qs, u"b"_qs, u"c"_qs};
    const Status pass = awaitResult(s.syncHistoryPass(false, pending));
    ASSERT_FALSE(pass.ok());
    EXPECT_EQ(pass.error().description(), u"tovi exited with code 5: list broke"_qs);
    EXPECT_EQ(fakes.runner->runs(),
              (QList<QStringList>{profileListArguments(), get("default"), set("default", "true"), get("a"),
                                  set("a", "true"), get("b"), get("c")}));
    fakes.runner->reply(profileListArguments(), FakeRunner::ok("[]"));
    EXPECT_EQ(awaitResult(s.syncHistoryPass(false, pending)).error().description(),
              u"tovi exited with code 6: get broke"_qs);
    // An undecodable list is reported and the pass still runs.
    fakes.runner->reply(profileListArguments(), FakeRunner::ok(R"([{"nom":"x"}])"));
    fakes.runner->clearRecords();
    const Status third = awaitResult(s.syncHistoryPass(false, {}));
    ASSERT_FALSE(third.ok());
    EXPECT_FALSE(third.error().description().isEmpty());
    EXPECT_EQ(fakes.runner->count(get("default")), 1);
}

TEST_F(HistorySyncTest, OneOperationTakesUpLaterChangesAndKeepsItsErrorUntilAPassSucceeds) {
    StatusStore& s = makeStore();
    auto gate = fakes.runner->gate(profileListArguments());
    QSignalSpy applying(&s, &StatusStore::historySyncApplyingChanged);
    s.setHistorySyncEnabled(true);
    const TaskHandlePtr task = s.historySyncTask();
    ASSERT_TRUE(task);
    EXPECT_TRUE(s.historySyncApplying());
    EXPECT_EQ(fakes.defaults->value(u"historySync"_qs), QVariant(true));
    s.setHistorySyncEnabled(false);
    EXPECT_EQ(s.historySyncTask(), task);
    EXPECT_EQ(s.applyHistorySetting(), task);
    // The pass ran with "on"; the switch now says off, so a second pass follows.
    gate->open();
    EXPECT_TRUE(task->isFinished());
    EXPECT_EQ(fakes.runner->count(profileListArguments()), 2);
    EXPECT_EQ(fakes.config->value(historyKey(u"default"_qs)), u"true"_qs);
    EXPECT_FALSE(s.historySyncApplying() || s.historySyncTask());
    EXPECT_EQ(applying.count(), 2);
    // Names arriving during a pass get their own pass.
    gate = fakes.runner->gate(profileListArguments());
    fakes.runner->clearRecords();
    const TaskHandlePtr named = s.applyHistorySetting();
    QCoro::Task<> waiter = s.awaitHistorySync({u"late"_qs});
    EXPECT_TRUE(s.pendingHistoryProfiles().contains(u"late"_qs));
    gate->open();
    QCoro::waitFor(waiter);
    EXPECT_TRUE(named->isFinished());
    EXPECT_EQ(fakes.runner->count(profileListArguments()), 2);
    EXPECT_EQ(fakes.runner->count(get("late")), 1);
    EXPECT_TRUE(s.pendingHistoryProfiles().isEmpty());
    // A cancelled operation stops between passes even with work left.
    gate = fakes.runner->gate(profileListArguments());
    fakes.runner->clearRecords();
    const TaskHandlePtr cancelled = s.applyHistorySetting();
    s.awaitHistorySync({u"later"_qs});
    cancelled->cancel();
    gate->open();
    EXPECT_TRUE(cancelled->isFinished());
    EXPECT_EQ(fakes.runner->count(profileListArguments()), 1);
    // A read error stays until a pass succeeds.
    QSignalSpy errors(&s, &StatusStore::historySyncErrorChanged);
    fakes.runner->reply(get("default"), FakeRunner::ok(R"({"profile.default.memory_disabled":2})"));
    s.applyHistorySetting();
    EXPECT_EQ(s.historySyncError(),
              u"Couldn't read the tovi history setting for profile.default.memory_disabled."_qs);
    fakes.runner->reply(get("default"), FakeRunner::ok(R"({"profile.default.memory_disabled":"true"})"));
    s.applyHistorySetting();
    EXPECT_FALSE(s.historySyncError());
    EXPECT_EQ(errors.count(), 2);
}

} // namespace
} // namespace tovi::testing
