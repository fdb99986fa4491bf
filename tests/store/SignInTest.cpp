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
    fakes.runner->reply(accountMeArguments(), FakeRunner::ok(R"({"team_id":"team-2"})"));
    fakes.runner->clearRecords();
    QList<SignInPhase> phases;
    QObject::connect(&s, &StatusStore::signInPhaseChanged, [&] { phases << s.signInPhase(); });

    s.startSignIn(std::nullopt);
    EXPECT_EQ(fakes.runner->runs(),
              (QList<QStringList>{profileListArguments(), configGet("default"), login(), claim(),
                                  profileListArguments(), statusArguments(), accountMeArguments()}));
    EXPECT_EQ(fakes.browser->opened(), QList<QUrl>{QUrl(QStringLiteral("https://tovi.test/approve/abc"))});
    EXPECT_EQ(phases, (QList<SignInPhase>{
                          SignInPhase::awaitingApproval(QStringLiteral("https://tovi.test/approve/abc")),
                          SignInPhase::idle()}));
    EXPECT_EQ(s.teamId(), QStringLiteral("team-2"));
    EXPECT_FALSE(s.signInError());
    EXPECT_FALSE(s.signInTask());

    // A named profile is passed on, and gets its history setting before the login.
    fakes.runner->clearRecords();
    s.startSignIn(QStringLiteral("work"));
    const QList<QStringList> runs = fakes.runner->runs();
    EXPECT_LT(runs.indexOf(configGet("work")), runs.indexOf(login("work")));
    EXPECT_GE(runs.indexOf(configGet("work")), 0);
    EXPECT_TRUE(runs.contains(claim("work")));
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
    EXPECT_EQ(outcome(R"({})"), QStringLiteral("Sign-in didn't complete (unknown)."));
    EXPECT_EQ(outcome(R"({"status":"Approved"})"), QStringLiteral("Sign-in didn't complete (Approved)."));

    // Failing runs and undecodable answers report their own text; the log never the claim
    // token, even when the CLI quotes it back.
    fakes.runner->replyPrefix(args({"account", "claim"}),
                              FakeRunner::fail(4, QStringLiteral("claim tok-secret-123 refused")));
    {
        const tovi::test::LogCapture log;
        s.startSignIn(std::nullopt);
        EXPECT_EQ(log.warnings(), QStringList{QStringLiteral("tovi.store warning: sign-in failed")});
        EXPECT_FALSE(log.all().join(u'\n').contains(QStringLiteral("tok-secret-123")));
    }
    EXPECT_EQ(s.signInError(), QStringLiteral("tovi exited with code 4: claim tok-secret-123 refused"));
    const QByteArray numericExpiry = R"({"url":"https://x.test","token":"t","expires_in":600})";
    fakes.runner->replyPrefix(args({"account", "login"}), FakeRunner::ok(numericExpiry));
    const qsizetype opened = fakes.browser->opened().size();
    s.startSignIn(std::nullopt);
    EXPECT_EQ(s.signInError(), decodeLoginClaim(numericExpiry).error().description());
    EXPECT_EQ(fakes.browser->opened().size(), opened);
}

TEST_F(SignInTest, NothingToApproveRefreshesQuietly) {
    StatusStore& s = makeStore();
    for (const QByteArray& json : {QByteArray(R"({"url":"https://tovi.test/approve"})"),
                                   QByteArray(R"({"token":"t","url":"not a url"})"),
                                   // Valid addresses, but no web page: never handed to the browser.
                                   QByteArray(R"({"token":"t","url":"file:///etc/passwd"})"),
                                   QByteArray(R"j({"token":"t","url":"javascript:alert(1)"})j"),
                                   QByteArray(R"({"token":"t","url":"https://"})")}) {
        fakes.runner->replyPrefix(args({"account", "login"}), FakeRunner::ok(json));
        fakes.runner->clearRecords();
        s.startSignIn(std::nullopt);
        EXPECT_EQ(fakes.runner->count(args({"account", "claim"})), 0) << json.constData();
        EXPECT_EQ(fakes.runner->count(statusArguments()), 1) << json.constData();
        EXPECT_FALSE(s.signInError());
    }
    // The same rule for every address the window asks the store to open.
    EXPECT_FALSE(s.openAddress(QUrl(QStringLiteral("file:///etc/passwd"))));
    EXPECT_FALSE(s.openAddress(QUrl(QStringLiteral("javascript:alert(1)"))));
    EXPECT_TRUE(fakes.browser->opened().isEmpty());
    EXPECT_TRUE(s.openAddress(QUrl(QStringLiteral("https://tovi.test/usage"))));
    EXPECT_EQ(fakes.browser->opened().size(), 1);
}

TEST_F(SignInTest, CancelledSignInIsSilentAndLeavesALaterOneAlone) {
    StatusStore& s = makeStore();
    auto secondClaim = fakes.runner->gate(claim("work"));
    auto firstClaim = fakes.runner->gate(claim());
    s.startSignIn(std::nullopt);
    const TaskHandlePtr first = s.signInTask();
    s.startSignIn(QStringLiteral("work")); // while one runs: changes nothing
    EXPECT_EQ(s.signInTask(), first);
    EXPECT_EQ(fakes.runner->count(args({"account", "login"})), 1);
    s.cancelSignIn();
    EXPECT_EQ(s.signInPhase(), SignInPhase::idle());
    EXPECT_FALSE(s.signInTask());
    s.startSignIn(QStringLiteral("work"));
    const TaskHandlePtr second = s.signInTask();
    const SignInPhase waiting = s.signInPhase();
    ASSERT_EQ(waiting.kind, SignInPhase::Kind::awaitingApproval);

    // The abandoned claim comes back approved first: no message, no reload, and the running
    // sign-in is untouched.
    fakes.runner->clearRecords();
    firstClaim->open();
    EXPECT_TRUE(first->isFinished());
    EXPECT_EQ(s.signInTask(), second);
    EXPECT_EQ(s.signInPhase(), waiting);
    EXPECT_FALSE(s.signInError());
    EXPECT_EQ(fakes.runner->count(statusArguments()), 0);

    claimWith(R"({"status":"cancelled"})");
    secondClaim->open();
    EXPECT_TRUE(second->isFinished());
    EXPECT_EQ(s.signInError(), QStringLiteral("Sign-in was cancelled."));

    // Cancelled while an approved sign-in reloads the account: that reload ends after the
    // next sign-in shows its waiting screen, and must leave that screen up.
    claimWith(R"({"status":"approved"})");
    auto reload = fakes.runner->gate(statusArguments());
    auto thirdClaim = fakes.runner->gate(claim("work"));
    s.startSignIn(std::nullopt);
    s.cancelSignIn();
    s.startSignIn(QStringLiteral("work"));
    const TaskHandlePtr third = s.signInTask();
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

    // Requested while another maintenance runs: dropped without a message.
    auto gate = fakes.runner->gate(args({"account", "profile", "use"}));
    QCoro::Task<> first = s.switchProfile(QStringLiteral("work"));
    QCoro::waitFor(s.removeProfile(QStringLiteral("work")));
    EXPECT_EQ(fakes.runner->count(args({"account", "profile", "remove"})), 0);
    EXPECT_FALSE(s.maintenanceMessage());
    gate->open();
    QCoro::waitFor(first);
    EXPECT_EQ(s.maintenanceMessage(), QStringLiteral("Switched to work"));
}

} // namespace
} // namespace tovi::testing
