#include "StoreFixture.h"

#include "model/Decoding.h"

namespace tovi::test {
namespace {

class SignInTest : public StoreTest {
protected:
    void SetUp() override {
        // Every profile already has the wanted history value, so passes only read.
        for (const char* name : {"default", "work"})
            fakes.config->insert(historyKey(name), u"true"_qs);
        loginWith(
            R"({"status":"pending","url":"https://tovi.test/approve/abc","token":"tok-secret-123","expires_in":"10m"})");
        claimWith(R"({"status":"approved","user":{"email":"a@b.c"}})");
    }
    void loginWith(const QByteArray& json) { fakes.runner->replyPrefix(login(), FakeRunner::ok(json)); }
    void claimWith(const QByteArray& json) { fakes.runner->replyPrefix(anyClaim, FakeRunner::ok(json)); }
    static QStringList login(std::optional<QString> profile = std::nullopt) { return cli::login(profile); }
    static QStringList claim(std::optional<QString> profile = std::nullopt) {
        return cli::claim(u"tok-secret-123"_qs, profile);
    }
    const QStringList anyClaim = cli::claim({}, std::nullopt).first(2);
    const QUrl approval{u"https://tovi.test/approve/abc"_qs};
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
              (QList<QStringList>{profileListArguments(), get("default"), login(), claim(),
                                  profileListArguments(), statusArguments(), accountMeArguments()}));
    EXPECT_EQ(fakes.browser->opened(), QList<QUrl>{approval});
    EXPECT_EQ(phases,
              (QList<SignInPhase>{SignInPhase::awaitingApproval(approval.toString()), SignInPhase::idle()}));
    EXPECT_EQ(s.teamId(), u"team-2"_qs);
    EXPECT_FALSE(s.signInError());
    EXPECT_FALSE(s.signInTask());
    // A named profile is passed on, and gets its history setting before the login.
    fakes.runner->clearRecords();
    s.startSignIn(u"work"_qs);
    EXPECT_EQ(fakes.runner->runs(),
              (QList<QStringList>{profileListArguments(), get("default"), get("work"), login(u"work"_qs),
                                  claim(u"work"_qs), profileListArguments(), statusArguments(),
                                  accountMeArguments()}));
}

TEST_F(SignInTest, OutcomesBecomeMessagesAndOnlyWebAddressesOpen) {
    StatusStore& s = makeStore();
    const std::pair<const char*, QString> rows[] = {
        {R"({"status":"cancelled"})", u"Sign-in was cancelled."_qs},
        {R"({"status":"expired"})", u"The approval link expired — try again."_qs},
        {R"({})", u"Sign-in didn't complete (unknown)."_qs},
        {R"({"status":"Approved"})", u"Sign-in didn't complete (Approved)."_qs}};
    // Asked again as the message appears, the sign-in still runs: nothing changes, not the message.
    const QMetaObject::Connection again = QObject::connect(&s, &StatusStore::signInErrorChanged, [&] {
        if (s.signInError())
            s.startSignIn(u"work"_qs);
    });
    for (const auto& [json, message] : rows) {
        claimWith(json);
        fakes.runner->clearRecords();
        s.startSignIn(std::nullopt);
        EXPECT_EQ(s.signInPhase(), SignInPhase::idle());
        EXPECT_EQ(s.signInError(), message);
        // Only an approval reloads the profiles (the history pass lists them once).
        EXPECT_EQ(fakes.runner->count(profileListArguments()), 1) << json;
    }
    QObject::disconnect(again);
    // A failing claim reports its text; the log never the token, even when the CLI quotes it back.
    fakes.runner->replyPrefix(anyClaim, FakeRunner::fail(4, u"claim tok-secret-123 refused"_qs));
    {
        const LogCapture log;
        s.startSignIn(std::nullopt);
        EXPECT_EQ(log.warnings(), QStringList{u"tovi.store warning: sign-in failed"_qs});
        EXPECT_FALSE(log.all().join(u'\n').contains(u"tok-secret-123"_qs));
    }
    EXPECT_EQ(s.signInError(), u"tovi exited with code 4: claim tok-secret-123 refused"_qs);
    // An undecodable login reports the decoder's text and opens nothing.
    const QByteArray numericExpiry = R"({"url":"https://x.test","token":"t","expires_in":600})";
    loginWith(numericExpiry);
    const qsizetype opened = fakes.browser->opened().size();
    s.startSignIn(std::nullopt);
    EXPECT_EQ(s.signInError(), decodeLoginClaim(numericExpiry).error().description());
    // Nothing to approve, or no web page to approve it on: no claim, a quiet refresh, no browser.
    for (const char* json :
         {R"({"url":"https://tovi.test/approve"})", R"({"token":"t","url":"file:///etc/passwd"})",
          R"({"token":"t","url":"https://"})"}) {
        loginWith(json);
        fakes.runner->clearRecords();
        s.startSignIn(std::nullopt);
        EXPECT_EQ(fakes.runner->count(anyClaim), 0) << json;
        EXPECT_EQ(fakes.runner->count(statusArguments()), 1) << json;
        EXPECT_FALSE(s.signInError());
    }
    // The same rule for every address the window asks the store to open.
    EXPECT_FALSE(s.openAddress(QUrl(u"javascript:alert(1)"_qs)));
    EXPECT_EQ(fakes.browser->opened().size(), opened);
    EXPECT_TRUE(s.openAddress(QUrl(u"http://tovi.test/usage"_qs)));
    EXPECT_EQ(fakes.browser->opened().size(), opened + 1);
}

TEST_F(SignInTest, CancelledSignInIsSilentAndLeavesALaterOneAlone) {
    StatusStore& s = makeStore();
    auto secondClaim = fakes.runner->gate(claim(u"work"_qs));
    auto firstClaim = fakes.runner->gate(claim());
    s.startSignIn(std::nullopt);
    const TaskHandlePtr first = s.signInTask();
    s.startSignIn(u"work"_qs); // while one runs: changes nothing
    EXPECT_EQ(s.signInTask(), first);
    EXPECT_EQ(fakes.runner->count(login()), 1);
    s.cancelSignIn();
    EXPECT_EQ(s.signInPhase(), SignInPhase::idle());
    EXPECT_FALSE(s.signInTask());
    s.startSignIn(u"work"_qs);
    const TaskHandlePtr second = s.signInTask();
    const SignInPhase waiting = s.signInPhase();
    ASSERT_EQ(waiting.kind, SignInPhase::Kind::awaitingApproval);
    // The abandoned claim comes back approved: no message, no reload, the running sign-in untouched.
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
    EXPECT_EQ(s.signInError(), u"Sign-in was cancelled."_qs);
    // Cancelled while the login runs: its answer opens no page and leaves no waiting screen.
    auto login = fakes.runner->gate(this->login());
    const qsizetype pages = fakes.browser->opened().size();
    s.startSignIn(std::nullopt);
    s.cancelSignIn();
    login->open();
    EXPECT_EQ(s.signInPhase(), SignInPhase::idle());
    EXPECT_EQ(fakes.browser->opened().size(), pages);
    EXPECT_FALSE(s.signInTask());
    // An approved sign-in cancelled during its reload must leave the next one's waiting screen up.
    claimWith(R"({"status":"approved"})");
    auto reload = fakes.runner->gate(statusArguments());
    auto thirdClaim = fakes.runner->gate(claim(u"work"_qs));
    s.startSignIn(std::nullopt);
    s.cancelSignIn();
    s.startSignIn(u"work"_qs);
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
    QCoro::waitFor(s.switchProfile(u"work"_qs));
    EXPECT_EQ(s.maintenanceMessage(), u"Switched to work"_qs);
    EXPECT_EQ(fakes.runner->runs(), (QList<QStringList>{cli::profileUse(u"work"_qs), profileListArguments(),
                                                        statusArguments(), accountMeArguments()}));
    QCoro::waitFor(s.removeProfile(u"old"_qs));
    EXPECT_EQ(s.maintenanceMessage(), u"Removed old"_qs);
    EXPECT_EQ(fakes.runner->count(cli::profileRemove(u"old"_qs)), 1);
    QCoro::waitFor(s.signOut());
    EXPECT_EQ(s.maintenanceMessage(), u"Signed out"_qs);
    EXPECT_EQ(fakes.runner->count(cli::logout()), 1);
    // A failed switch still clears the team, reloads the profiles and refreshes.
    fakes.runner->reply(cli::profileUse(u"gone"_qs), FakeRunner::fail(2, u"no such profile"_qs));
    fakes.runner->reply(accountMeArguments(), FakeRunner::fail(1));
    fakes.runner->clearRecords();
    QCoro::waitFor(s.switchProfile(u"gone"_qs));
    EXPECT_EQ(s.maintenanceMessage(), u"tovi exited with code 2: no such profile"_qs);
    EXPECT_FALSE(s.teamId());
    EXPECT_EQ(fakes.runner->count(profileListArguments()), 1);
    EXPECT_EQ(fakes.runner->count(statusArguments()), 1);
    // A failed list run keeps the profiles shown; an unreadable list empties them.
    for (const auto& [reply, left] : {std::pair(FakeRunner::fail(1), 1), std::pair(FakeRunner::ok("{"), 0)}) {
        fakes.runner->reply(profileListArguments(), reply);
        QCoro::waitFor(s.loadProfiles());
        EXPECT_EQ(s.profiles().size(), left);
    }
}

} // namespace
} // namespace tovi::test
