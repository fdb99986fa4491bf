// The store over the real process runner and clock, against tovi-sim installed as "tovi" in a
// sandboxed home, with the stand-in's web origin serving the install script and approvals.

#include "FaultSandbox.h"

#include "model/Decoding.h"
#include "platform/QSettingsUserDefaults.h"
#include "store/CLICommands.h"

#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

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

TEST(StoreIntegration, FirstLaunchInstallsEverythingFromTheWebOrigin) {
    FaultSandbox box;
    ASSERT_TRUE(box.isValid());
    const QString origin = box.serve();
    ASSERT_TRUE(origin.startsWith(u"http://127.0.0.1:"_qs)) << origin.toStdString();
    box.removeCli();

    // No script at that address: the download's failure is the task's, with curl's words.
    StatusStoreDependencies missing;
    missing.webOrigin = origin + u"/missing"_qs;
    std::unique_ptr<StatusStore> failing = box.makeStore(std::move(missing));
    QCoro::waitFor(TaskHandle::wait(failing->startBootstrap()));
    EXPECT_TRUE(failing->bootstrapState().message.contains(u"curl: (22)"_qs))
        << failing->bootstrapState().message.toStdString();
    EXPECT_EQ(QSettingsUserDefaults(box.settingsPath()).doubleValue(u"lastCliUpdate"_qs), 0.0);

    StatusStoreDependencies deps;
    deps.webOrigin = origin;
    std::unique_ptr<StatusStore> s = box.makeStore(std::move(deps));
    QCoro::waitFor(TaskHandle::wait(s->startBootstrap()));
    EXPECT_EQ(s->bootstrapState(), BootstrapState::idle());
    EXPECT_TRUE(QFileInfo(box.homeCliPath()).isExecutable());
    EXPECT_GT(QSettingsUserDefaults(box.settingsPath()).doubleValue(u"lastCliUpdate"_qs), 0);
    EXPECT_TRUE(s->daemonState().running);
    EXPECT_TRUE(s->status().has_value());
}

// The product path of a sign-in, with the stand-in's approval page instead of a browser.
TEST(StoreIntegration, SignInThroughTheApprovalPage) {
    FaultSandbox box;
    ASSERT_TRUE(box.isValid());
    StatusStoreDependencies deps;
    deps.webOrigin = box.serve();
    std::unique_ptr<StatusStore> s = box.makeStore(std::move(deps));
    std::unique_ptr<FaultSandbox::Window> window = box.makeWindow(*s);
    const auto awaiting = [&] { return s->signInPhase().kind == SignInPhase::Kind::awaitingApproval; };

    s->startSignIn(u"lab"_qs);
    ASSERT_TRUE(spinUntil(awaiting)) << s->signInError().value_or(QString()).toStdString();
    EXPECT_EQ(window->menu->body()->approvalUrl(), s->signInPhase().url);
    EXPECT_EQ(decide(QUrl(s->signInPhase().url), "approve"), 200);
    ASSERT_TRUE(spinUntil([&] { return !s->signInTask(); }));
    EXPECT_FALSE(s->signInError());
    bool listed = false;
    for (const Profile& profile : s->profiles())
        listed = listed || profile.name == u"lab"_qs;
    EXPECT_TRUE(listed);

    s->startSignIn(std::nullopt);
    ASSERT_TRUE(spinUntil(awaiting));
    EXPECT_EQ(decide(QUrl(s->signInPhase().url), "reject"), 200);
    ASSERT_TRUE(spinUntil([&] { return !s->signInTask(); }));
    EXPECT_EQ(s->signInError(), u"Sign-in was cancelled."_qs);
}

TEST(StoreIntegration, HistorySettingReachesEveryProfile) {
    FaultSandbox box;
    ASSERT_TRUE(box.isValid());
    std::unique_ptr<StatusStore> s = box.makeStore();
    const auto disabled = [&](const char* profile) -> QString {
        const QString key = u"profile.%1.memory_disabled"_qs.arg(QLatin1String(profile));
        QByteArray json;
        box.sim(CLICommands::configGet(key), &json);
        const Result<bool> value = StatusStore::readHistoryDisabled(json, key);
        return value ? (value.value() ? u"yes"_qs : u"no"_qs) : value.error().description();
    };

    // Off: every listed profile and the pending one end up disabled.
    QCoro::waitFor(s->awaitHistorySync(QStringList{u"lab"_qs}));
    EXPECT_FALSE(s->historySyncError());
    for (const char* profile : {"default", "work", "lab"})
        EXPECT_EQ(disabled(profile), u"yes"_qs) << profile;

    // On: the CLI's own profiles follow; a name passed once is not remembered.
    s->setHistorySyncEnabled(true);
    QCoro::waitFor(TaskHandle::wait(s->historySyncTask()));
    EXPECT_EQ(disabled("default"), u"no"_qs);
    EXPECT_EQ(disabled("work"), u"no"_qs);
    EXPECT_EQ(disabled("lab"), u"yes"_qs);
}

// Every command line Tovi runs, against the stand-in: a misspelt word or flag is refused there
// (exit 2), and every output Tovi decodes must decode.
TEST(StoreIntegration, TheCliAcceptsEveryCatalogueCommand) {
    FaultSandbox box;
    ASSERT_TRUE(box.isValid());
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
    EXPECT_TRUE(stored && stored.value());
    EXPECT_TRUE(decodeProfileList(run(CLICommands::profileList())));
    EXPECT_TRUE(decodeAccountMe(run(CLICommands::me())));

    const Result<LoginClaim> login = decodeLoginClaim(run(CLICommands::login(u"lab"_qs)));
    ASSERT_TRUE(login && login->token && login->url);
    EXPECT_EQ(decide(QUrl(*login->url), "approve"), 200);
    const Result<ClaimResult> claim = decodeClaimResult(run(CLICommands::claim(*login->token, u"lab"_qs)));
    ASSERT_TRUE(claim);
    EXPECT_EQ(claim->status, u"approved"_qs);

    run(CLICommands::profileUse(u"lab"_qs));
    run(CLICommands::profileRemove(u"work"_qs));
    run(CLICommands::logout());
    const Result<InternalStatus> after = decodeInternalStatus(run(CLICommands::status()));
    ASSERT_TRUE(after);
    EXPECT_EQ(after->authenticated, false);
}

} // namespace
} // namespace tovi::faults
