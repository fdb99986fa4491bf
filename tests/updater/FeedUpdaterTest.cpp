#include "updater/FeedUpdater.h"
#include "FeedServer.h"
#include "TestKeys.h"
#include "support/TestUtil.h"
#include "updater/UpdateNotifier.h"
#include "updater/UpdatePrompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <QFileInfo>

using namespace tovi;
using tovi::test::FeedServer;
using tovi::test::readFile;
using tovi::test::spinUntil;
using tovi::test::TestKeys;

namespace {

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

QByteArray appcast(const QByteArray& items) {
    return "<?xml version=\"1.0\"?><rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel><title>Tovi</"
           "title>" +
           items + "</channel></rss>";
}

class FeedUpdaterTest : public ::testing::Test {
protected:
    const QByteArray newImage = QByteArray("\x7f"
                                           "ELF new image ") +
                                QByteArray(300000, 'n');

    QByteArray item(const char* version, const char* build, const QString& path, qint64 length,
                    const QByteArray& signature) {
        QByteArray text = "<item><title>Tovi</title><sparkle:version>" + QByteArray(build) +
                          "</sparkle:version><sparkle:shortVersionString>" + QByteArray(version) +
                          "</sparkle:shortVersionString>"
                          "<sparkle:releaseNotesLink>https://tovi.dev/notes/" +
                          QByteArray(version) + "</sparkle:releaseNotesLink><enclosure url=\"" +
                          server.url(path).toEncoded() + "\" type=\"application/octet-stream\"";
        if (length >= 0)
            text += " length=\"" + QByteArray::number(length) + "\"";
        if (!signature.isEmpty())
            text += " sparkle:edSignature=\"" + signature + "\"";
        return text + "/></item>";
    }

    // A feed offering 1.1.0 whose download is `body`, announced with `length` and `signature`.
    QUrl offer(const QByteArray& body, qint64 length, const QByteArray& signature) {
        server.serve(QStringLiteral("/dl/Tovi-1.1.0.AppImage"),
                     FeedServer::Response{200, body, "application/octet-stream", {}});
        server.serve(
            QStringLiteral("/feed.xml"),
            appcast(item("1.0.5", "8", QStringLiteral("/dl/old"), 1, "x") +
                    item("1.1.0", "9", QStringLiteral("/dl/Tovi-1.1.0.AppImage"), length, signature)));
        return server.url(QStringLiteral("/feed.xml"));
    }

    QString makeAppImage() {
        const QString path = dir.filePath(QStringLiteral("apps/Tovi.AppImage"));
        tovi::test::writeFile(path, "\x7f"
                                    "ELF old image");
        return path;
    }

    std::unique_ptr<FeedUpdater> make(const QUrl& feed, const QString& appImage = QString(),
                                      std::chrono::seconds firstCheckDelay = std::chrono::hours(1)) {
        FeedUpdater::Options options;
        options.settingsFile = settingsFile();
        options.feedUrl = feed;
        options.publicKey = publicKey;
        options.currentVersion = QStringLiteral("1.0.0");
        options.currentBuild = QStringLiteral("7");
        options.appImagePath = appImage;
        options.downloadDirectory = downloads();
        options.appId = QStringLiteral("dev.tovi.Tovi");
        options.network = &network;
        options.notifier = &notifier;
        options.prompter = &prompter;
        options.restart = [this](const QString& path) { restarts.append(path); };
        options.firstCheckDelay = firstCheckDelay;
        return std::make_unique<FeedUpdater>(std::move(options));
    }

    // A background check without an AppImage to replace: one notice, for the package manager.
    void expectPackageManagerNotice() {
        notifier.notices.clear();
        auto packaged = make(offer(newImage, newImage.size(), keys.signBase64(newImage)));
        QCoro::waitFor(packaged->check(FeedUpdater::CheckKind::background));
        ASSERT_EQ(notifier.notices.size(), 1);
        EXPECT_TRUE(notifier.notices[0].body.contains(QStringLiteral("package manager")));
        EXPECT_TRUE(notifier.notices[0].action.isEmpty());
    }

