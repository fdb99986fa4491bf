#include "SimHome.h"

#include "bridge/DaemonStateProbe.h"
#include "bridge/ProcessCLICommandRunner.h"
#include "model/Decoding.h"
#include "platform/BoottimeClock.h"
#include "store/CLICommands.h"
#include "store/StatusStore.h"
#include "support/FakeBrowser.h"
#include "support/FakeKeepAwake.h"
#include "support/FakeLoginItem.h"
#include "support/MemoryUserDefaults.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>

using namespace std::chrono_literals;

namespace tovi::testing {
namespace {

class StoreIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariable("TOVI_SIM").isEmpty())
            GTEST_SKIP() << "TOVI_SIM is not set (run through ctest)";
        ASSERT_TRUE(m_home.isValid());
    }

    StatusStore& makeStore() {
        ExecutableLocator locator;
        // Nothing of this machine: only the temporary HOME's per-user install counts.
        locator.applicationExecutable = m_home.home() + QStringLiteral("/app/tovi-tray");
        locator.homeDirectory = m_home.home();
        locator.systemCandidates.clear();
        locator.packageManagerCandidates.clear();
        locator.searchPath = QByteArray();

        StatusStoreDependencies deps;
        deps.interval = 200ms;
        deps.cliRunner = std::make_shared<ProcessCLICommandRunner>(locator);
        deps.defaults = defaults;
        deps.daemonStateProvider = &readDaemonState;
        deps.loginItem = std::make_shared<FakeLoginItem>();
        deps.keepAwake = std::make_shared<FakeKeepAwake>();
        deps.browser = browser;
        deps.clock = std::make_shared<BoottimeClock>();
        deps.appLocation = [] { return AppLocation::elsewhere; };
        m_store = std::make_unique<StatusStore>(deps);
        return *m_store;
    }

    void TearDown() override {
        // Let in-flight runs finish before the sim and HOME go away.
        if (m_store) {
            const TaskHandlePtr poll = m_store->pollTask();
            m_store.reset();
            if (poll)
                spinUntil([&] { return poll->isFinished(); });
        }
    }

    QString configValue(const QString& profile) {
        const QString key = QStringLiteral("profile.") + profile + QStringLiteral(".memory_disabled");
        const QByteArray json = m_home.sim(CLICommands::configGet(key));
        const Result<bool> value = StatusStore::readHistoryDisabled(json, key);
        return value ? (value.value() ? QStringLiteral("true") : QStringLiteral("false"))
                     : value.error().description();
    }

    // POSTs to the approval page's decision endpoint, as the user's browser would.
    int decide(const QUrl& approvalPage, const char* decision) {
        QNetworkAccessManager network;
        QNetworkRequest request(QUrl(approvalPage.toString() + QLatin1Char('/') + QLatin1String(decision)));
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QStringLiteral("application/x-www-form-urlencoded"));
        QNetworkReply* reply = network.post(request, QByteArray());
        spinUntil([&] { return reply->isFinished(); });
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        reply->deleteLater();
        return status;
    }

    SimHome m_home;
    std::shared_ptr<MemoryUserDefaults> defaults = std::make_shared<MemoryUserDefaults>();
    std::shared_ptr<FakeBrowser> browser = std::make_shared<FakeBrowser>();
    std::unique_ptr<StatusStore> m_store;
};

