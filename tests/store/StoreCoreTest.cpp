#include "StoreFixture.h"

#include "BuildConfig.h"
#include "model/DisplayRules.h"
#include "platform/QSettingsUserDefaults.h"
#include "store/LiveDependencies.h"
#include "store/WebOrigin.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaMethod>

namespace tovi::test {
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
    fakes.useFakeSource().setResults({snapshot(true, 1), snapshot(true, 1),
                                      Error::cliFailed(2, u"boom\x1b]0;x\a\x1b[2J\r\u2028\\\n"_qs),
                                      decodeError, decodeError, partial});
    fakes.setDaemon(DaemonState::stopped());
    StatusStore& s = makeStore();
    EXPECT_FALSE(s.status());
    EXPECT_FALSE(s.lastUpdated());
    QSignalSpy status(&s, &StatusStore::statusChanged), error(&s, &StatusStore::lastErrorChanged),
        updated(&s, &StatusStore::lastUpdatedChanged), daemon(&s, &StatusStore::daemonStateChanged),
        refreshing(&s, &StatusStore::isRefreshingChanged), team(&s, &StatusStore::teamIdChanged);
    const LogCapture log;
    const auto shown = [&] {
        return std::tuple(s.status()->nodes->online, s.lastError().value_or(u"-"_qs), s.lastUpdated());
    };
    QCoro::waitFor(s.refresh());
    QCoro::waitFor(s.refresh()); // the same snapshot at the same time
    const QDateTime firstUpdate = fakes.clock->now();
    EXPECT_EQ(shown(), std::tuple(1, u"-"_qs, firstUpdate));
    EXPECT_EQ(s.daemonState(), DaemonState::stopped());
    EXPECT_FALSE(s.isRefreshing());
    EXPECT_EQ(std::tuple(status.count(), updated.count(), refreshing.count(), team.count(), error.count()),
              std::tuple(1, 1, 4, 1, 0));
    // A failure keeps the snapshot and its time, with the CLI's text beside it.
    fakes.clock->advance(5s);
    fakes.setDaemon(DaemonState::makeRunning(99));
    QCoro::waitFor(s.refresh());
    EXPECT_EQ(shown(),
              std::tuple(1, u"tovi exited with code 2: boom\x1b]0;x\a\x1b[2J\r\u2028\\"_qs, firstUpdate));
    EXPECT_EQ(s.daemonState(), DaemonState::makeRunning(99));
    QCoro::waitFor(s.refresh());
    QCoro::waitFor(s.refresh());
    EXPECT_EQ(shown(), std::tuple(1, u"nodes.online: expected an integer"_qs, firstUpdate));
    EXPECT_EQ(std::tuple(status.count(), updated.count(), error.count(), daemon.count()),
              std::tuple(1, 1, 2, 1));
    // The CLI's standard error reaches the log escaped: no terminal sequence, no forged line.
    // A partial snapshot is a success, stored whole; one warning as failures begin, one as they end.
    fakes.clock->advance(5s);
    fakes.setDaemon(DaemonState::stopped());
    QCoro::waitFor(s.refresh());
    EXPECT_EQ(
        log.warnings(),
        (QStringList{
            u"tovi.store warning: tovi status fails: tovi exited with code 2: boom\\u{1b}]0;x\\u{7}\\u{1b}[2J\\u{d}\\u{2028}\\\\"_qs,
            u"tovi.store warning: the tovi service stopped running"_qs,
            u"tovi.store warning: tovi status works again"_qs}));
    EXPECT_EQ(shown(), std::tuple(7, u"-"_qs, fakes.clock->now()));
    EXPECT_EQ(std::pair(s.status()->partial, s.status()->errors->size()),
              std::pair(std::optional(true), qsizetype(2)));
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
    EXPECT_FALSE(s.teamId());
    EXPECT_FALSE(s.lastError());
    EXPECT_EQ(lookupsAfterRefresh(), 2); // still unknown
    EXPECT_EQ(s.teamId(), u"t-9"_qs);
    EXPECT_EQ(lookupsAfterRefresh(), 2); // known
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
    // Nothing polls while the start-up task runs; the stored keep-awake is held before that.
    fakes.defaults->setValue(u"keepAwake"_qs, true);
    fakes.setDaemon(DaemonState::stopped());
    auto service = fakes.runner->gate(cli::installService());
    s.start();
    const TaskHandlePtr poll = s.pollTask();
    ASSERT_TRUE(poll);
    s.start();
    EXPECT_EQ(s.pollTask(), poll);
    EXPECT_EQ(std::pair(source.fetchCount(), fakes.keepAwake->begins()), std::pair(2, 1));
    service->open();
    EXPECT_EQ(source.fetchCount(), 4); // the start-up refresh, then the loop's first pass
    EXPECT_EQ(fakes.clock->requestedSleeps().value(0), 1500ms);
    fakes.clock->advance(1499ms);
    EXPECT_EQ(source.fetchCount(), 4);
    fakes.clock->advance(1ms);
    const auto fetchesAndSleepers = [&] { return std::pair(source.fetchCount(), fakes.clock->sleepers()); };
    EXPECT_EQ(fetchesAndSleepers(), std::pair(5, 1));
    gate = source.gate();
    fakes.clock->advance(1500ms);
    fakes.clock->advance(10s);
    EXPECT_EQ(fetchesAndSleepers(), std::pair(6, 0));
    gate->open();
    EXPECT_EQ(fetchesAndSleepers(), std::pair(6, 1));
    // A refresh in flight when the store goes away finishes without touching it; the loop ends.
    gate = source.gate();
    QCoro::Task<> pending = s.refresh();
    destroyStore();
    gate->open();
    QCoro::waitFor(pending);
    fakes.clock->releaseAll();
    EXPECT_TRUE(poll->isFinished());
    EXPECT_EQ(fetchesAndSleepers(), std::pair(7, 0));
}