    QString settingsFile() const { return dir.filePath(QStringLiteral("config/Tovi/Tovi.conf")); }
    QString downloads() const { return dir.filePath(QStringLiteral("cache/updates")); }
    QStringList downloadedFiles() const { return QDir(downloads()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir dir;
    FeedServer server;
    TestKeys keys;
    QByteArray publicKey = keys.publicKeyBase64();
    QNetworkAccessManager network;
    FakeNotifier notifier;
    FakePrompter prompter;
    QStringList restarts;
};

} // namespace

TEST_F(FeedUpdaterTest, UserCheckSaysWhetherTheFeedHasSomethingNewer) {
    server.serve(QStringLiteral("/newer"), appcast(item("1.0.9", "99", QStringLiteral("/a"), 1, "s") +
                                                   item("1.1.0", "8", QStringLiteral("/b"), 1, "s")));
    server.serve(QStringLiteral("/same"), appcast(item("1.0.0", "7", QStringLiteral("/a"), 1, "s")));
    server.serve(QStringLiteral("/rebuilt"), appcast(item("1.0", "8", QStringLiteral("/a"), 1, "s")));
    server.serve(QStringLiteral("/malformed"), "<rss><channel><item>");
    server.serve(QStringLiteral("/redirect"),
                 FeedServer::Response{302, "", "text/plain", "http://updates.example.org/feed.xml"});
    const struct {
        const char* path;
        const char* text;
        const char* detail;
        bool offersDownload;
    } cases[] = {
        {"/newer", "A new version of Tovi is available!",
         "Tovi 1.1.0 is now available \u2014 you have 1.0.0.", true},
        {"/rebuilt", "A new version of Tovi is available!", "Tovi 1.0 is now available", true},
        {"/same", "Tovi 1.0.0 is the newest version available.", "", false},
        {"/malformed", "Tovi could not check for updates.", "not valid XML", false},
        {"/redirect", "Tovi could not check for updates.", "HTTPS", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        prompter.messages.clear();
        auto updater = make(server.url(QString::fromUtf8(c.path)));
        QCoro::waitFor(updater->check(FeedUpdater::CheckKind::userInitiated));
        ASSERT_EQ(prompter.messages.size(), 1);
        const UpdateMessage& shown = prompter.messages.first();
        EXPECT_EQ(shown.text, QString::fromUtf8(c.text));
        EXPECT_TRUE(shown.detail.contains(QString::fromUtf8(c.detail))) << shown.detail.toStdString();
        EXPECT_EQ(shown.acceptAction == u"download", c.offersDownload);
        EXPECT_EQ(updater->foundUpdate().has_value(), c.offersDownload);
    }
    EXPECT_TRUE(notifier.notices.isEmpty());
    const auto newer = make(server.url(QStringLiteral("/newer")));
    QCoro::waitFor(newer->check(FeedUpdater::CheckKind::userInitiated));
    EXPECT_EQ(prompter.messages.last().link, QUrl(QStringLiteral("https://tovi.dev/notes/1.1.0")));

    // A download address on another host over plain HTTP is refused like the feed's.
    server.serve(
        QStringLiteral("/plain.xml"),
        appcast("<item><sparkle:version>9</sparkle:version><enclosure url=\"http://cdn.example.org/T\" "
                "length=\"3\" sparkle:edSignature=\"" +
                keys.signBase64("abc") + "\"/></item>"));
    auto plain = make(server.url(QStringLiteral("/plain.xml")), makeAppImage());
    QCoro::waitFor(plain->check(FeedUpdater::CheckKind::userInitiated));
    QCoro::waitFor(plain->downloadUpdate(FeedUpdater::CheckKind::userInitiated));
    EXPECT_TRUE(prompter.messages.last().detail.contains(QStringLiteral("HTTPS")));
}

TEST_F(FeedUpdaterTest, CanCheckOnlyWithAFeedAndNotWhileACheckRuns) {
    auto unconfigured = make(QUrl());
    EXPECT_FALSE(unconfigured->canCheckForUpdates());
    EXPECT_FALSE(unconfigured->nextCheckDue().isValid());

    server.serve(QStringLiteral("/feed.xml"), appcast(item("1.0.0", "7", QStringLiteral("/a"), 1, "s")));
    auto updater = make(server.url(QStringLiteral("/feed.xml")));
    QList<bool> changes;
    QObject::connect(updater.get(), &AppUpdater::canCheckForUpdatesChanged,
                     [&](bool value) { changes << value; });
    updater->checkForUpdates();
    EXPECT_FALSE(updater->canCheckForUpdates());
    // Neither a second click nor the schedule starts another check meanwhile.
    updater->checkForUpdates();
    QCoro::waitFor(updater->check(FeedUpdater::CheckKind::background));
    ASSERT_TRUE(spinUntil([&] { return updater->canCheckForUpdates(); }));
    EXPECT_EQ(changes, (QList<bool>{false, true}));
    EXPECT_EQ(server.requestCount(QStringLiteral("/feed.xml")), 1);
    EXPECT_EQ(prompter.messages.size(), 1);

    // Quitting in the middle of a check ends it quietly (the sanitizers watch the rest).
    updater->checkForUpdates();
    updater.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(prompter.messages.size(), 1);
}

TEST_F(FeedUpdaterTest, KeepsItsFlagsInItsOwnSettingsGroup) {
    {
        auto updater = make(QUrl());
        EXPECT_TRUE(updater->automaticallyChecksForUpdates());
        EXPECT_FALSE(updater->automaticallyDownloadsUpdates());
        updater->setAutomaticallyChecksForUpdates(false);
        updater->setAutomaticallyDownloadsUpdates(true);
    }
    QSettings stored(settingsFile(), QSettings::IniFormat);
    EXPECT_EQ(stored.childGroups(), QStringList{QStringLiteral("updater")});
    EXPECT_EQ(stored.value(QStringLiteral("updater/automaticallyChecksForUpdates")).toString(),
              QStringLiteral("false"));
    auto reopened = make(QUrl());
    EXPECT_FALSE(reopened->automaticallyChecksForUpdates());
    EXPECT_TRUE(reopened->automaticallyDownloadsUpdates());
    // Values that are not booleans read as the defaults.
    stored.setValue(QStringLiteral("updater/automaticallyChecksForUpdates"), QStringLiteral("maybe"));
    stored.setValue(QStringLiteral("updater/automaticallyDownloadsUpdates"), 17);
    stored.sync();
    auto junk = make(QUrl());
    EXPECT_TRUE(junk->automaticallyChecksForUpdates());
    EXPECT_FALSE(junk->automaticallyDownloadsUpdates());
}

TEST_F(FeedUpdaterTest, DiscardsDownloadsThatFailVerification) {
    const QByteArray good = keys.signBase64(newImage);
    const struct {
        const char* name;
        QByteArray signature;
        qint64 length;
        QByteArray publicKey;
        const char* expected;
    } cases[] = {
        {"unsigned", "", newImage.size(), publicKey, "not signed"},
        {"signature of other bytes", keys.signBase64(newImage.left(10)), newImage.size(), publicKey,
         "does not match"},
        {"shorter than announced", good, newImage.size() + 1, publicKey, "instead of"},
        {"announced beyond the size cap", good, qint64(3) << 30, publicKey, "more than the"},
        {"no key in this build", good, newImage.size(), "", "no valid key"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompter.messages.clear();
        const QString appImage = makeAppImage();
        publicKey = c.publicKey;
        auto updater = make(offer(newImage, c.length, c.signature), appImage);
        QCoro::waitFor(updater->check(FeedUpdater::CheckKind::userInitiated));
        QCoro::waitFor(updater->downloadUpdate(FeedUpdater::CheckKind::userInitiated));
        ASSERT_EQ(prompter.messages.size(), 2);
        EXPECT_EQ(prompter.messages[1].text, QStringLiteral("Tovi 1.1.0 could not be downloaded."));
        EXPECT_TRUE(prompter.messages[1].detail.contains(QString::fromUtf8(c.expected)))
            << prompter.messages[1].detail.toStdString();
        EXPECT_TRUE(downloadedFiles().isEmpty());
        EXPECT_EQ(readFile(appImage), QByteArray("\x7f"
                                                 "ELF old image"));
    }
}

TEST_F(FeedUpdaterTest, InstallsAVerifiedUpdateOverTheAppImageAndOffersARestart) {
    const QString appImage = makeAppImage();
    auto updater = make(offer(newImage, newImage.size(), keys.signBase64(newImage)), appImage);
    updater->checkForUpdates();
    ASSERT_TRUE(spinUntil([&] { return !prompter.messages.isEmpty(); }));
    Q_EMIT prompter.accepted(QStringLiteral("download"));
    ASSERT_TRUE(spinUntil([&] { return prompter.messages.size() == 2; }));
    EXPECT_EQ(prompter.messages[1].text, QStringLiteral("Tovi 1.1.0 is installed."));
    EXPECT_EQ(readFile(appImage), newImage);
    EXPECT_TRUE(QFileInfo(appImage).isExecutable());
    EXPECT_TRUE(downloadedFiles().isEmpty());
    EXPECT_TRUE(restarts.isEmpty());
    Q_EMIT prompter.accepted(QStringLiteral("restart"));
    EXPECT_EQ(restarts, QStringList{appImage});

    // Asked again before restarting, the user hears about the restart, not a new download.
    QCoro::waitFor(updater->check(FeedUpdater::CheckKind::userInitiated));
    EXPECT_EQ(prompter.messages.last().acceptAction, QStringLiteral("restart"));
    EXPECT_EQ(server.requestCount(QStringLiteral("/dl/Tovi-1.1.0.AppImage")), 1);
}

TEST_F(FeedUpdaterTest, BackgroundChecksSpeakOnlyOfUpdatesAndOncePerRelease) {
    server.serve(QStringLiteral("/broken"), "<html>");
    auto quiet = make(server.url(QStringLiteral("/broken")));
    QCoro::waitFor(quiet->check(FeedUpdater::CheckKind::background));
    EXPECT_TRUE(quiet->lastCheckTime().isValid());
    EXPECT_TRUE(notifier.notices.isEmpty());
    EXPECT_TRUE(prompter.messages.isEmpty());

    const QString appImage = makeAppImage();
    auto updater = make(offer(newImage, newImage.size(), keys.signBase64(newImage)), appImage);
    QCoro::waitFor(updater->check(FeedUpdater::CheckKind::background));
    QCoro::waitFor(updater->check(FeedUpdater::CheckKind::background));
    ASSERT_EQ(notifier.notices.size(), 1);
    EXPECT_EQ(notifier.notices[0].summary, QStringLiteral("Tovi 1.1.0 is available"));
    EXPECT_EQ(notifier.notices[0].action, QStringLiteral("download"));
    // The notice's button fetches and installs it; the outcome comes as a dialog.
    Q_EMIT notifier.actionInvoked(QStringLiteral("download"));
    ASSERT_TRUE(spinUntil([&] { return !prompter.messages.isEmpty(); }));
    EXPECT_EQ(prompter.messages[0].acceptAction, QStringLiteral("restart"));
    EXPECT_EQ(readFile(appImage), newImage);
    ASSERT_NO_FATAL_FAILURE(expectPackageManagerNotice());
    EXPECT_TRUE(downloadedFiles().isEmpty());
}

TEST_F(FeedUpdaterTest, AutomaticDownloadsInstallInTheBackgroundOrWaitForThePackageManager) {
    const QString appImage = makeAppImage();
    auto updater = make(offer(newImage, newImage.size(), keys.signBase64(newImage)), appImage);
    updater->setAutomaticallyDownloadsUpdates(true);
    QCoro::waitFor(updater->check(FeedUpdater::CheckKind::background));
    QCoro::waitFor(updater->check(FeedUpdater::CheckKind::background));
    ASSERT_EQ(notifier.notices.size(), 1);
    EXPECT_EQ(notifier.notices[0].summary, QStringLiteral("Tovi 1.1.0 is ready"));
    EXPECT_EQ(readFile(appImage), newImage);
    EXPECT_EQ(server.requestCount(QStringLiteral("/dl/Tovi-1.1.0.AppImage")), 1);
    Q_EMIT notifier.actionInvoked(QStringLiteral("restart"));
    EXPECT_EQ(restarts, QStringList{appImage});

    ASSERT_NO_FATAL_FAILURE(expectPackageManagerNotice());
    ASSERT_EQ(downloadedFiles(), QStringList{QStringLiteral("Tovi-1.1.0.AppImage")});
    EXPECT_TRUE(notifier.notices[0].body.contains(QDir(downloads()).filePath(downloadedFiles()[0])));

    // A bad download in the background is reported once and leaves nothing behind.
    notifier.notices.clear();
    QFile::remove(QDir(downloads()).filePath(downloadedFiles()[0]));
    auto tampered = make(offer(newImage + "x", newImage.size() + 1, keys.signBase64(newImage)));
    QCoro::waitFor(tampered->check(FeedUpdater::CheckKind::background));
    QCoro::waitFor(tampered->check(FeedUpdater::CheckKind::background));
    ASSERT_EQ(notifier.notices.size(), 1);
    EXPECT_EQ(notifier.notices[0].summary, QStringLiteral("Tovi 1.1.0 could not be downloaded"));
    EXPECT_TRUE(downloadedFiles().isEmpty());
}

TEST_F(FeedUpdaterTest, SchedulesAutomaticChecksFromTheLastOne) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    auto setLastCheck = [&](const QDateTime& when) {
        QSettings(settingsFile(), QSettings::IniFormat)
            .setValue(QStringLiteral("updater/lastCheckTime"), double(when.toMSecsSinceEpoch()) / 1000.0);
    };
    const QUrl feed = offer(newImage, newImage.size(), keys.signBase64(newImage));
    setLastCheck(now.addSecs(-600));
    auto updater = make(feed, QString(), std::chrono::seconds(0));
    EXPECT_NEAR(double(now.secsTo(updater->nextCheckDue())), 3000.0, 5.0);
    updater->setUpdateCheckInterval(7200);
    EXPECT_NEAR(double(now.secsTo(updater->nextCheckDue())), 6600.0, 5.0);
    for (double ignored : {0.0, -5.0, std::nan("")})
        updater->setUpdateCheckInterval(ignored);
    EXPECT_EQ(updater->updateCheckInterval(), std::chrono::seconds(7200));
    updater->setUpdateCheckInterval(1);
    EXPECT_EQ(updater->updateCheckInterval(), std::chrono::seconds(60));
    updater->setAutomaticallyChecksForUpdates(false);
    EXPECT_FALSE(updater->nextCheckDue().isValid());
    updater->setAutomaticallyChecksForUpdates(true);
    updater.reset();

    // Launch leaves some room before the first check, even when overdue; a last check in the
    // future (clock set back) does not postpone checks for ever.
    setLastCheck(now.addDays(-3));
    EXPECT_NEAR(double(now.secsTo(make(feed, QString(), std::chrono::seconds(30))->nextCheckDue())), 30.0,
                5.0);
    setLastCheck(now.addDays(300));
    EXPECT_LE(make(feed, QString(), std::chrono::seconds(0))->nextCheckDue(),
              QDateTime::currentDateTimeUtc().addSecs(1));

    // Overdue and with no delay: the timer alone runs a background check.
    setLastCheck(now.addDays(-1));
    auto overdue = make(feed, QString(), std::chrono::seconds(0));
    ASSERT_TRUE(spinUntil([&] { return !notifier.notices.isEmpty(); }));
    EXPECT_EQ(notifier.notices[0].summary, QStringLiteral("Tovi 1.1.0 is available"));
    EXPECT_GE(overdue->lastCheckTime(), now.addSecs(-1));
}
