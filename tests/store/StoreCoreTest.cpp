#include "StoreFixture.h"

#include "BuildConfig.h"
#include "store/LiveDependencies.h"
#include "store/WebOrigin.h"

namespace tovi::testing {
namespace {

InternalStatus snapshot(std::optional<bool> authenticated, std::int64_t online = 1) {
    InternalStatus status;
    status.authenticated = authenticated;
    status.nodes = Nodes{online, 2};
    return status;
}

// Each field notifies only when its value changes, the snapshot too: the same one read back tells nobody.
TEST_F(StoreTest, RefreshKeepsTheLastGoodSnapshotAcrossFailures) {
    InternalStatus partial = snapshot(true, 7);
    partial.partial = true;
    partial.errors = QList<StatusSectionError>{{u"credits"_qs, u"timeout"_qs}, {u"usage"_qs, u"503"_qs}};
    const Error decodeError = Error::decode(u"nodes.online: expected an integer"_qs);
    fakes.useFakeSource().setResults({snapshot(true, 1), snapshot(true, 1), Error::cliFailed(2, u"boom\n"_qs),
                                      decodeError, decodeError, partial});
    fakes.setDaemon(DaemonState::stopped());
    StatusStore& s = makeStore();
    EXPECT_FALSE(s.status() || s.lastUpdated());
    QSignalSpy status(&s, &StatusStore::statusChanged), error(&s, &StatusStore::lastErrorChanged),
        updated(&s, &StatusStore::lastUpdatedChanged), daemon(&s, &StatusStore::daemonStateChanged),
        refreshing(&s, &StatusStore::isRefreshingChanged), team(&s, &StatusStore::teamIdChanged);
    const tovi::test::LogCapture log;
    QCoro::waitFor(s.refresh());
    QCoro::waitFor(s.refresh()); // the same snapshot at the same time
    EXPECT_EQ(s.status()->nodes->online, 1);
    EXPECT_FALSE(s.lastError());
    const QDateTime firstUpdate = fakes.clock->now();
    EXPECT_EQ(s.lastUpdated(), firstUpdate);
    EXPECT_EQ(s.daemonState(), DaemonState::stopped());
    EXPECT_FALSE(s.isRefreshing());
    EXPECT_EQ(std::tuple(status.count(), updated.count(), refreshing.count(), team.count(), error.count()),
              std::tuple(1, 1, 4, 1, 0));
    // A failure keeps the snapshot and its time, with the CLI's text beside it.
    fakes.clock->advance(5s);
    fakes.setDaemon(DaemonState::makeRunning(99));
    QCoro::waitFor(s.refresh());
    EXPECT_EQ(s.lastError(), u"tovi exited with code 2: boom"_qs);
    EXPECT_EQ(s.status()->nodes->online, 1);
    EXPECT_EQ(s.lastUpdated(), firstUpdate);
    EXPECT_EQ(s.daemonState(), DaemonState::makeRunning(99));
    QCoro::waitFor(s.refresh());
    QCoro::waitFor(s.refresh());
    EXPECT_EQ(s.lastError(), u"nodes.online: expected an integer"_qs);
    EXPECT_EQ(s.status()->nodes->online, 1);
    EXPECT_EQ(std::tuple(status.count(), updated.count(), error.count(), daemon.count()),
              std::tuple(1, 1, 2, 1));
    // A partial snapshot is a success, stored whole; one warning as failures begin, one as they end.
    fakes.clock->advance(5s);
    fakes.setDaemon(DaemonState::stopped());
    QCoro::waitFor(s.refresh());
    EXPECT_EQ(log.warnings(),
              (QStringList{u"tovi.store warning: tovi status fails: tovi exited with code 2: boom"_qs,
                           u"tovi.store warning: the tovi service stopped running"_qs,
                           u"tovi.store warning: tovi status works again"_qs}));
    EXPECT_FALSE(s.lastError());
    EXPECT_EQ(s.status()->nodes->online, 7);
    EXPECT_EQ(s.status()->partial, true);
    EXPECT_EQ(s.status()->errors->size(), 2);
    EXPECT_EQ(s.lastUpdated(), fakes.clock->now());
    EXPECT_EQ(daemon.count(), 2);
}

TEST_F(StoreTest, TeamLookupRunsUnlessSignedOutOrKnown) {
    fakes.runner->replySequence(statusArguments(),
                                {FakeRunner::ok(statusJson(false)), FakeRunner::ok(statusJson(std::nullopt)),
                                 FakeRunner::ok(statusJson(true))});
    fakes.runner->replySequence(accountMeArguments(),
                                {FakeRunner::fail(1), FakeRunner::ok(R"({"team_id":"t-9"})")});
    StatusStore& s = makeStore();
    const auto lookupsAfterRefresh = [&] {
        QCoro::waitFor(s.refresh());
        return fakes.runner->count(accountMeArguments());
    };
    EXPECT_EQ(lookupsAfterRefresh(), 0); // signed out
    EXPECT_EQ(lookupsAfterRefresh(), 1); // flag absent: looked up, fails silently
    EXPECT_FALSE(s.teamId() || s.lastError());
    EXPECT_EQ(lookupsAfterRefresh(), 2); // still unknown
    EXPECT_EQ(s.teamId(), u"t-9"_qs);
    EXPECT_EQ(lookupsAfterRefresh(), 2); // known
    // A failed status run with no snapshot at all still looks the team up.
    FakeDependencies other;
    other.runner->reply(statusArguments(), FakeRunner::fail(3));
    StatusStore fresh(other.make());
    QCoro::waitFor(fresh.refresh());
    EXPECT_EQ(other.runner->count(accountMeArguments()), 1);
    EXPECT_EQ(fresh.teamId(), u"team-1"_qs);
}

// Overlapping refreshes join; the poll loop sleeps between passes and stretches rather than overlaps.
TEST_F(StoreTest, RefreshesJoinAndOnePollingLoopSleepsBetweenPasses) {
    fakes.interval = 1500ms;
    fakes.defaults->setValue(u"autoUpdateCLI"_qs, false);
    FakeStatusSource& source = fakes.useFakeSource();
    source.setResults({snapshot(true, 1), snapshot(true, 2)});
    StatusStore& s = makeStore();
    auto gate = source.gate();
    QCoro::Task<> first = s.refresh(), second = s.refresh();
    EXPECT_TRUE(s.isRefreshing());
    EXPECT_EQ(source.fetchCount(), 1);
    gate->open();
    QCoro::waitFor(first);
    QCoro::waitFor(second);
    EXPECT_FALSE(s.isRefreshing());
    EXPECT_EQ(s.status()->nodes->online, 1);
    QCoro::waitFor(s.refresh());
    EXPECT_EQ(s.status()->nodes->online, 2);
    s.start();
    const TaskHandlePtr poll = s.pollTask();
    ASSERT_TRUE(poll);
    s.start();
    EXPECT_EQ(s.pollTask(), poll);
    EXPECT_EQ(source.fetchCount(), 4); // the start-up refresh, then the loop's first pass
    EXPECT_EQ(fakes.clock->requestedSleeps().value(0), 1500ms);
    fakes.clock->advance(1499ms);
    EXPECT_EQ(source.fetchCount(), 4);
    fakes.clock->advance(1ms);
    EXPECT_EQ(source.fetchCount(), 5);
    EXPECT_EQ(fakes.clock->sleepers(), 1);
    gate = source.gate();
    fakes.clock->advance(1500ms);
    fakes.clock->advance(10s);
    EXPECT_EQ(source.fetchCount(), 6);
    EXPECT_EQ(fakes.clock->sleepers(), 0);
    gate->open();
    EXPECT_EQ(fakes.clock->sleepers(), 1);
    // A refresh in flight when the store goes away finishes without touching it; the loop ends.
    gate = source.gate();
    QCoro::Task<> pending = s.refresh();
    destroyStore();
    gate->open();
    QCoro::waitFor(pending);
    fakes.clock->releaseAll();
    EXPECT_TRUE(poll->isFinished());
    EXPECT_EQ(source.fetchCount(), 7);
    EXPECT_EQ(fakes.clock->sleepers(), 0);
}

// Registered once, from an installed location only; the switch shows the platform's state.
TEST_F(StoreTest, LoginItemIsRegisteredOnceAndTheSwitchShowsThePlatformsState) {
    const QString did = u"didRegisterLoginItem"_qs;
    for (AppLocation where : {AppLocation::temporary, AppLocation::elsewhere}) {
        *fakes.location = where;
        makeStore().registerLoginItemOnFirstLaunch();
        EXPECT_TRUE(fakes.loginItem->requests().isEmpty() && !fakes.defaults->contains(did));
    }
    *fakes.location = AppLocation::applicationsFolder;
    StatusStore& s = makeStore();
    QSignalSpy changed(&s, &StatusStore::launchAtLoginEnabledChanged);
    s.registerLoginItemOnFirstLaunch();
    EXPECT_EQ(fakes.loginItem->requests(), QList<bool>{true});
    EXPECT_TRUE(s.launchAtLoginEnabled());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(fakes.defaults->boolValue(did), true);
    s.setLaunchAtLogin(false); // turned off by the user, it stays off at later launches
    makeStore().registerLoginItemOnFirstLaunch();
    EXPECT_EQ(fakes.loginItem->requests(), (QList<bool>{true, false}));
    EXPECT_FALSE(store().launchAtLoginEnabled());
    // A failed first registration is not retried, and says nothing.
    fakes.defaults->remove(did);
    fakes.loginItem->failWith(u"read-only"_qs);
    makeStore().registerLoginItemOnFirstLaunch();
    store().registerLoginItemOnFirstLaunch();
    EXPECT_EQ(fakes.loginItem->requests().size(), 3);
    EXPECT_FALSE(store().maintenanceMessage());
    // The switch refused: the message, and a notification so it springs back to off.
    QSignalSpy switched(&store(), &StatusStore::launchAtLoginEnabledChanged);
    store().setLaunchAtLogin(true);
    EXPECT_EQ(store().maintenanceMessage(), u"read-only"_qs);
    EXPECT_FALSE(store().launchAtLoginEnabled());
    EXPECT_EQ(switched.count(), 1);
    fakes.loginItem->failWith(std::nullopt);
    store().setLaunchAtLogin(true); // success clears the message
    EXPECT_FALSE(store().maintenanceMessage());
    EXPECT_TRUE(store().launchAtLoginEnabled());
    EXPECT_EQ(switched.count(), 2);
    fakes.loginItem->setNeedsApproval(true); // accepted but awaiting approval: off
    store().setLaunchAtLogin(false);
    store().setLaunchAtLogin(true);
    EXPECT_FALSE(store().launchAtLoginEnabled() || store().maintenanceMessage());
    fakes.loginItem->setState(true);
    EXPECT_TRUE(makeStore().launchAtLoginEnabled());
}

TEST_F(StoreTest, KeepAwakeHoldsAtMostOneAssertion) {
    StatusStore& s = makeStore();
    for (bool on : {true, true, false, false})
        s.applyKeepAwake(on);
    EXPECT_EQ(fakes.keepAwake->begins(), 1);
    EXPECT_EQ(fakes.keepAwake->ends(), 1);
    EXPECT_EQ(fakes.keepAwake->reasons(), QStringList{u"Keep computer awake (Tovi)"_qs});
    QSignalSpy changed(&s, &StatusStore::keepAwakeChanged);
    s.setKeepAwake(true);
    EXPECT_TRUE(s.keepAwake() && s.isKeepAwakeActive());
    EXPECT_EQ(fakes.defaults->value(u"keepAwake"_qs), QVariant(true));
    EXPECT_EQ(fakes.keepAwake->activeCount(), 1);
    s.setKeepAwake(false);
    EXPECT_FALSE(s.keepAwake());
    EXPECT_EQ(fakes.keepAwake->activeCount(), 0);
    EXPECT_EQ(changed.count(), 2);
}

TEST_F(StoreTest, WebOriginComesFromTheEnvironmentOrTheBuild) {
    const QString builtIn = normalizedWebOrigin(QString::fromUtf8(build::defaultWebOrigin));
    std::optional<tovi::test::ScopedEnv> env;
    const auto environment = [&](const QByteArray& value) {
        env.reset();
        env.emplace("TOVI_WEB_ORIGIN", value);
    };
    environment("http://127.0.0.1:8123///");
    fakes.webOrigin.clear();
    EXPECT_EQ(makeStore().serviceURL(u"/credits"_qs), QUrl(u"http://127.0.0.1:8123/credits"_qs));
    environment("");
    EXPECT_EQ(serviceWebOrigin(), builtIn);
    EXPECT_FALSE(builtIn.endsWith(u'/'));
    fakes.webOrigin = u"https://staging.test/"_qs; // an injected origin wins over both
    EXPECT_EQ(makeStore().webOrigin(), u"https://staging.test"_qs);
    EXPECT_FALSE(store().maintenanceMessage());
    // Anything but http(s) with a host would reach curl or the browser as something else; the
    // refusal shows a bounded excerpt.
    fakes.webOrigin.clear();
    const QByteArray tooLong = "file:///" + QByteArray(300, 'a');
    for (const QByteArray& refused : {QByteArray("-o/tmp/x http://evil.test"), QByteArray("https://"),
                                      QByteArray("https://tovi.test/?q=1"), tooLong}) {
        environment(refused);
        EXPECT_EQ(makeStore().webOrigin(), builtIn) << refused.constData();
        EXPECT_EQ(store().maintenanceMessage(),
                  u"TOVI_WEB_ORIGIN \u201C"_qs + QString::fromUtf8(refused.left(200)) +
                      u"\u201D is not an http or https address; using "_qs + builtIn + u" instead."_qs);
    }
    fakes.webOrigin = u"javascript:alert(1)"_qs;
    EXPECT_EQ(makeStore().webOrigin(), builtIn);
}

TEST(DeveloperPollInterval, TakesOnlyAPositiveWholeNumberOfMilliseconds) {
    EXPECT_EQ(developerPollInterval("1"), 1ms);
    EXPECT_EQ(developerPollInterval("86400000"), 86'400'000ms);
    for (const char* value : {"", "0", "-50", "+50", " 50", "50ms", "99999999999999999999999"})
        EXPECT_EQ(developerPollInterval(QByteArray(value)), std::nullopt) << "'" << value << "'";
    StatusStoreDependencies given;
    given.interval = 7000ms;
    for (auto [value, expected] : {std::pair{"50", 50ms}, {"fast", 7000ms}}) {
        const tovi::test::ScopedEnv env("TOVI_DEV_POLL_INTERVAL_MS", QByteArray(value));
        EXPECT_EQ(withLiveDependencies(given).interval, expected) << value;
    }
}

} // namespace
} // namespace tovi::testing