// An action reads the status after its own command even while a poll's reading, begun before it,
// is in flight; that older reading, finishing last, does not undo what the action showed.
TEST_F(StoreTest, ActionsReadTheStatusAfterTheirOwnEffect) {
    FakeStatusSource& source = fakes.useFakeSource();
    fakes.runner->replyPrefix(cli::login({}), FakeRunner::ok(R"({"url":"https://tovi.test/a","token":"t"})"));
    fakes.runner->replyPrefix(cli::claim({}, {}).first(2), FakeRunner::ok(R"({"status":"approved"})"));
    StatusStore& s = makeStore();
    std::vector<QCoro::Task<>> actions;
    const std::pair<const char*, std::function<void()>> rows[] = {
        {"approved sign-in", [&] { s.startSignIn(std::nullopt); }},
        {"nothing to approve",
         [&] {
             fakes.runner->replyPrefix(cli::login({}), FakeRunner::ok("{}"));
             s.startSignIn(std::nullopt);
         }},
        {"start-up task", [&] { s.startBootstrap(); }},
        {"profile command", [&] { actions.push_back(s.switchProfile(u"work"_qs)); }},
        {"maintenance", [&] { actions.push_back(s.restartService()); }},
        {"automatic update", [&] { actions.push_back(s.autoUpdateCLIIfDue()); }}};
    for (const auto& [action, start] : rows) {
        source.setResults({snapshot(true), snapshot(false)}); // the later reading, then the earlier
        const std::shared_ptr<FakeGate> earlier = source.gate();
        QCoro::Task<> poll = s.refresh();
        source.gate()->open();
        const int fetches = source.fetchCount();
        start();
        EXPECT_EQ(source.fetchCount(), fetches + 1) << action;
        EXPECT_FALSE(s.isMaintaining()) << action;
        EXPECT_FALSE(s.signInTask()) << action;
        EXPECT_FALSE(s.bootstrapTask()) << action;
        EXPECT_FALSE(isSignedOut(s.status())) << action;
        earlier->open();
        QCoro::waitFor(poll);
        EXPECT_FALSE(isSignedOut(s.status())) << action;
    }
}

// Registered once, from an installed location only; the switch shows the platform's state.
TEST_F(StoreTest, LoginItemIsRegisteredOnceAndTheSwitchShowsThePlatformsState) {
    const QString did = u"didRegisterLoginItem"_qs;
    *fakes.location = AppLocation::temporary;
    makeStore().registerLoginItemOnFirstLaunch();
    EXPECT_TRUE(fakes.loginItem->requests().isEmpty());
    EXPECT_FALSE(fakes.defaults->contains(did));
    *fakes.location = AppLocation::applicationsFolder;
    StatusStore& s = makeStore();
    QSignalSpy changed(&s, &StatusStore::launchAtLoginEnabledChanged);
    s.registerLoginItemOnFirstLaunch();
    EXPECT_EQ(fakes.loginItem->requests(), QList<bool>{true});
    EXPECT_EQ(std::tuple(s.launchAtLoginEnabled(), changed.count(), fakes.defaults->boolValue(did)),
              std::tuple(true, 1, std::optional(true)));
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
    const auto shown = [&] {
        return std::tuple(store().launchAtLoginEnabled(), store().maintenanceMessage().value_or(u"-"_qs),
                          switched.count());
    };
    store().setLaunchAtLogin(true);
    EXPECT_EQ(shown(), std::tuple(false, u"read-only"_qs, 1));
    fakes.loginItem->failWith(std::nullopt);
    store().setLaunchAtLogin(true); // success clears the message
    EXPECT_EQ(shown(), std::tuple(true, u"-"_qs, 2));
    fakes.loginItem->setNeedsApproval(true); // accepted but awaiting approval: off
    store().setLaunchAtLogin(false);
    store().setLaunchAtLogin(true);
    EXPECT_EQ(shown(), std::tuple(false, u"-"_qs, 4));
    fakes.loginItem->setState(true);
    EXPECT_TRUE(makeStore().launchAtLoginEnabled());
    // What the entry's reading found is said once, at the start, in the message area.
    fakes.loginItem->setNotice(u"Tovi's autostart entry can't be read."_qs);
    EXPECT_EQ(makeStore().maintenanceMessage(), u"Tovi's autostart entry can't be read."_qs);
}

TEST_F(StoreTest, KeepAwakeHoldsAtMostOneAssertion) {
    StatusStore& s = makeStore();
    for (bool on : {true, true, false, false})
        s.applyKeepAwake(on);
    EXPECT_EQ(std::pair(fakes.keepAwake->begins(), fakes.keepAwake->ends()), std::pair(1, 1));
    EXPECT_EQ(fakes.keepAwake->reasons(), QStringList{u"Keep computer awake (Tovi)"_qs});
    QSignalSpy changed(&s, &StatusStore::keepAwakeChanged);
    for (bool on : {true, false}) {
        s.setKeepAwake(on);
        EXPECT_EQ(std::tuple(s.keepAwake(), s.isKeepAwakeActive(), fakes.keepAwake->activeCount()),
                  std::tuple(on, on, on ? 1 : 0));
        EXPECT_EQ(fakes.defaults->value(u"keepAwake"_qs), QVariant(on));
    }
    EXPECT_EQ(changed.count(), 2);
}

// A settings file that cannot be written (here a folder where the file should be): each switch
// still does what the user asked for this run, and the message says the choice will not last.
TEST_F(StoreTest, ASwitchThatCannotBeSavedHoldsForTheRunAndSaysSo) {
    QTemporaryDir temp;
    const QString path = temp.path() + u"/Tovi.conf"_qs;
    ASSERT_TRUE(QDir().mkpath(path));
    StatusStoreDependencies deps = fakes.make();
    deps.defaults = std::make_shared<QSettingsUserDefaults>(path);
    StatusStore s(std::move(deps));
    const QString refused = u"Couldn't save Tovi's settings to "_qs + path;
    const struct {
        const char* name;
        std::function<bool()> get;
        std::function<void(bool)> set;
        QMetaMethod changed;
    } rows[] = {
        {"keep awake", [&] { return s.keepAwake(); }, [&](bool on) { s.setKeepAwake(on); },
         QMetaMethod::fromSignal(&StatusStore::keepAwakeChanged)},
        {"automatic CLI update", [&] { return s.autoUpdateCLI(); }, [&](bool on) { s.setAutoUpdateCLI(on); },
         QMetaMethod::fromSignal(&StatusStore::autoUpdateCLIChanged)},
        {"notifications", [&] { return s.notificationsEnabled(); },
         [&](bool on) { s.setNotificationsEnabled(on); },
         QMetaMethod::fromSignal(&StatusStore::notificationsEnabledChanged)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QSignalSpy changed(&s, row.changed);
        const bool wanted = !row.get();
        row.set(wanted);
        EXPECT_EQ(row.get(), wanted);
        EXPECT_EQ(changed.count(), 1);
    }
    EXPECT_TRUE(s.maintenanceMessage().value_or(QString()).startsWith(refused))
        << s.maintenanceMessage().value_or(u"no message"_qs).toStdString();
    EXPECT_EQ(std::pair(s.isKeepAwakeActive(), fakes.keepAwake->activeCount()), std::pair(true, 1));
    EXPECT_FALSE(QFileInfo(path).isFile());
}

TEST_F(StoreTest, WebOriginComesFromTheEnvironmentOrTheBuild) {
    const QString builtIn = normalizedWebOrigin(QString::fromUtf8(build::defaultWebOrigin));
    std::optional<ScopedEnv> env;
    const auto environment = [&](const QByteArray& value) {
        env.reset();
        env.emplace("TOVI_WEB_ORIGIN", value);
    };
    environment("http://127.0.0.1:8123///");
    fakes.webOrigin.clear();
    EXPECT_EQ(makeStore().serviceURL(u"/credits"_qs), QUrl(u"http://127.0.0.1:8123/credits"_qs));
    environment("");
    EXPECT_EQ(serviceWebOrigin(), builtIn);
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

using HistorySyncTest = StoreTest;

TEST_F(HistorySyncTest, ReadingTheStoredValue) {
    const QString invalid = u"Couldn't read the tovi history setting for profile.work.memory_disabled."_qs;
    const std::pair<const char*, QString> rows[] = {
        {R"({"profile.work.memory_disabled":true})", u"true"_qs},
        {R"({"profile.work.memory_disabled":"TRUE"})", u"true"_qs},
        {R"({"profile.work.memory_disabled":""})", u"false"_qs},
        {R"({"profile.work.memory_disabled":1})", u"true"_qs},
        {R"({"profile.work.memory_disabled":0})", u"false"_qs},
        {R"({"profile.work.memory_disabled":2})", invalid},
        {R"({"profile.work.memory_disabled":"yes"})", invalid},
        {R"({"profile":{"work":{"memory_disabled":true}}})", invalid}, // not a nested path
        {"{", invalid}};
    for (const auto& [json, expected] : rows) {
        const Result<bool> value = StatusStore::readHistoryDisabled(json, historyKey("work"));
        EXPECT_EQ(value ? (value.value() ? u"true"_qs : u"false"_qs) : value.error().description(), expected)
            << json;
    }
}

TEST_F(HistorySyncTest, PassWritesOnlyProfilesThatDifferAndGoesOnAfterFailures) {
    fakes.runner->reply(profileListArguments(),
                        FakeRunner::ok(R"([{"name":"default"},{"name":"work"},{"name":"home"}])"));
    fakes.config->insert(historyKey("default"), u"false"_qs); // already as wanted
    fakes.config->insert(historyKey("work"), u"true"_qs);
    StatusStore& s = makeStore();
    // The first error a pass reports, "ok" when it reports none.
    const auto pass = [&](bool enabled, const QStringList& pending) {
        const Status outcome = awaitResult(s.syncHistoryPass(enabled, pending));
        return outcome ? u"ok"_qs : outcome.error().description();
    };
    EXPECT_EQ(pass(true, {u"work"_qs, u"extra"_qs}), u"ok"_qs);
    EXPECT_EQ(fakes.runner->runs(), (QList<QStringList>{profileListArguments(), get("default"), get("work"),
                                                        set("work", "false"), get("home"), get("extra")}));
    // Switched off: every profile flips the other way, once.
    fakes.runner->clearRecords();
    EXPECT_EQ(pass(false, {}), u"ok"_qs);
    EXPECT_EQ(fakes.runner->count(set("x", "x").first(2)), 3);
    EXPECT_EQ(fakes.runner->runs()[2], set("default", "true"));
    // Failures: the pass goes on and reports the first one, the list's before any profile's.
    fakes.runner->clearRecords();
    fakes.config->clear();
    fakes.runner->reply(profileListArguments(), FakeRunner::fail(5, u"list broke"_qs));
    fakes.runner->reply(get("b"), FakeRunner::fail(6, u"get broke"_qs));
    fakes.runner->reply(get("c"), FakeRunner::ok(R"({"profile.c.memory_disabled":null})"));
    const QStringList pending{u"a"_qs, u"b"_qs, u"c"_qs};
    EXPECT_EQ(pass(false, pending), u"tovi exited with code 5: list broke"_qs);
    EXPECT_EQ(fakes.runner->runs(),
              (QList<QStringList>{profileListArguments(), get("default"), set("default", "true"), get("a"),
                                  set("a", "true"), get("b"), get("c")}));
    fakes.runner->reply(profileListArguments(), FakeRunner::ok("[]"));
    EXPECT_EQ(pass(false, pending), u"tovi exited with code 6: get broke"_qs);
    // An undecodable list is reported and the pass still runs.
    fakes.runner->reply(profileListArguments(), FakeRunner::ok(R"([{"nom":"x"}])"));
    fakes.runner->clearRecords();
    EXPECT_NE(pass(false, {}), u"ok"_qs);
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
    EXPECT_EQ(fakes.config->value(historyKey("default")), u"true"_qs);
    EXPECT_FALSE(s.historySyncApplying());
    EXPECT_FALSE(s.historySyncTask());
    EXPECT_EQ(applying.count(), 2);
    // Switched over and back during a pass: the value it used, so no further pass.
    gate = fakes.runner->gate(profileListArguments());
    s.applyHistorySetting();
    s.setHistorySyncEnabled(true);
    s.setHistorySyncEnabled(false);
    gate->open();
    EXPECT_EQ(fakes.runner->count(profileListArguments()), 3);
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

TEST(DeveloperPollInterval, TakesOnlyAPositiveWholeNumberOfMilliseconds) {
    EXPECT_EQ(developerPollInterval("1"), 1ms);
    EXPECT_EQ(developerPollInterval("86400000"), 86'400'000ms);
    for (const char* value : {"", "0", "-50", "+50", " 50", "50ms", "99999999999999999999999"})
        EXPECT_EQ(developerPollInterval(QByteArray(value)), std::nullopt) << "'" << value << "'";
    StatusStoreDependencies given;
    given.interval = 7000ms;
    for (auto [value, expected] : {std::pair{"50", 50ms}, {"fast", 7000ms}}) {
        const ScopedEnv env("TOVI_DEV_POLL_INTERVAL_MS", QByteArray(value));
        EXPECT_EQ(withLiveDependencies(given).interval, expected) << value;
    }
}

} // namespace
} // namespace tovi::test
