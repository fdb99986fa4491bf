#include "StoreFixture.h"

#include "store/CLICommands.h"

using namespace std::chrono_literals;

namespace tovi::testing {
namespace {

class ServiceControlTest : public StoreTest {
protected:
    void SetUp() override {
        // The history pass of these tests finds every profile already as wanted (switch
        // off = disabled "true"), so it reads and never writes.
        fakes.config->insert(QStringLiteral("profile.default.memory_disabled"), QStringLiteral("true"));
    }

    QList<QStringList> historyPass() const {
        return {profileListArguments(),
                CLICommands::configGet(QStringLiteral("profile.default.memory_disabled"))};
    }
};

TEST_F(ServiceControlTest, FirstLaunchInstallsTheCliAndTheService) {
    fakes.runner->setInstalledSequence({false, true});
    fakes.setDaemon(DaemonState::stopped());
    fakes.runner->onRun([this](const QStringList& arguments) {
        if (arguments == CLICommands::installService())
            fakes.setDaemon(DaemonState::makeRunning(321));
    });
    StatusStore& s = makeStore();
    QList<BootstrapState> seen;
    QObject::connect(&s, &StatusStore::bootstrapStateChanged, [&] { seen << s.bootstrapState(); });

    const TaskHandlePtr task = s.startBootstrap();
    EXPECT_TRUE(task->isFinished());
    EXPECT_FALSE(s.bootstrapTask());
    EXPECT_EQ(seen, (QList<BootstrapState>{BootstrapState::installing(), BootstrapState::idle()}));
    EXPECT_EQ(
        fakes.runner->shellLines(),
        QStringList{QStringLiteral("set -o pipefail; curl -fsSL 'https://tovi.test/install.sh' | bash")});
    EXPECT_DOUBLE_EQ(fakes.defaults->doubleValue(QStringLiteral("lastCliUpdate")), nowSeconds());

    QList<QStringList> expected = historyPass();
    expected << CLICommands::installService() << statusArguments() << accountMeArguments();
    EXPECT_EQ(fakes.runner->runs(), expected);
    EXPECT_EQ(s.daemonState(), DaemonState::makeRunning(321));
    EXPECT_TRUE(s.status());
}

TEST_F(ServiceControlTest, StartUpFailuresEndFailedButStillRefresh) {
    // The install script fails: no service install, no stored time.
    fakes.runner->setInstalled(false);
    fakes.runner->replyShell(FakeRunner::fail(22, QStringLiteral("curl: (22) 404\n")));
    StatusStore& s = makeStore();
    s.startBootstrap();
    EXPECT_EQ(s.bootstrapState(),
              BootstrapState::failed(QStringLiteral("tovi exited with code 22: curl: (22) 404")));
    EXPECT_EQ(fakes.runner->runs(), (QList<QStringList>{statusArguments(), accountMeArguments()}));
    EXPECT_FALSE(fakes.defaults->contains(QStringLiteral("lastCliUpdate")));

    // A retry starts over; the script works but leaves no CLI to find: the missing-CLI text
    // (so Retry stays offered), and neither history nor the service is touched.
    fakes.runner->clearRecords();
    fakes.runner->replyShell(FakeRunner::ok());
    fakes.setDaemon(DaemonState::stopped());
    QList<BootstrapState> seen;
    QObject::connect(&s, &StatusStore::bootstrapStateChanged, [&] { seen << s.bootstrapState(); });
    s.startBootstrap();
    EXPECT_EQ(seen,
              (QList<BootstrapState>{BootstrapState::installing(),
                                     BootstrapState::failed(QStringLiteral("Couldn't find the tovi CLI."))}));
    EXPECT_EQ(fakes.runner->count(args({"config"})), 0);
    EXPECT_EQ(fakes.runner->count(args({"install"})), 0);
    EXPECT_EQ(fakes.runner->count(statusArguments()), 1);

    // The service install fails: its text, then the status is still refreshed.
    fakes.runner->clearRecords();
    fakes.runner->setInstalled(true);
    fakes.runner->reply(CLICommands::installService(),
                        FakeRunner::fail(1, QStringLiteral("systemd: unit failed")));
    s.startBootstrap();
    EXPECT_EQ(s.bootstrapState(),
              BootstrapState::failed(QStringLiteral("tovi exited with code 1: systemd: unit failed")));
    EXPECT_EQ(fakes.runner->shellLines(), QStringList());
    EXPECT_EQ(fakes.runner->runs().last(), statusArguments());
}

TEST_F(ServiceControlTest, InstallAddressIsOneQuotedShellWord) {
    fakes.runner->setInstalled(false);
    fakes.webOrigin = QStringLiteral("https://evil.test/x';touch$IFS/tmp/pwned;'//");
    StatusStore& s = makeStore();
    s.startBootstrap();
    EXPECT_EQ(fakes.runner->shellLines(),
              QStringList{QStringLiteral("set -o pipefail; curl -fsSL 'https://evil.test/x'\\'';touch$IFS"
                                         "/tmp/pwned;'\\''/install.sh' | bash")});
}

TEST_F(ServiceControlTest, AutomaticUpdateRunsOnlyAfterTwelveHours) {
    fakes.setDaemon(DaemonState::makeRunning(1));
    StatusStore& s = makeStore();
    const auto lastUpdate = [&] { return fakes.defaults->doubleValue(QStringLiteral("lastCliUpdate")); };
    const auto updateWith = [&](std::optional<double> stored) {
        fakes.runner->clearRecords();
        if (stored)
            fakes.defaults->setValue(QStringLiteral("lastCliUpdate"), *stored);
        else
            fakes.defaults->remove(QStringLiteral("lastCliUpdate"));
        QCoro::waitFor(s.autoUpdateCLIIfDue());
        return fakes.runner->count(args({"install"}));
    };
    const double now = nowSeconds();

    EXPECT_EQ(updateWith(now - 43200), 0);
    EXPECT_EQ(updateWith(now + 3600), 0); // a future time blocks until it has passed
    EXPECT_EQ(updateWith(now - 43201), 1);
    EXPECT_DOUBLE_EQ(lastUpdate(), now);
    EXPECT_EQ(updateWith(std::nullopt), 1);

    // History before and after the install, then a refresh.
    QList<QStringList> expected = historyPass();
    expected << CLICommands::install() << historyPass() << statusArguments();
    if (!s.teamId())
        expected << accountMeArguments();
    EXPECT_EQ(fakes.runner->runs(), expected);
    EXPECT_FALSE(s.isMaintaining());

    // A failed install keeps the old time, so the next pass retries.
    fakes.runner->reply(CLICommands::install(), FakeRunner::fail(1));
    EXPECT_EQ(updateWith(now - 50000), 1);
    EXPECT_DOUBLE_EQ(lastUpdate(), now - 50000);
    EXPECT_FALSE(s.isMaintaining());

    // Switched off, CLI missing, or while other maintenance runs: nothing.
    fakes.defaults->setValue(QStringLiteral("autoUpdateCLI"), false);
    EXPECT_EQ(updateWith(0), 0);
    fakes.defaults->setValue(QStringLiteral("autoUpdateCLI"), true);
    fakes.runner->setInstalled(false);
    EXPECT_EQ(updateWith(0), 0);
    fakes.runner->setInstalled(true);
    auto restart = fakes.runner->gate(args({"install", "service"}));
    QCoro::Task<> running = s.restartService();
    EXPECT_EQ(updateWith(0), 0); // beside the running restart
    restart->open();
    QCoro::waitFor(running);
}

TEST_F(ServiceControlTest, MaintenanceReportsItsOutcomeAndDropsOverlaps) {
    StatusStore& s = makeStore();
    QCoro::waitFor(s.restartService());
    EXPECT_EQ(s.maintenanceMessage(), QStringLiteral("Daemon restarted"));
    QList<QStringList> expected = historyPass();
    expected << CLICommands::installService() << statusArguments() << accountMeArguments();
    EXPECT_EQ(fakes.runner->runs(), expected);

    fakes.runner->clearRecords();
    fakes.runner->reply(CLICommands::install(), FakeRunner::fail(1, QStringLiteral("no network\n")));
    QCoro::waitFor(s.updateCLI());
    EXPECT_EQ(s.maintenanceMessage(), QStringLiteral("tovi exited with code 1: no network"));
    EXPECT_FALSE(fakes.defaults->contains(QStringLiteral("lastCliUpdate")));
    expected = historyPass();
    expected << CLICommands::install() << statusArguments() << historyPass();
    EXPECT_EQ(fakes.runner->runs(), expected);

    // A second request while one runs re-applies history and is then dropped.
    fakes.runner->clearRecords();
    auto gate = fakes.runner->gate(args({"install", "service"}));
    QSignalSpy maintaining(&s, &StatusStore::isMaintainingChanged);
    QCoro::Task<> first = s.restartService();
    EXPECT_TRUE(s.isMaintaining());
    EXPECT_FALSE(s.maintenanceMessage());
    QCoro::waitFor(s.restartService());
    EXPECT_EQ(fakes.runner->count(args({"install", "service"})), 1);
    EXPECT_EQ(fakes.runner->count(profileListArguments()), 2);
    EXPECT_FALSE(s.maintenanceMessage());
    gate->open();
    QCoro::waitFor(first);
    EXPECT_EQ(s.maintenanceMessage(), QStringLiteral("Daemon restarted"));
    EXPECT_FALSE(s.isMaintaining());
    EXPECT_EQ(maintaining.count(), 2);
}

} // namespace
} // namespace tovi::testing
