#include "StoreFixture.h"

namespace tovi::test {
namespace {

class ServiceControlTest : public StoreTest {
protected:
    // History is already as wanted (switch off = disabled "true"), so its passes only read.
    void SetUp() override { fakes.config->insert(historyKey("default"), u"true"_qs); }
    static QList<QStringList> historyPass() { return {profileListArguments(), get("default")}; }
    static QList<QStringList> afterHistory(const QList<QStringList>& runs) { return historyPass() + runs; }
    void watch(StatusStore& s) {
        QObject::connect(&s, &StatusStore::bootstrapStateChanged,
                         [this, &s] { m_seen << s.bootstrapState(); });
    }
    QList<BootstrapState> m_seen;
};

TEST_F(ServiceControlTest, FirstLaunchInstallsTheCliAndTheService) {
    fakes.runner->setInstalledSequence({false, true});
    fakes.setDaemon(DaemonState::stopped());
    fakes.runner->onRun([this](const QStringList& arguments) {
        if (arguments == cli::installService())
            fakes.setDaemon(DaemonState::makeRunning(321));
    });
    StatusStore& s = makeStore();
    watch(s);
    EXPECT_TRUE(s.startBootstrap()->isFinished());
    EXPECT_FALSE(s.bootstrapTask());
    EXPECT_EQ(m_seen, (QList<BootstrapState>{BootstrapState::installing(), BootstrapState::idle()}));
    EXPECT_EQ(fakes.runner->shellLines(),
              QStringList{u"set -o pipefail; curl -fsSL 'https://tovi.test/install.sh' | bash"_qs});
    EXPECT_DOUBLE_EQ(fakes.defaults->doubleValue(u"lastCliUpdate"_qs), nowSeconds());
    EXPECT_EQ(fakes.runner->runs(),
              afterHistory({cli::installService(), statusArguments(), accountMeArguments()}));
    EXPECT_EQ(s.daemonState(), DaemonState::makeRunning(321));
    EXPECT_TRUE(s.status());
    // The next launch finds both in place: history and a refresh only.
    fakes.runner->clearRecords();
    makeStore().startBootstrap();
    EXPECT_EQ(fakes.runner->runs(), afterHistory({statusArguments(), accountMeArguments()}));
    EXPECT_EQ(fakes.runner->shellLines(), QStringList());
}

TEST_F(ServiceControlTest, StartUpFailuresEndFailedButStillRefresh) {
    // The install script fails: no service install, no stored time.
    fakes.runner->setInstalled(false);
    fakes.runner->replyShell(FakeRunner::fail(22, u"curl: (22) 404\n"_qs));
    StatusStore& s = makeStore();
    s.startBootstrap();
    EXPECT_EQ(s.bootstrapState(), BootstrapState::failed(u"tovi exited with code 22: curl: (22) 404"_qs));
    EXPECT_EQ(fakes.runner->runs(), (QList<QStringList>{statusArguments(), accountMeArguments()}));
    EXPECT_FALSE(fakes.defaults->contains(u"lastCliUpdate"_qs));
    // A retry whose script leaves no CLI: the missing-CLI text (Retry stays), history and service untouched.
    fakes.runner->clearRecords();
    fakes.runner->replyShell(FakeRunner::ok());
    fakes.setDaemon(DaemonState::stopped());
    watch(s);
    s.startBootstrap();
    EXPECT_EQ(m_seen, (QList<BootstrapState>{BootstrapState::installing(),
                                             BootstrapState::failed(u"Couldn't find the tovi CLI."_qs)}));
    EXPECT_EQ(fakes.runner->runs(), QList<QStringList>{statusArguments()});
    // The service install fails: its text, then the status is still refreshed.
    fakes.runner->clearRecords();
    fakes.runner->setInstalled(true);
    fakes.runner->reply(cli::installService(), FakeRunner::fail(1, u"systemd: unit failed"_qs));
    s.startBootstrap();
    EXPECT_EQ(s.bootstrapState(),
              BootstrapState::failed(u"tovi exited with code 1: systemd: unit failed"_qs));
    EXPECT_EQ(fakes.runner->shellLines(), QStringList());
    EXPECT_EQ(fakes.runner->runs().last(), statusArguments());
    // The install address is one quoted shell word, whatever the origin holds.
    fakes.runner->setInstalled(false);
    fakes.webOrigin = u"https://evil.test/x';touch$IFS/tmp/pwned;'//"_qs;
    makeStore().startBootstrap();
    EXPECT_EQ(fakes.runner->shellLines().last(),
              u"set -o pipefail; curl -fsSL 'https://evil.test/x'\\'';touch$IFS"
              u"/tmp/pwned;'\\''/install.sh' | bash"_qs);
}

TEST_F(ServiceControlTest, AutomaticUpdateRunsOnlyAfterTwelveHours) {
    fakes.setDaemon(DaemonState::makeRunning(1));
    StatusStore& s = makeStore();
    const auto lastUpdate = [&] { return fakes.defaults->doubleValue(u"lastCliUpdate"_qs); };
    const auto updateWith = [&](double stored) { // a missing time reads as 0
        fakes.runner->clearRecords();
        fakes.defaults->setValue(u"lastCliUpdate"_qs, stored);
        QCoro::waitFor(s.autoUpdateCLIIfDue());
        return fakes.runner->count(cli::install()); // "install" and "install service" alike
    };
    const double now = nowSeconds();
    EXPECT_EQ(updateWith(now - 43200), 0);
    EXPECT_EQ(updateWith(now + 3600), 0); // a future time blocks until it has passed
    EXPECT_EQ(updateWith(now - 43201), 1);
    EXPECT_DOUBLE_EQ(lastUpdate(), now);
    EXPECT_EQ(fakes.runner->timeLimitOf(cli::install()), std::optional(10min)); // nobody watches it
    EXPECT_EQ(updateWith(0), 1);
    // History before and after the install, then a refresh (the team is known by now).
    EXPECT_EQ(fakes.runner->runs(), afterHistory({cli::install()}) + afterHistory({statusArguments()}));
    EXPECT_FALSE(s.isMaintaining());
    // A failed install keeps the old time, so the next pass retries.
    fakes.runner->reply(cli::install(), FakeRunner::fail(1));
    EXPECT_EQ(updateWith(now - 50000), 1);
    EXPECT_DOUBLE_EQ(lastUpdate(), now - 50000);
    EXPECT_FALSE(s.isMaintaining());
    // Switched off, CLI missing, or beside other maintenance: nothing.
    fakes.defaults->setValue(u"autoUpdateCLI"_qs, false);
    EXPECT_EQ(updateWith(0), 0);
    fakes.defaults->setValue(u"autoUpdateCLI"_qs, true);
    fakes.runner->setInstalled(false);
    EXPECT_EQ(updateWith(0), 0);
    fakes.runner->setInstalled(true);
    fakes.setDaemon(DaemonState::stopped()); // a start-up task held at "install service"
    auto service = fakes.runner->gate(cli::installService());
    s.startBootstrap();
    EXPECT_EQ(updateWith(0), 0);
    service->open();
    service = fakes.runner->gate(cli::installService());
    QCoro::Task<> running = s.restartService();
    EXPECT_EQ(updateWith(0), 0);
    service->open();
    QCoro::waitFor(running);
}

TEST_F(ServiceControlTest, MaintenanceReportsItsOutcomeAndDropsOverlaps) {
    StatusStore& s = makeStore();
    QCoro::waitFor(s.restartService());
    EXPECT_EQ(s.maintenanceMessage(), u"Daemon restarted"_qs);
    EXPECT_EQ(fakes.runner->runs(),
              afterHistory({cli::installService(), statusArguments(), accountMeArguments()}));
    fakes.runner->clearRecords();
    fakes.runner->reply(cli::install(), FakeRunner::fail(1, u"no network\n"_qs));
    QCoro::waitFor(s.updateCLI());
    EXPECT_EQ(s.maintenanceMessage(), u"tovi exited with code 1: no network"_qs);
    EXPECT_FALSE(fakes.defaults->contains(u"lastCliUpdate"_qs));
    EXPECT_EQ(fakes.runner->runs(), (afterHistory({cli::install(), statusArguments()}) + historyPass()));
    // A second request while one runs re-applies history and is then dropped.
    fakes.runner->clearRecords();
    auto gate = fakes.runner->gate(cli::installService());
    QSignalSpy maintaining(&s, &StatusStore::isMaintainingChanged);
    QCoro::Task<> first = s.restartService();
    EXPECT_TRUE(s.isMaintaining());
    EXPECT_FALSE(s.maintenanceMessage());
    QCoro::waitFor(s.restartService());
    const QCoro::Task<> dropped[] = {s.switchProfile(u"w"_qs), s.removeProfile(u"w"_qs), s.signOut()};
    EXPECT_EQ(fakes.runner->count(cli::installService()), 1);
    EXPECT_EQ(fakes.runner->count(profileListArguments()), 2);
    EXPECT_FALSE(s.maintenanceMessage());
    // Refresh clicks meanwhile join the status command in flight, the hung one too.
    auto hung = fakes.runner->gate(statusArguments());
    QCoro::Task<> clicks[] = {s.refresh(), s.refresh(), s.refresh()};
    EXPECT_EQ(fakes.runner->count(statusArguments()), 1);
    gate->open();
    EXPECT_EQ(fakes.runner->count(statusArguments()), 2); // its own, after the restart
    hung->open();
    QCoro::waitFor(first);
    EXPECT_EQ(s.maintenanceMessage(), u"Daemon restarted"_qs);
    EXPECT_FALSE(s.isMaintaining());
    EXPECT_EQ(maintaining.count(), 2);
}

} // namespace
} // namespace tovi::test
