#include "updater/FeedUpdater.h"
#include "UpdaterKit.h"
#include "support/TestUtil.h"
#include "updater/UpdateNotifier.h"
#include "updater/UpdatePrompter.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tovi;
using namespace tovi::test;

namespace {

constexpr auto user = FeedUpdater::CheckKind::userInitiated;
constexpr auto background = FeedUpdater::CheckKind::background;

class FakeNotifier : public UpdateNotifier {
public:
    void notify(const UpdateNotice& notice) override { notices.append(notice); }
    QList<UpdateNotice> notices;
};

class FakePrompter : public UpdatePrompter {
public:
    void show(const UpdateMessage& message) override { messages.append(message); }
    QList<UpdateMessage> messages;
};

class FeedUpdaterTest : public ::testing::Test {
protected:
    const QByteArray oldImage = "\177ELF old image",
                     newImage = "\177ELF new image " + QByteArray(300000, 'n');
    const QString download = u"/dl/Tovi-1.1.0.AppImage"_qs;

    QByteArray item(const char* version, const char* build, const QString& path, qint64 length,
                    const QByteArray& signature) {
        return "<item><sparkle:version>" + QByteArray(build) +
               "</sparkle:version><sparkle:shortVersionString>" + version +
               "</sparkle:shortVersionString><sparkle:releaseNotesLink>https://tovi.dev/notes/" + version +
               "</sparkle:releaseNotesLink><enclosure url=\"" +
               (path.startsWith(u"http") ? path.toUtf8() : server.url(path).toEncoded()) + "\" length=\"" +
               QByteArray::number(length) + "\" sparkle:edSignature=\"" + signature + "\"/></item>";
    }
    QUrl serve(const char* path, const QByteArray& body, int status = 200, const QByteArray& location = {}) {
        server.serve(QString::fromUtf8(path), FeedServer::Response{status, body, location});
        return server.url(QString::fromUtf8(path));
    }
    // A feed offering 1.1.0 (beside an older 1.0.5) whose download is `body`.
    QUrl offer(const QByteArray& body, qint64 length, const QByteArray& signature, const QString& at = {}) {
        serve("/dl/Tovi-1.1.0.AppImage", body);
        return serve("/feed.xml",
                     appcast(item("1.0.5", "8", u"/dl/old"_qs, 1, "x") +
                             item("1.1.0", "9", at.isEmpty() ? download : at, length, signature)));
    }
    QUrl goodOffer() { return offer(newImage, newImage.size(), keys.signBase64(newImage)); }

    QString makeAppImage() {
        const QString path = dir.filePath(u"apps/Tovi.AppImage"_qs);
        writeFile(path, oldImage);
        return path;
    }

    std::unique_ptr<FeedUpdater> make(const QUrl& feed, const QString& appImage = QString(),
                                      std::chrono::seconds firstCheckDelay = std::chrono::hours(1)) {
        return std::make_unique<FeedUpdater>(
            FeedUpdater::Options{settingsFile(), feed, keys.publicKeyBase64(), u"1.0.0"_qs, u"7"_qs, appImage,
                                 downloads(), u"dev.tovi.Tovi"_qs, &network, &notifier, &prompter,
                                 [this](const QString& path) { restarts.append(path); }, firstCheckDelay});
    }
    static void check(FeedUpdater& updater, FeedUpdater::CheckKind kind, int times = 1) {
        for (int i = 0; i < times; ++i)
            QCoro::waitFor(updater.check(kind));
    }

    // A background check without an AppImage to replace: one notice, for the package manager.
    void expectPackageManagerNotice() {
        notifier.notices.clear();
        check(*make(goodOffer()), background);
        ASSERT_EQ(notifier.notices.size(), 1);
        EXPECT_TRUE(notifier.notices[0].body.contains(u"package manager"_qs));
        EXPECT_TRUE(notifier.notices[0].action.isEmpty());
    }

