// The store over the real runner and clock, against tovi-sim as "tovi" in the faults' sandbox.

#include "FaultSandbox.h"

#include "model/Decoding.h"
#include "store/CLICommands.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <gtest/gtest.h>

namespace tovi::faults {
namespace {

// POSTs a decision to the approval page, as the user's browser would.
int decide(const QUrl& approvalPage, const char* decision) {
    QNetworkAccessManager network;
    QNetworkRequest request(QUrl(approvalPage.toString() + u'/' + QLatin1String(decision)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, u"application/x-www-form-urlencoded"_qs);
    QNetworkReply* reply = network.post(request, QByteArray());
    spinUntil([&] { return reply->isFinished(); });
    reply->deleteLater();
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

// The product path of a sign-in, with the stand-in's approval page instead of a browser.
TEST(StoreIntegration, SignInThroughTheApprovalPage) {
    FaultSandbox box;
    StatusStoreDependencies deps;
    deps.webOrigin = box.serve();
    std::unique_ptr<StatusStore> s = box.makeStore(std::move(deps));
    FaultSandbox::Window window(*s);
    const auto awaiting = [&] { return s->signInPhase().kind == SignInPhase::Kind::awaitingApproval; };
    s->startSignIn(u"lab"_qs);
    ASSERT_TRUE(spinUntil(awaiting)) << s->signInError().value_or(QString()).toStdString();
    EXPECT_EQ(window.menu.body()->approvalUrl(), s->signInPhase().url);
    EXPECT_EQ(decide(QUrl(s->signInPhase().url), "approve"), 200);
    ASSERT_TRUE(spinUntil([&] { return !s->signInTask(); }));
    EXPECT_FALSE(s->signInError());
    EXPECT_TRUE(std::any_of(s->profiles().begin(), s->profiles().end(),
                            [](const Profile& profile) { return profile.name == u"lab"_qs; }));
    s->startSignIn(std::nullopt);
    ASSERT_TRUE(spinUntil(awaiting));
    EXPECT_EQ(decide(QUrl(s->signInPhase().url), "reject"), 200);
    ASSERT_TRUE(spinUntil([&] { return !s->signInTask(); }));
    EXPECT_EQ(s->signInError(), u"Sign-in was cancelled."_qs);
}

// Every catalogue command against the stand-in: a misspelt word or flag exits 2 there, and
// every output Tovi decodes must decode.
TEST(StoreIntegration, TheCliAcceptsEveryCatalogueCommand) {
    FaultSandbox box;
    ASSERT_FALSE(box.serve().isEmpty());
    const auto run = [&](const QStringList& arguments) {
        QByteArray output;
        EXPECT_EQ(box.sim(arguments, &output), 0) << arguments.join(u' ').toStdString();
        return output;
    };
    EXPECT_TRUE(decodeInternalStatus(run(CLICommands::status())));
    run(CLICommands::install());
    run(CLICommands::installService());
    const QString key = u"profile.work.memory_disabled"_qs;
    run(CLICommands::configSet(key, u"true"_qs));
    const Result<bool> stored = StatusStore::readHistoryDisabled(run(CLICommands::configGet(key)), key);
    ASSERT_TRUE(stored);
    EXPECT_TRUE(stored.value());
    EXPECT_TRUE(decodeProfileList(run(CLICommands::profileList())));
    EXPECT_TRUE(decodeAccountMe(run(CLICommands::me())));
    const Result<LoginClaim> login = decodeLoginClaim(run(CLICommands::login(u"lab"_qs)));
    ASSERT_TRUE(login);
    ASSERT_TRUE(login->token);
    ASSERT_TRUE(login->url);
    EXPECT_EQ(decide(QUrl(*login->url), "approve"), 200);
    const Result<ClaimResult> claim = decodeClaimResult(run(CLICommands::claim(*login->token, u"lab"_qs)));
    EXPECT_EQ(claim ? claim->status : std::nullopt, u"approved"_qs);
    run(CLICommands::profileUse(u"lab"_qs));
    run(CLICommands::profileRemove(u"work"_qs));
    run(CLICommands::logout());
    const Result<InternalStatus> after = decodeInternalStatus(run(CLICommands::status()));
    EXPECT_EQ(after ? after->authenticated : std::nullopt, false);
}

} // namespace
} // namespace tovi::faults