TEST_F(StoreIntegrationTest, PollingFollowsTheServiceAndTheCli) {
    ASSERT_TRUE(m_home.installCli());
    defaults->setValue(QStringLiteral("lastCliUpdate"), 4'000'000'000.0); // no automatic update
    StatusStore& s = makeStore();
    EXPECT_EQ(s.daemonState(), DaemonState::stopped());

    s.start();
    // The start-up task finds the service stopped and installs it.
    ASSERT_TRUE(spinUntil([&] { return s.status().has_value() && !s.bootstrapTask(); }));
    EXPECT_EQ(s.bootstrapState(), BootstrapState::idle());
    EXPECT_TRUE(s.daemonState().running);
    EXPECT_FALSE(s.lastError());
    EXPECT_EQ(s.status()->authenticated, true);
    EXPECT_TRUE(s.teamId());

    // A failing status command shows its text beside the last good snapshot.
    m_home.sim({QStringLiteral("scenario"), QStringLiteral("add"),
                QStringLiteral(R"({"match":["internal","status"],"exit":3,"stderr":"boom\n"})")});
    ASSERT_TRUE(spinUntil([&] { return s.lastError().has_value(); }));
    EXPECT_EQ(s.lastError(), QStringLiteral("tovi exited with code 3: boom"));
    const QDateTime good = *s.lastUpdated();
    int passes = 0;
    QObject::connect(&s, &StatusStore::isRefreshingChanged, [&] { passes += s.isRefreshing() ? 0 : 1; });
    ASSERT_TRUE(spinUntil([&] { return passes >= 2; }));
    EXPECT_EQ(s.lastError(), QStringLiteral("tovi exited with code 3: boom"));
    EXPECT_EQ(s.lastUpdated(), good);
    EXPECT_TRUE(s.status());

    m_home.sim({QStringLiteral("scenario"), QStringLiteral("clear")});
    ASSERT_TRUE(spinUntil([&] { return !s.lastError().has_value(); }));
    EXPECT_GT(*s.lastUpdated(), good);

    // A restart from the menu goes through the same service install.
    QCoro::waitFor(s.restartService());
    EXPECT_EQ(s.maintenanceMessage(), QStringLiteral("Daemon restarted"));
    EXPECT_TRUE(s.daemonState().running);
}

TEST_F(StoreIntegrationTest, FirstLaunchInstallsEverythingFromTheWebOrigin) {
    const QString origin = m_home.serve();
    ASSERT_TRUE(origin.startsWith(QStringLiteral("http://127.0.0.1:"))) << origin.toStdString();

    // No script at that address: the download's failure is the task's, with curl's words.
    {
        const test::ScopedEnv missing("TOVI_WEB_ORIGIN", (origin + QStringLiteral("/missing")).toUtf8());
        StatusStore& failing = makeStore();
        QCoro::waitFor(TaskHandle::wait(failing.startBootstrap()));
        EXPECT_EQ(failing.bootstrapState().kind, BootstrapState::Kind::failed);
        EXPECT_TRUE(failing.bootstrapState().message.contains(QStringLiteral("curl: (22)")))
            << failing.bootstrapState().message.toStdString();
        EXPECT_FALSE(defaults->contains(QStringLiteral("lastCliUpdate")));
    }

    StatusStore& s = makeStore();
    EXPECT_EQ(s.webOrigin(), origin);
    EXPECT_FALSE(QFile::exists(m_home.installedCli()));

    s.start();
    ASSERT_TRUE(spinUntil([&] { return !s.bootstrapTask() && s.status().has_value(); }))
        << s.lastError().value_or(QString()).toStdString();
    EXPECT_EQ(s.bootstrapState(), BootstrapState::idle());
    EXPECT_TRUE(QFileInfo(m_home.installedCli()).isExecutable());
    EXPECT_GT(defaults->doubleValue(QStringLiteral("lastCliUpdate")), 0);
    EXPECT_TRUE(s.daemonState().running);
    EXPECT_FALSE(s.lastError());
}

TEST_F(StoreIntegrationTest, SignInThroughTheApprovalPage) {
    ASSERT_TRUE(m_home.installCli());
    ASSERT_FALSE(m_home.serve().isEmpty());
    StatusStore& s = makeStore();

    // Approved: the new profile is listed and the team is known again.
    s.startSignIn(QStringLiteral("lab"));
    ASSERT_TRUE(spinUntil([&] { return s.signInPhase().kind == SignInPhase::Kind::awaitingApproval; }))
        << s.signInError().value_or(QString()).toStdString();
    ASSERT_EQ(browser->opened().size(), 1);
    const QUrl approval = browser->opened().last();
    EXPECT_EQ(approval.toString(), s.signInPhase().url);
    EXPECT_EQ(decide(approval, "approve"), 200);
    ASSERT_TRUE(spinUntil([&] { return !s.signInTask(); }));
    EXPECT_FALSE(s.signInError());
    EXPECT_EQ(s.signInPhase(), SignInPhase::idle());
    bool listed = false;
    for (const Profile& profile : s.profiles())
        listed = listed || profile.name == QStringLiteral("lab");
    EXPECT_TRUE(listed);
    EXPECT_TRUE(s.teamId());

    // Rejected in the browser: the cancellation message.
    s.startSignIn(std::nullopt);
    ASSERT_TRUE(spinUntil([&] { return s.signInPhase().kind == SignInPhase::Kind::awaitingApproval; }));
    EXPECT_EQ(decide(browser->opened().last(), "reject"), 200);
    ASSERT_TRUE(spinUntil([&] { return !s.signInTask(); }));
    EXPECT_EQ(s.signInError(), QStringLiteral("Sign-in was cancelled."));
    EXPECT_EQ(s.signInPhase(), SignInPhase::idle());
}

TEST_F(StoreIntegrationTest, HistorySettingReachesEveryProfile) {
    ASSERT_TRUE(m_home.installCli());
    StatusStore& s = makeStore();
    const QStringList profiles{QStringLiteral("default"), QStringLiteral("work"), QStringLiteral("lab")};

    // Off: every listed profile and the pending one end up disabled.
    QCoro::waitFor(s.awaitHistorySync(QStringList{QStringLiteral("lab")}));
    EXPECT_FALSE(s.historySyncError()) << s.historySyncError()->toStdString();
    for (const QString& profile : profiles)
        EXPECT_EQ(configValue(profile), QStringLiteral("true")) << profile.toStdString();

    s.setHistorySyncEnabled(true);
    const TaskHandlePtr task = s.historySyncTask();
    ASSERT_TRUE(task);
    QCoro::waitFor(TaskHandle::wait(task));
    EXPECT_FALSE(s.historySyncApplying());
    EXPECT_EQ(configValue(QStringLiteral("default")), QStringLiteral("false"));
    EXPECT_EQ(configValue(QStringLiteral("work")), QStringLiteral("false"));
    // A name passed once is not remembered: only the CLI's own profiles follow the switch.
    EXPECT_EQ(configValue(QStringLiteral("lab")), QStringLiteral("true"));
}

// Every command line Tovi runs, against the stand-in: a misspelt word or flag is refused there
// (exit 2), and every output Tovi decodes must decode.
TEST_F(StoreIntegrationTest, TheCliAcceptsEveryCatalogueCommand) {
    ASSERT_TRUE(m_home.installCli());
    ASSERT_FALSE(m_home.serve().isEmpty());
    const auto run = [&](const QStringList& arguments) {
        int exitCode = -1;
        const QByteArray output = m_home.sim(arguments, &exitCode);
        EXPECT_EQ(exitCode, 0) << arguments.join(u' ').toStdString();
        return output;
    };
    EXPECT_TRUE(decodeInternalStatus(run(CLICommands::status())));
    run(CLICommands::install());
    run(CLICommands::installService());
    run(CLICommands::configSet(QStringLiteral("profile.work.memory_disabled"), QStringLiteral("true")));
    EXPECT_EQ(configValue(QStringLiteral("work")), QStringLiteral("true")); // through configGet
    EXPECT_TRUE(decodeProfileList(run(CLICommands::profileList())));
    EXPECT_TRUE(decodeAccountMe(run(CLICommands::me())));

    const Result<LoginClaim> login = decodeLoginClaim(run(CLICommands::login(QStringLiteral("lab"))));
    ASSERT_TRUE(login && login->token && login->url);
    EXPECT_EQ(decide(QUrl(*login->url), "approve"), 200);
    const Result<ClaimResult> claim =
        decodeClaimResult(run(CLICommands::claim(*login->token, QStringLiteral("lab"))));
    ASSERT_TRUE(claim);
    EXPECT_EQ(claim->status, QStringLiteral("approved"));

    run(CLICommands::profileUse(QStringLiteral("lab")));
    run(CLICommands::profileRemove(QStringLiteral("work")));
    run(CLICommands::logout());
    const Result<InternalStatus> after = decodeInternalStatus(run(CLICommands::status()));
    ASSERT_TRUE(after);
    EXPECT_EQ(after->authenticated, false);
}

} // namespace
} // namespace tovi::testing
