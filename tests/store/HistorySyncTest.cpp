#include "StoreFixture.h"

#include "store/CLICommands.h"

namespace tovi::testing {
namespace {

QString keyOf(const char* profile) {
    return QStringLiteral("profile.%1.memory_disabled").arg(QLatin1String(profile));
}

class HistorySyncTest : public StoreTest {
protected:
    QStringList get(const char* profile) const { return CLICommands::configGet(keyOf(profile)); }
    QStringList set(const char* profile, const char* value) const {
        return CLICommands::configSet(keyOf(profile), QString::fromUtf8(value));
    }
};

TEST_F(HistorySyncTest, ReadingTheStoredValue) {
    const QString key = keyOf("work");
    const auto read = [&](const QByteArray& json) -> QString {
        const Result<bool> value = StatusStore::readHistoryDisabled(json, key);
        if (!value)
            return value.error().description();
        return value.value() ? QStringLiteral("true") : QStringLiteral("false");
    };
    const QString invalid =
        QStringLiteral("Couldn't read the tovi history setting for profile.work.memory_disabled.");

    EXPECT_EQ(read(R"({"profile.work.memory_disabled":true})"), QStringLiteral("true"));
    EXPECT_EQ(read(R"({"profile.work.memory_disabled":"TRUE"})"), QStringLiteral("true"));
    EXPECT_EQ(read(R"({"profile.work.memory_disabled":""})"), QStringLiteral("false"));
    EXPECT_EQ(read(R"({"profile.work.memory_disabled":1})"), QStringLiteral("true"));
    EXPECT_EQ(read(R"({"profile.work.memory_disabled":2})"), invalid);
    EXPECT_EQ(read(R"({"profile.work.memory_disabled":"yes"})"), invalid);
    EXPECT_EQ(read(R"({"profile":{"work":{"memory_disabled":true}}})"), invalid); // not a nested path
    EXPECT_EQ(read(R"({"profile.other.memory_disabled":true})"), invalid);
    EXPECT_EQ(read("{"), invalid);
}

TEST_F(HistorySyncTest, PassWritesOnlyProfilesThatDiffer) {
    fakes.runner->reply(profileListArguments(),
                        FakeRunner::ok(R"([{"name":"default"},{"name":"work"},{"name":"home"}])"));
    fakes.config->insert(keyOf("default"), QStringLiteral("false")); // already as wanted
    fakes.config->insert(keyOf("work"), QStringLiteral("true"));
    StatusStore& s = makeStore();
    const QStringList pending{QStringLiteral("work"), QStringLiteral("extra")};

    const Status pass = awaitResult(s.syncHistoryPass(true, pending));
    EXPECT_TRUE(pass.ok());
    EXPECT_EQ(fakes.runner->runs(), (QList<QStringList>{profileListArguments(), get("default"), get("work"),
                                                        set("work", "false"), get("home"), get("extra")}));

    // Switched off: every profile flips the other way, once.
    fakes.runner->clearRecords();
    EXPECT_TRUE(awaitResult(s.syncHistoryPass(false, QStringList())).ok());
    EXPECT_EQ(fakes.runner->count(args({"config", "set"})), 3);
    EXPECT_EQ(fakes.runner->runs()[2], set("default", "true"));
}

TEST_F(HistorySyncTest, PassGoesOnAfterFailuresAndReportsTheFirst) {
    fakes.runner->reply(profileListArguments(), FakeRunner::fail(5, QStringLiteral("list broke")));
    fakes.runner->reply(get("b"), FakeRunner::fail(6, QStringLiteral("get broke")));
    fakes.runner->reply(get("c"), FakeRunner::ok(R"({"profile.c.memory_disabled":null})"));
    StatusStore& s = makeStore();
    const QStringList pending{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};

    const Status pass = awaitResult(s.syncHistoryPass(false, pending));
    ASSERT_FALSE(pass.ok());
    EXPECT_EQ(pass.error().description(), QStringLiteral("tovi exited with code 5: list broke"));
    EXPECT_EQ(fakes.runner->runs(),
              (QList<QStringList>{profileListArguments(), get("default"), set("default", "true"), get("a"),
                                  set("a", "true"), get("b"), get("c")}));

    // Without the list failure, the first failing profile is the message.
    fakes.runner->reply(profileListArguments(), FakeRunner::ok("[]"));
    const Status second = awaitResult(s.syncHistoryPass(false, pending));
    EXPECT_EQ(second.error().description(), QStringLiteral("tovi exited with code 6: get broke"));

    // An undecodable list is reported with the decoder's text and the pass still runs.
    fakes.runner->reply(profileListArguments(), FakeRunner::ok(R"([{"nom":"x"}])"));
    fakes.runner->clearRecords();
    const Status third = awaitResult(s.syncHistoryPass(false, QStringList()));
    ASSERT_FALSE(third.ok());
    EXPECT_FALSE(third.error().description().isEmpty());
    EXPECT_EQ(fakes.runner->count(get("default")), 1);
}

TEST_F(HistorySyncTest, SwitchDrivesOneOperationThatTakesUpLaterChanges) {
    StatusStore& s = makeStore();
    auto gate = fakes.runner->gate(profileListArguments());
    QSignalSpy applying(&s, &StatusStore::historySyncApplyingChanged);

    s.setHistorySyncEnabled(true);
    const TaskHandlePtr task = s.historySyncTask();
    ASSERT_TRUE(task);
    EXPECT_TRUE(s.historySyncApplying());
    EXPECT_EQ(fakes.defaults->value(QStringLiteral("historySync")), QVariant(true));
    s.setHistorySyncEnabled(false);
    EXPECT_EQ(s.historySyncTask(), task);
    EXPECT_EQ(s.applyHistorySetting(), task);

    // The pass ran with "on"; the switch now says off, so a second pass follows.
    gate->open();
    EXPECT_TRUE(task->isFinished());
    EXPECT_EQ(fakes.runner->count(profileListArguments()), 2);
    EXPECT_EQ(fakes.config->value(keyOf("default")), QStringLiteral("true"));
    EXPECT_FALSE(s.historySyncApplying());
    EXPECT_FALSE(s.historySyncTask());
    EXPECT_EQ(applying.count(), 2);
}

TEST_F(HistorySyncTest, NamesArrivingDuringAPassGetTheirOwnPass) {
    StatusStore& s = makeStore();
    auto gate = fakes.runner->gate(profileListArguments());
    const TaskHandlePtr task = s.applyHistorySetting();
    QCoro::Task<> waiter = s.awaitHistorySync(QStringList{QStringLiteral("late")});
    EXPECT_TRUE(s.pendingHistoryProfiles().contains(QStringLiteral("late")));
    gate->open();
    QCoro::waitFor(waiter);
    EXPECT_TRUE(task->isFinished());
    EXPECT_EQ(fakes.runner->count(profileListArguments()), 2);
    EXPECT_EQ(fakes.runner->count(get("late")), 1);
    EXPECT_TRUE(s.pendingHistoryProfiles().isEmpty());

    // A cancelled operation stops between passes even with work left.
    auto again = fakes.runner->gate(profileListArguments());
    fakes.runner->clearRecords();
    const TaskHandlePtr cancelled = s.applyHistorySetting();
    s.awaitHistorySync(QStringList{QStringLiteral("later")});
    cancelled->cancel();
    again->open();
    EXPECT_TRUE(cancelled->isFinished());
    EXPECT_EQ(fakes.runner->count(profileListArguments()), 1);
}

TEST_F(HistorySyncTest, ErrorStaysUntilAPassSucceeds) {
    fakes.runner->reply(get("default"), FakeRunner::ok(R"({"profile.default.memory_disabled":2})"));
    StatusStore& s = makeStore();
    s.applyHistorySetting();
    EXPECT_EQ(s.historySyncError(),
              QStringLiteral("Couldn't read the tovi history setting for profile.default.memory_disabled."));
    fakes.runner->reply(get("default"), FakeRunner::ok(R"({"profile.default.memory_disabled":"true"})"));
    s.applyHistorySetting();
    EXPECT_FALSE(s.historySyncError());
}

} // namespace
} // namespace tovi::testing
