#include "StoreFixture.h"

#include "model/Decoding.h"
#include "store/CLICommands.h"

namespace tovi::testing {
namespace {

const QByteArray loginJson =
    R"({"status":"pending","url":"https://tovi.test/approve/abc","token":"tok-secret-123","expires_in":"10m"})";

class SignInTest : public StoreTest {
protected:
    void SetUp() override {
        // Every profile already has the wanted history value, so passes only read.
        for (const char* name : {"default", "work"})
            fakes.config->insert(QStringLiteral("profile.%1.memory_disabled").arg(QLatin1String(name)),
                                 QStringLiteral("true"));
        fakes.runner->replyPrefix(args({"account", "login"}), FakeRunner::ok(loginJson));
        claimWith(R"({"status":"approved","user":{"email":"a@b.c"}})");
    }

    void claimWith(const QByteArray& json) {
        fakes.runner->replyPrefix(args({"account", "claim"}), FakeRunner::ok(json));
    }

    static std::optional<QString> named(std::optional<const char*> profile) {
        return profile ? std::optional<QString>(QString::fromUtf8(*profile)) : std::nullopt;
    }
    static QStringList login(std::optional<const char*> profile = std::nullopt) {
        return CLICommands::login(named(profile));
    }
    static QStringList claim(std::optional<const char*> profile = std::nullopt) {
        return CLICommands::claim(QStringLiteral("tok-secret-123"), named(profile));
    }
    static QStringList configGet(const char* profile) {
        return CLICommands::configGet(
            QStringLiteral("profile.%1.memory_disabled").arg(QLatin1String(profile)));
    }
};

TEST_F(SignInTest, ApprovedSignInAppliesHistoryThenReloadsTheAccount) {
    StatusStore& s = makeStore();
    QCoro::waitFor(s.refresh());
    ASSERT_EQ(s.teamId(), QStringLiteral("team-1"));
    fakes.runner->reply(accountMeArguments(), FakeRunner::ok(R"({"team_id":"team-2"})"));
    fakes.runner->clearRecords();
    QList<SignInPhase> phases;
    QObject::connect(&s, &StatusStore::signInPhaseChanged, [&] { phases << s.signInPhase(); });
    QList<std::optional<QString>> teams;
    QObject::connect(&s, &StatusStore::teamIdChanged, [&] { teams << s.teamId(); });

    s.startSignIn(std::nullopt);

    const QList<QStringList> expected{
        profileListArguments(), configGet("default"), login(), claim(), profileListArguments(),
        statusArguments(),      accountMeArguments()};
    EXPECT_EQ(fakes.runner->runs(), expected);
    EXPECT_EQ(fakes.browser->opened(), QList<QUrl>{QUrl(QStringLiteral("https://tovi.test/approve/abc"))});
    EXPECT_EQ(phases, (QList<SignInPhase>{
                          SignInPhase::awaitingApproval(QStringLiteral("https://tovi.test/approve/abc")),
                          SignInPhase::idle()}));
    EXPECT_EQ(teams, (QList<std::optional<QString>>{std::nullopt, QStringLiteral("team-2")}));
    EXPECT_FALSE(s.signInError());
    EXPECT_FALSE(s.signInTask());
    EXPECT_EQ(s.profiles().size(), 1);
}

TEST_F(SignInTest, NamedProfileIsPassedAndGetsItsHistorySettingFirst) {
    StatusStore& s = makeStore();
    s.startSignIn(QStringLiteral("work"));
    const QList<QStringList> runs = fakes.runner->runs();
    const qsizetype history = runs.indexOf(configGet("work"));
    const qsizetype loginAt = runs.indexOf(login("work"));
    ASSERT_GE(history, 0);
    ASSERT_GE(loginAt, 0);
    EXPECT_LT(history, loginAt);
    EXPECT_TRUE(runs.contains(claim("work")));
    EXPECT_FALSE(runs.contains(login()));
}

TEST_F(SignInTest, ClaimOutcomesBecomeMessages) {
    StatusStore& s = makeStore();
    const auto outcome = [&](const QByteArray& json) {
        claimWith(json);
        fakes.runner->clearRecords();
        s.startSignIn(std::nullopt);
        EXPECT_EQ(s.signInPhase(), SignInPhase::idle());
        // Only an approval reloads the profiles (the history pass lists them once).
        EXPECT_EQ(fakes.runner->count(profileListArguments()), 1) << json.constData();
        return s.signInError().value_or(QStringLiteral("<none>"));
    };
    EXPECT_EQ(outcome(R"({"status":"cancelled"})"), QStringLiteral("Sign-in was cancelled."));
    EXPECT_EQ(outcome(R"({"status":"expired"})"), QStringLiteral("The approval link expired — try again."));
    EXPECT_EQ(outcome(R"({"status":"denied"})"), QStringLiteral("Sign-in didn't complete (denied)."));
    EXPECT_EQ(outcome(R"({})"), QStringLiteral("Sign-in didn't complete (unknown)."));
    EXPECT_EQ(outcome(R"({"status":"Approved"})"), QStringLiteral("Sign-in didn't complete (Approved)."));

    // Failing runs and undecodable answers report their own text; the log never the claim
    // token, even when the CLI quotes it back.
    fakes.runner->replyPrefix(args({"account", "claim"}),
                              FakeRunner::fail(4, QStringLiteral("claim tok-secret-123 refused")));
    fakes.runner->clearRecords();
    {
        const tovi::test::LogCapture log;
        s.startSignIn(std::nullopt);
        EXPECT_EQ(log.warnings(), QStringList{QStringLiteral("tovi.store warning: sign-in failed")});
        EXPECT_FALSE(log.all().join(u'\n').contains(QStringLiteral("tok-secret-123")))
            << log.all().join(u'\n').toStdString();
    }
    EXPECT_EQ(s.signInError(), QStringLiteral("tovi exited with code 4: claim tok-secret-123 refused"));
    const QByteArray numericExpiry = R"({"url":"https://x.test","token":"t","expires_in":600})";
    fakes.runner->replyPrefix(args({"account", "login"}), FakeRunner::ok(numericExpiry));
    s.startSignIn(std::nullopt);
    const Result<LoginClaim> expected = decodeLoginClaim(numericExpiry);
    ASSERT_FALSE(expected.ok());
    EXPECT_EQ(s.signInError(), expected.error().description());
    EXPECT_EQ(fakes.browser->opened().size(), 6); // nothing opened for the undecodable login
    EXPECT_EQ(s.signInPhase(), SignInPhase::idle());
}

TEST_F(SignInTest, NothingToApproveRefreshesQuietly) {
    StatusStore& s = makeStore();
    for (const QByteArray& json :
         {QByteArray(R"({"url":"https://tovi.test/approve"})"), QByteArray(R"({"token":"t"})"),
          QByteArray(R"({"token":"t","url":"not a url"})"), QByteArray(R"({"authenticated":true})"),
          // Valid addresses, but no web page: never handed to the browser.
          QByteArray(R"({"token":"t","url":"file:///etc/passwd"})"),
          QByteArray(R"j({"token":"t","url":"javascript:alert(1)"})j"),
          QByteArray(R"({"token":"t","url":"mailto:a@b.test"})"),
          QByteArray(R"({"token":"t","url":"https://"})")}) {
        fakes.runner->replyPrefix(args({"account", "login"}), FakeRunner::ok(json));
        fakes.runner->clearRecords();
        s.startSignIn(std::nullopt);
        EXPECT_EQ(fakes.runner->count(args({"account", "claim"})), 0) << json.constData();
        EXPECT_EQ(fakes.runner->count(statusArguments()), 1) << json.constData();
        EXPECT_FALSE(s.signInError());
        EXPECT_EQ(s.signInPhase(), SignInPhase::idle());
    }
    // The same rule for every address the window asks the store to open.
    EXPECT_FALSE(s.openAddress(QUrl(QStringLiteral("file:///etc/passwd"))));
    EXPECT_FALSE(s.openAddress(QUrl(QStringLiteral("javascript:alert(1)"))));
    EXPECT_TRUE(fakes.browser->opened().isEmpty());
    EXPECT_TRUE(s.openAddress(QUrl(QStringLiteral("https://tovi.test/usage"))));
    EXPECT_EQ(fakes.browser->opened().size(), 1);
}

TEST_F(SignInTest, SecondStartWhileOneRunsChangesNothing) {
    StatusStore& s = makeStore();
    auto claimGate = fakes.runner->gate(args({"account", "claim"}));
    s.startSignIn(std::nullopt);
    const TaskHandlePtr running = s.signInTask();
    ASSERT_TRUE(running);
    const SignInPhase phase = s.signInPhase();
    ASSERT_EQ(phase.kind, SignInPhase::Kind::awaitingApproval);
    QSignalSpy errors(&s, &StatusStore::signInErrorChanged);

    s.startSignIn(QStringLiteral("work"));
    EXPECT_EQ(s.signInTask(), running);
    EXPECT_EQ(s.signInPhase(), phase);
    EXPECT_EQ(errors.count(), 0);
    EXPECT_EQ(fakes.runner->count(args({"account", "login"})), 1);
    claimGate->open();
    EXPECT_TRUE(running->isFinished());
    EXPECT_FALSE(s.signInTask());
}

TEST_F(SignInTest, CancellingDuringTheClaimWaitIsSilent) {
    StatusStore& s = makeStore();
    for (const Result<QByteArray>& late :
         {FakeRunner::ok(R"({"status":"approved"})"), FakeRunner::ok(R"({"status":"expired"})"),
          FakeRunner::fail(1, QStringLiteral("gone"))}) {
        fakes.runner->clearRecords();
        auto claimGate = fakes.runner->gate(args({"account", "claim"}));
        s.startSignIn(std::nullopt);
        ASSERT_EQ(s.signInPhase().kind, SignInPhase::Kind::awaitingApproval);
        const TaskHandlePtr task = s.signInTask();

        s.cancelSignIn();
        EXPECT_EQ(s.signInPhase(), SignInPhase::idle());
        EXPECT_FALSE(s.signInTask());
        const std::optional<QString> team = s.teamId();

        fakes.runner->replyPrefix(args({"account", "claim"}), late);
        claimGate->open();
        EXPECT_TRUE(task->isFinished());
        EXPECT_FALSE(s.signInError());
        EXPECT_EQ(s.signInPhase(), SignInPhase::idle());
        EXPECT_EQ(fakes.runner->count(profileListArguments()), 1); // the history pass only
        EXPECT_EQ(fakes.runner->count(statusArguments()), 0);
        EXPECT_EQ(s.teamId(), team);
    }
}

TEST_F(SignInTest, CancelledSignInLeavesALaterOneAlone) {
    StatusStore& s = makeStore();
    auto secondClaim = fakes.runner->gate(claim("work"));
    auto firstClaim = fakes.runner->gate(claim());
    s.startSignIn(std::nullopt);
    s.cancelSignIn();
    s.startSignIn(QStringLiteral("work"));
    const TaskHandlePtr second = s.signInTask();
    ASSERT_TRUE(second);
    const SignInPhase waiting = s.signInPhase();
    ASSERT_EQ(waiting.kind, SignInPhase::Kind::awaitingApproval);

    // The abandoned claim comes back first: it must not touch the running sign-in.
    firstClaim->open();
    EXPECT_EQ(s.signInTask(), second);
    EXPECT_EQ(s.signInPhase(), waiting);
    EXPECT_FALSE(s.signInError());

    claimWith(R"({"status":"cancelled"})");
    secondClaim->open();
    EXPECT_TRUE(second->isFinished());
    EXPECT_FALSE(s.signInTask());
    EXPECT_EQ(s.signInError(), QStringLiteral("Sign-in was cancelled."));

    // Cancelled while an approved sign-in reloads the account: its reload ends after the
    // next sign-in shows its waiting screen, and must leave that screen up.
    claimWith(R"({"status":"approved"})");
    auto reload = fakes.runner->gate(statusArguments());
    auto thirdClaim = fakes.runner->gate(claim("work"));
    s.startSignIn(std::nullopt);
    ASSERT_EQ(fakes.runner->count(statusArguments()), 1);
    s.cancelSignIn();
    s.startSignIn(QStringLiteral("work"));
    const TaskHandlePtr third = s.signInTask();
    ASSERT_EQ(s.signInPhase().kind, SignInPhase::Kind::awaitingApproval);
    reload->open();
    EXPECT_EQ(s.signInTask(), third);
    EXPECT_EQ(s.signInPhase().kind, SignInPhase::Kind::awaitingApproval);
    thirdClaim->open();
}

TEST_F(SignInTest, ProfileCommandsReportAndReload) {
    StatusStore& s = makeStore();
    QCoro::waitFor(s.refresh());
    fakes.runner->clearRecords();

    QCoro::waitFor(s.switchProfile(QStringLiteral("work")));
    EXPECT_EQ(s.maintenanceMessage(), QStringLiteral("Switched to work"));
    EXPECT_EQ(fakes.runner->runs(),
              (QList<QStringList>{CLICommands::profileUse(QStringLiteral("work")), profileListArguments(),
                                  statusArguments(), accountMeArguments()}));

    QCoro::waitFor(s.removeProfile(QStringLiteral("old")));
    EXPECT_EQ(s.maintenanceMessage(), QStringLiteral("Removed old"));
    QCoro::waitFor(s.signOut());
    EXPECT_EQ(s.maintenanceMessage(), QStringLiteral("Signed out"));
    EXPECT_EQ(fakes.runner->count(CLICommands::logout()), 1);

    // A failed switch still clears the team, reloads the profiles and refreshes.
    fakes.runner->reply(CLICommands::profileUse(QStringLiteral("gone")),
                        FakeRunner::fail(2, QStringLiteral("no such profile")));
    fakes.runner->reply(accountMeArguments(), FakeRunner::fail(1));
    fakes.runner->clearRecords();
    QCoro::waitFor(s.switchProfile(QStringLiteral("gone")));
    EXPECT_EQ(s.maintenanceMessage(), QStringLiteral("tovi exited with code 2: no such profile"));
    EXPECT_FALSE(s.teamId());
    EXPECT_EQ(fakes.runner->count(profileListArguments()), 1);
    EXPECT_EQ(fakes.runner->count(statusArguments()), 1);
    EXPECT_FALSE(s.isMaintaining());

    // Requested while another maintenance runs: dropped without a message.
    auto gate = fakes.runner->gate(args({"account", "profile", "use"}));
    QCoro::Task<> first = s.switchProfile(QStringLiteral("work"));
    QCoro::waitFor(s.removeProfile(QStringLiteral("work")));
    QCoro::waitFor(s.restartService());
    EXPECT_EQ(fakes.runner->count(args({"account", "profile", "remove"})), 0);
    EXPECT_EQ(fakes.runner->count(args({"install"})), 0);
    EXPECT_FALSE(s.maintenanceMessage());
    gate->open();
    QCoro::waitFor(first);
    EXPECT_EQ(s.maintenanceMessage(), QStringLiteral("Switched to work"));
}

TEST_F(SignInTest, ProfileAndTeamLookupsFailSilently) {
    StatusStore& s = makeStore();
    fakes.runner->reply(profileListArguments(),
                        FakeRunner::ok(R"([{"name":"a","default":true},{"name":"b"}])"));
    QCoro::waitFor(s.loadProfiles());
    ASSERT_EQ(s.profiles().size(), 2);
    EXPECT_EQ(s.profiles()[1].name, QStringLiteral("b"));
    EXPECT_FALSE(s.profiles()[1].active);

    fakes.runner->reply(profileListArguments(), FakeRunner::fail(1));
    QCoro::waitFor(s.loadProfiles());
    EXPECT_EQ(s.profiles().size(), 2);
    fakes.runner->reply(profileListArguments(), FakeRunner::ok(R"({"name":"a"})"));
    QCoro::waitFor(s.loadProfiles());
    EXPECT_TRUE(s.profiles().isEmpty());

    QCoro::waitFor(s.fetchTeamId());
    EXPECT_EQ(s.teamId(), QStringLiteral("team-1"));
    fakes.runner->reply(accountMeArguments(), FakeRunner::fail(1));
    QCoro::waitFor(s.fetchTeamId());
    EXPECT_EQ(s.teamId(), QStringLiteral("team-1"));
    fakes.runner->reply(accountMeArguments(), FakeRunner::ok(R"({"team_id":7})"));
    QCoro::waitFor(s.fetchTeamId());
    EXPECT_FALSE(s.teamId());
    fakes.runner->reply(accountMeArguments(), FakeRunner::ok(R"({"team_id":"t2"})"));
    QCoro::waitFor(s.fetchTeamId());
    fakes.runner->reply(accountMeArguments(), FakeRunner::ok(R"({"team_id":null})"));
    QCoro::waitFor(s.fetchTeamId());
    EXPECT_FALSE(s.teamId());
}

TEST_F(SignInTest, WebAddressesComeFromTheOrigin) {
    fakes.webOrigin = QStringLiteral("https://tovi.test//");
    StatusStore& s = makeStore();
    EXPECT_FALSE(s.teamURL(QStringLiteral("spaces/abc")));
    EXPECT_EQ(s.serviceURL(QStringLiteral("/usage")), QUrl(QStringLiteral("https://tovi.test/usage")));
    QCoro::waitFor(s.fetchTeamId());
    EXPECT_EQ(s.teamURL(QStringLiteral("spaces/abc")),
              QUrl(QStringLiteral("https://tovi.test/team/team-1/spaces/abc")));
    fakes.runner->reply(accountMeArguments(), FakeRunner::ok(R"({"team_id":"bad team"})"));
    QCoro::waitFor(s.fetchTeamId());
    EXPECT_FALSE(s.teamURL(QStringLiteral("spaces/abc")));
}

} // namespace
} // namespace tovi::testing
