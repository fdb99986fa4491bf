#include "StoreFixture.h"

#include "model/Decoding.h"

using namespace std::chrono_literals;

namespace tovi::testing {
namespace {

InternalStatus snapshot(std::optional<bool> authenticated, std::int64_t online = 1) {
    InternalStatus status;
    status.authenticated = authenticated;
    status.nodes = Nodes{online, 2};
    return status;
}

TEST_F(StoreTest, RefreshKeepsTheLastGoodSnapshotAcrossFailures) {
    FakeStatusSource& source = fakes.useFakeSource();
    InternalStatus partial = snapshot(true, 7);
    partial.partial = true;
    partial.errors = QList<StatusSectionError>{{QStringLiteral("credits"), QStringLiteral("timeout")},
                                               {QStringLiteral("usage"), QStringLiteral("503")}};
    source.setResults({snapshot(true, 1), Error::cliFailed(2, QStringLiteral("boom\n")),
                       Error::decode(QStringLiteral("nodes.online: expected an integer, found a string")),
                       partial});
    fakes.setDaemon(DaemonState::stopped());
    StatusStore& s = makeStore();
    EXPECT_FALSE(s.status());
    EXPECT_FALSE(s.lastUpdated());
    const tovi::test::LogCapture log;

    QCoro::waitFor(s.refresh());
    ASSERT_TRUE(s.status());
    EXPECT_EQ(s.status()->nodes->online, 1);
    EXPECT_FALSE(s.lastError());
    const QDateTime firstUpdate = fakes.clock->now();
    EXPECT_EQ(s.lastUpdated(), firstUpdate);
    EXPECT_EQ(s.daemonState(), DaemonState::stopped());
    EXPECT_FALSE(s.isRefreshing());

    // A failing command keeps the snapshot and its time, with the CLI's text beside it.
    fakes.clock->advance(5s);
    fakes.setDaemon(DaemonState::makeRunning(99));
    QCoro::waitFor(s.refresh());
    EXPECT_EQ(s.lastError(), QStringLiteral("tovi exited with code 2: boom"));
    EXPECT_EQ(s.status()->nodes->online, 1);
    EXPECT_EQ(s.lastUpdated(), firstUpdate);
    EXPECT_EQ(s.daemonState(), DaemonState::makeRunning(99));

    QCoro::waitFor(s.refresh());
    EXPECT_EQ(s.lastError(), QStringLiteral("nodes.online: expected an integer, found a string"));
    EXPECT_EQ(s.status()->nodes->online, 1);

    // A partial snapshot is a success, stored whole.
    fakes.clock->advance(5s);
    fakes.setDaemon(DaemonState::stopped());
    QCoro::waitFor(s.refresh());
    // One warning as the failures begin, whatever their text, one as they end.
    EXPECT_EQ(log.warnings(),
              (QStringList{QStringLiteral("tovi.store warning: tovi status fails: tovi exited "
                                          "with code 2: boom"),
                           QStringLiteral("tovi.store warning: the tovi service stopped running"),
                           QStringLiteral("tovi.store warning: tovi status works again")}));
    EXPECT_FALSE(s.lastError());
    EXPECT_EQ(s.status()->nodes->online, 7);
    EXPECT_EQ(s.status()->partial, true);
    ASSERT_TRUE(s.status()->errors);
    EXPECT_EQ(s.status()->errors->size(), 2);
    EXPECT_EQ(s.lastUpdated(), fakes.clock->now());
}

TEST_F(StoreTest, CliStatusSourceReportsRunAndDecodeFailures) {
    const QByteArray broken = R"({"authenticated":"yes"})";
    fakes.runner->replySequence(
        statusArguments(), {FakeRunner::ok(statusJson(true)), FakeRunner::ok(broken), FakeRunner::fail(1)});
    StatusStore& s = makeStore();

    QCoro::waitFor(s.refresh());
    ASSERT_TRUE(s.status());
    EXPECT_EQ(s.status()->authenticated, true);
    EXPECT_EQ(s.status()->notifications->unread, 3);

    QCoro::waitFor(s.refresh());
    const Result<InternalStatus> expected = decodeInternalStatus(broken);
    ASSERT_FALSE(expected.ok());
    EXPECT_EQ(s.lastError(), expected.error().description());
    EXPECT_FALSE(s.lastError()->isEmpty());
    EXPECT_EQ(s.status()->authenticated, true);

    QCoro::waitFor(s.refresh());
    EXPECT_EQ(s.lastError(), QStringLiteral("tovi exited with code 1"));
    EXPECT_EQ(fakes.runner->count(statusArguments()), 3);
}

TEST_F(StoreTest, TeamLookupRunsUnlessSignedOutOrKnown) {
    fakes.runner->replySequence(statusArguments(),
                                {FakeRunner::ok(statusJson(false)), FakeRunner::ok(statusJson(std::nullopt)),
                                 FakeRunner::ok(statusJson(true))});
    fakes.runner->replySequence(accountMeArguments(),
                                {FakeRunner::fail(1), FakeRunner::ok(R"({"team_id":"t-9"})")});
    StatusStore& s = makeStore();

    QCoro::waitFor(s.refresh()); // signed out: no lookup
    EXPECT_EQ(fakes.runner->count(accountMeArguments()), 0);
    QCoro::waitFor(s.refresh()); // flag absent: lookup, which fails silently
    EXPECT_EQ(fakes.runner->count(accountMeArguments()), 1);
    EXPECT_FALSE(s.teamId());
    EXPECT_FALSE(s.lastError());
    QCoro::waitFor(s.refresh()); // still unknown: looked up again
    EXPECT_EQ(s.teamId(), QStringLiteral("t-9"));
    QCoro::waitFor(s.refresh()); // known: no lookup
    EXPECT_EQ(fakes.runner->count(accountMeArguments()), 2);

    // A failed status run with no snapshot at all still looks the team up.
    FakeDependencies other;
    other.runner->reply(statusArguments(), FakeRunner::fail(3));
    StatusStore fresh(other.make());
    QCoro::waitFor(fresh.refresh());
    EXPECT_EQ(other.runner->count(accountMeArguments()), 1);
    EXPECT_EQ(fresh.teamId(), QStringLiteral("team-1"));
}

TEST_F(StoreTest, FieldsNotifyOnlyWhenTheirValueChanges) {
    FakeStatusSource& source = fakes.useFakeSource();
    source.setResults({snapshot(true), snapshot(true), Error::cliFailed(1, {}), Error::cliFailed(1, {})});
    StatusStore& s = makeStore();
    QSignalSpy status(&s, &StatusStore::statusChanged);
    QSignalSpy error(&s, &StatusStore::lastErrorChanged);
    QSignalSpy updated(&s, &StatusStore::lastUpdatedChanged);
    QSignalSpy daemon(&s, &StatusStore::daemonStateChanged);
    QSignalSpy refreshing(&s, &StatusStore::isRefreshingChanged);
    QSignalSpy team(&s, &StatusStore::teamIdChanged);

    QCoro::waitFor(s.refresh());
    QCoro::waitFor(s.refresh());  // same snapshot, same time
    EXPECT_EQ(status.count(), 1); // an idle poll reads back the same snapshot: no notice
    EXPECT_EQ(updated.count(), 1);
    EXPECT_EQ(daemon.count(), 1); // stopped -> running(4242), then unchanged
    EXPECT_EQ(refreshing.count(), 4);
    EXPECT_EQ(team.count(), 1);
    EXPECT_EQ(error.count(), 0);

    QCoro::waitFor(s.refresh());
    QCoro::waitFor(s.refresh());
    EXPECT_EQ(error.count(), 1);
    EXPECT_EQ(status.count(), 1);
    fakes.setDaemon(DaemonState::makeRunning(5000));
    QCoro::waitFor(s.refresh());
    EXPECT_EQ(daemon.count(), 2);
}

TEST_F(StoreTest, ARefreshWhileOneIsInFlightJoinsItInsteadOfFetchingAgain) {
    FakeStatusSource& source = fakes.useFakeSource();
    source.setResults({snapshot(true, 1), snapshot(true, 2)});
    auto gate = source.gate();
    StatusStore& s = makeStore();

    QCoro::Task<> first = s.refresh();
    QCoro::Task<> second = s.refresh();
    EXPECT_TRUE(s.isRefreshing());
    EXPECT_EQ(source.fetchCount(), 1);
    gate->open();
    QCoro::waitFor(first);
    QCoro::waitFor(second);
    EXPECT_FALSE(s.isRefreshing());
    EXPECT_EQ(s.status()->nodes->online, 1);

    // Once it has ended, the next refresh fetches anew.
    QCoro::waitFor(s.refresh());
    EXPECT_EQ(source.fetchCount(), 2);
    EXPECT_EQ(s.status()->nodes->online, 2);
}

TEST_F(StoreTest, StartCreatesOnePollingLoopThatSleepsBetweenPasses) {
    fakes.interval = 1500ms;
    fakes.defaults->setValue(QStringLiteral("autoUpdateCLI"), false);
    FakeStatusSource& source = fakes.useFakeSource();
    StatusStore& s = makeStore();

    s.start();
    const TaskHandlePtr poll = s.pollTask();
    ASSERT_TRUE(poll);
    s.start();
    EXPECT_EQ(s.pollTask(), poll);
    // The start-up task's own refresh, then the loop's first pass.
    EXPECT_EQ(source.fetchCount(), 2);
    EXPECT_EQ(fakes.clock->sleepers(), 1);
    EXPECT_EQ(fakes.clock->requestedSleeps().value(0), 1500ms);

    fakes.clock->advance(1499ms);
    EXPECT_EQ(source.fetchCount(), 2);
    fakes.clock->advance(1ms);
    EXPECT_EQ(source.fetchCount(), 3);
    EXPECT_EQ(fakes.clock->sleepers(), 1);

    // A pass that outlasts the interval stretches the period rather than overlapping.
    auto gate = source.gate();
    fakes.clock->advance(1500ms);
    EXPECT_EQ(source.fetchCount(), 4);
    fakes.clock->advance(10s);
    EXPECT_EQ(source.fetchCount(), 4);
    EXPECT_EQ(fakes.clock->sleepers(), 0);
    gate->open();
    EXPECT_EQ(fakes.clock->sleepers(), 1);
}

TEST_F(StoreTest, PollingWaitsForTheStartUpTask) {
    fakes.runner->setInstalledSequence({false, true});
    auto install = fakes.runner->gateShell();
    StatusStore& s = makeStore();

    s.start();
    EXPECT_EQ(s.bootstrapState(), BootstrapState::installing());
    EXPECT_EQ(fakes.runner->count(statusArguments()), 0);
    fakes.clock->advance(60s);
    EXPECT_EQ(fakes.runner->count(statusArguments()), 0);

    install->open();
    EXPECT_EQ(s.bootstrapState(), BootstrapState::idle());
    EXPECT_FALSE(s.bootstrapTask());
    // The start-up task's last step and the loop's first pass, after the install.
    const QList<FakeRunner::Call>& calls = fakes.runner->calls();
    ASSERT_FALSE(calls.isEmpty());
    EXPECT_EQ(calls.first().kind, FakeRunner::Call::Kind::Shell);
    EXPECT_EQ(fakes.runner->count(statusArguments()), 2);
}

TEST_F(StoreTest, ReleasedStoreEndsItsLoopAndSurvivesPendingWork) {
    fakes.defaults->setValue(QStringLiteral("autoUpdateCLI"), false);
    FakeStatusSource& source = fakes.useFakeSource();
    StatusStore& s = makeStore();
    s.start();
    const TaskHandlePtr poll = s.pollTask();
    const int fetches = source.fetchCount();

    // A refresh in flight when the store goes away finishes without touching it.
    auto gate = source.gate();
    QCoro::Task<> pending = s.refresh();
    destroyStore();
    gate->open();
    QCoro::waitFor(pending);

    fakes.clock->releaseAll();
    EXPECT_TRUE(poll->isFinished());
    EXPECT_EQ(source.fetchCount(), fetches + 1);
    EXPECT_EQ(fakes.clock->sleepers(), 0);
}

} // namespace
} // namespace tovi::testing