    QString settingsFile() const { return dir.filePath(u"config/Tovi/Tovi.conf"_qs); }
    QString downloads() const { return dir.filePath(u"cache/updates"_qs); }
    QStringList downloadedFiles() const { return QDir(downloads()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir dir;
    FeedServer server;
    TestKeys keys;
    QNetworkAccessManager network;
    FakeNotifier notifier;
    FakePrompter prompter;
    QStringList restarts;
};

} // namespace

TEST_F(FeedUpdaterTest, UserCheckSaysWhetherTheFeedHasSomethingNewer) {
    const QString a = u"/a"_qs;
    const struct {
        QUrl feed;
        const char* text;
        const char* detail;
        bool offersDownload;
    } cases[] = {
        {serve("/newer", appcast(item("1.0.9", "99", a, 1, "s") + item("1.1.0", "8", a, 1, "s"))),
         "A new version of Tovi is available!", "Tovi 1.1.0 is now available \u2014 you have 1.0.0.", true},
        {serve("/rebuilt", appcast(item("1.0", "8", a, 1, "s"))), "A new version of Tovi is available!",
         "Tovi 1.0 is now available", true},
        {serve("/same", appcast(item("1.0.0", "7", a, 1, "s"))),
         "Tovi 1.0.0 is the newest version available.", "", false},
        {serve("/malformed", "<rss><channel><item>"), "Tovi could not check for updates.", "not valid XML",
         false},
        {serve("/redirect", "", 302, "http://updates.example.org/feed.xml"),
         "Tovi could not check for updates.", "HTTPS", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.feed.path().toStdString());
        prompter.messages.clear();
        auto updater = make(c.feed);
        check(*updater, user);
        ASSERT_EQ(prompter.messages.size(), 1);
        const UpdateMessage& shown = prompter.messages.first();
        EXPECT_EQ(shown.text, QString::fromUtf8(c.text));
        EXPECT_TRUE(shown.detail.contains(QString::fromUtf8(c.detail))) << shown.detail.toStdString();
        EXPECT_EQ(shown.acceptAction == u"download", c.offersDownload);
        EXPECT_EQ(updater->foundUpdate().has_value(), c.offersDownload);
        if (c.feed.path() == u"/newer") {
            EXPECT_EQ(shown.link, QUrl(u"https://tovi.dev/notes/1.1.0"_qs));
        }
    }
    EXPECT_TRUE(notifier.notices.isEmpty());
}

TEST_F(FeedUpdaterTest, CanCheckOnlyWithAFeedAndNotWhileACheckRuns) {
    EXPECT_FALSE(make(QUrl())->canCheckForUpdates());
    EXPECT_FALSE(make(QUrl())->nextCheckDue().isValid());

    auto updater = make(serve("/feed.xml", appcast(item("1.0.0", "7", u"/a"_qs, 1, "s"))));
    QList<bool> changes;
    QObject::connect(updater.get(), &AppUpdater::canCheckForUpdatesChanged, [&](bool v) { changes << v; });
    updater->checkForUpdates();
    EXPECT_FALSE(updater->canCheckForUpdates());
    // Neither a second click nor the schedule starts another check meanwhile.
    updater->checkForUpdates();
    check(*updater, background);
    ASSERT_TRUE(spinUntil([&] { return updater->canCheckForUpdates(); }));
    EXPECT_EQ(changes, (QList<bool>{false, true}));
    EXPECT_EQ(server.requestCount(u"/feed.xml"_qs), 1);
    EXPECT_EQ(prompter.messages.size(), 1);

    // Quitting in the middle of a check ends it quietly (the sanitizers watch the rest).
    updater->checkForUpdates();
    updater.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(prompter.messages.size(), 1);
}

TEST_F(FeedUpdaterTest, DiscardsDownloadsThatFailVerification) {
    const QByteArray good = keys.signBase64(newImage);
    // Unsigned (a missing key takes the same refusal), other bytes signed, short, over the size cap,
    // from another host over plain HTTP (refused like the feed's).
    const struct {
        QByteArray signature;
        qint64 length;
        const char* expected;
        QString at;
    } cases[] = {
        {"", newImage.size(), "not signed", {}},
        {keys.signBase64(newImage.left(10)), newImage.size(), "does not match", {}},
        {good, newImage.size() + 1, "instead of", {}},
        {good, qint64(3) << 30, "more than the", {}},
        {good, newImage.size(), "HTTPS", u"http://cdn.example.org/T"_qs},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        prompter.messages.clear();
        const QString appImage = makeAppImage();
        auto updater = make(offer(newImage, c.length, c.signature, c.at), appImage);
        check(*updater, user);
        QCoro::waitFor(updater->downloadUpdate(user));
        ASSERT_EQ(prompter.messages.size(), 2);
        EXPECT_EQ(prompter.messages[1].text, u"Tovi 1.1.0 could not be downloaded."_qs);
        EXPECT_TRUE(prompter.messages[1].detail.contains(QString::fromUtf8(c.expected)))
            << prompter.messages[1].detail.toStdString();
        EXPECT_TRUE(downloadedFiles().isEmpty());
        EXPECT_EQ(readFile(appImage), oldImage);
    }
}

TEST_F(FeedUpdaterTest, InstallsAVerifiedUpdateFromTheDialogOrTheNoticeAndOffersARestart) {
    // A background check that fails stays quiet.
    auto quiet = make(serve("/broken", "<html>"));
    check(*quiet, background);
    EXPECT_TRUE(quiet->lastCheckTime().isValid());
    EXPECT_TRUE(notifier.notices.isEmpty() && prompter.messages.isEmpty());

    const QString appImage = makeAppImage();
    auto updater = make(goodOffer(), appImage);
    updater->checkForUpdates();
    ASSERT_TRUE(spinUntil([&] { return !prompter.messages.isEmpty(); }));
    Q_EMIT prompter.accepted(u"download"_qs);
    ASSERT_TRUE(spinUntil([&] { return prompter.messages.size() == 2; }));
    EXPECT_EQ(prompter.messages[1].text, u"Tovi 1.1.0 is installed."_qs);
    EXPECT_EQ(readFile(appImage), newImage);
    EXPECT_TRUE(QFileInfo(appImage).isExecutable());
    EXPECT_TRUE(downloadedFiles().isEmpty());
    EXPECT_TRUE(restarts.isEmpty());
    Q_EMIT prompter.accepted(u"restart"_qs);
    EXPECT_EQ(restarts, QStringList{appImage});
    // Asked again before restarting, the user hears about the restart, not a new download.
    check(*updater, user);
    EXPECT_EQ(prompter.messages.last().acceptAction, u"restart"_qs);
    EXPECT_EQ(server.requestCount(download), 1);
    updater.reset();

    // A release is announced once; the notice's button installs it and a dialog tells the outcome.
    prompter.messages.clear();
    auto noticed = make(goodOffer(), makeAppImage());
    check(*noticed, background, 2);
    ASSERT_EQ(notifier.notices.size(), 1);
    EXPECT_EQ(notifier.notices[0].summary, u"Tovi 1.1.0 is available"_qs);
    EXPECT_EQ(notifier.notices[0].action, u"download"_qs);
    Q_EMIT notifier.actionInvoked(u"download"_qs);
    ASSERT_TRUE(spinUntil([&] { return !prompter.messages.isEmpty(); }));
    EXPECT_EQ(prompter.messages[0].acceptAction, u"restart"_qs);
    EXPECT_EQ(readFile(appImage), newImage);
    ASSERT_NO_FATAL_FAILURE(expectPackageManagerNotice());
    EXPECT_TRUE(downloadedFiles().isEmpty());
}

TEST_F(FeedUpdaterTest, AutomaticDownloadsInstallInTheBackgroundOrWaitForThePackageManager) {
    const QString appImage = makeAppImage();
    auto updater = make(goodOffer(), appImage);
    updater->setAutomaticallyDownloadsUpdates(true);
    check(*updater, background, 2);
    ASSERT_EQ(notifier.notices.size(), 1);
    EXPECT_EQ(notifier.notices[0].summary, u"Tovi 1.1.0 is ready"_qs);
    EXPECT_EQ(readFile(appImage), newImage);
    EXPECT_EQ(server.requestCount(download), 1);
    Q_EMIT notifier.actionInvoked(u"restart"_qs);
    EXPECT_EQ(restarts, QStringList{appImage});

    ASSERT_NO_FATAL_FAILURE(expectPackageManagerNotice());
    ASSERT_EQ(downloadedFiles(), QStringList{u"Tovi-1.1.0.AppImage"_qs});
    EXPECT_TRUE(notifier.notices[0].body.contains(QDir(downloads()).filePath(downloadedFiles()[0])));

    // A bad download in the background is reported once and leaves nothing behind.
    notifier.notices.clear();
    QFile::remove(QDir(downloads()).filePath(downloadedFiles()[0]));
    check(*make(offer(newImage + "x", newImage.size() + 1, keys.signBase64(newImage))), background, 2);
    ASSERT_EQ(notifier.notices.size(), 1);
    EXPECT_EQ(notifier.notices[0].summary, u"Tovi 1.1.0 could not be downloaded"_qs);
    EXPECT_TRUE(downloadedFiles().isEmpty());
}

TEST_F(FeedUpdaterTest, KeepsItsSettingsAndSchedulesChecksFromTheLastOne) {
    {
        auto updater = make(QUrl());
        EXPECT_TRUE(updater->automaticallyChecksForUpdates());
        EXPECT_FALSE(updater->automaticallyDownloadsUpdates());
        updater->setAutomaticallyChecksForUpdates(false);
        updater->setAutomaticallyDownloadsUpdates(true);
    }
    QSettings stored(settingsFile(), QSettings::IniFormat);
    EXPECT_EQ(stored.childGroups(), QStringList{u"updater"_qs});
    EXPECT_EQ(stored.value(u"updater/automaticallyChecksForUpdates"_qs).toString(), u"false"_qs);
    EXPECT_FALSE(make(QUrl())->automaticallyChecksForUpdates());
    EXPECT_TRUE(make(QUrl())->automaticallyDownloadsUpdates());
    // Values that are not booleans read as the defaults.
    stored.setValue(u"updater/automaticallyChecksForUpdates"_qs, u"maybe"_qs);
    stored.setValue(u"updater/automaticallyDownloadsUpdates"_qs, 17);
    stored.sync();
    EXPECT_TRUE(make(QUrl())->automaticallyChecksForUpdates());
    EXPECT_FALSE(make(QUrl())->automaticallyDownloadsUpdates());

    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto setLastCheck = [&](const QDateTime& when) {
        QSettings(settingsFile(), QSettings::IniFormat)
            .setValue(u"updater/lastCheckTime"_qs, double(when.toMSecsSinceEpoch()) / 1000.0);
    };
    const auto dueIn = [&](FeedUpdater& u) { return double(now.secsTo(u.nextCheckDue())); };
    const QUrl feed = goodOffer();
    const auto scheduled = [&](int delay) { return make(feed, QString(), std::chrono::seconds(delay)); };
    setLastCheck(now.addSecs(-600));
    auto updater = scheduled(0);
    EXPECT_NEAR(dueIn(*updater), 3000.0, 5.0);
    updater->setUpdateCheckInterval(7200);
    for (double ignored : {0.0, -5.0, std::nan("")})
        updater->setUpdateCheckInterval(ignored);
    EXPECT_EQ(updater->updateCheckInterval(), std::chrono::seconds(7200));
    updater->setUpdateCheckInterval(1);
    EXPECT_EQ(updater->updateCheckInterval(), std::chrono::seconds(60));
    updater->setAutomaticallyChecksForUpdates(false);
    EXPECT_FALSE(updater->nextCheckDue().isValid());
    updater->setAutomaticallyChecksForUpdates(true);
    updater.reset();

    // Launch leaves room before the first check, even when overdue; a last check in the future
    // (clock set back) does not postpone checks for ever.
    setLastCheck(now.addDays(-3));
    EXPECT_NEAR(dueIn(*scheduled(30)), 30.0, 5.0);
    setLastCheck(now.addDays(300));
    EXPECT_LE(scheduled(0)->nextCheckDue(), QDateTime::currentDateTimeUtc().addSecs(1));

    // Overdue and with no delay: the timer alone runs a background check.
    setLastCheck(now.addDays(-1));
    auto overdue = scheduled(0);
    ASSERT_TRUE(spinUntil([&] { return !notifier.notices.isEmpty(); }));
    EXPECT_EQ(notifier.notices[0].summary, u"Tovi 1.1.0 is available"_qs);
    EXPECT_GE(overdue->lastCheckTime(), now.addSecs(-1));
}
