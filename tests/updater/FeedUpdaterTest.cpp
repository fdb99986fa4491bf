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

#include <sys/stat.h>

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
        QDir().mkpath(dir.filePath(QStringLiteral("apps")));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("\x7f"
                   "ELF old image");
        file.close();
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

    // A background check without an AppImage to replace: one notice, pointing to the package
    // manager, with no button.
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

    struct Case {
        const char* path;
        const char* expectedText;
        const char* expectedDetail;
        bool offersDownload;
    };
    const Case cases[] = {
        {"/newer", "A new version of Tovi is available!",
         "Tovi 1.1.0 is now available \u2014 you have 1.0.0.", true},
        {"/rebuilt", "A new version of Tovi is available!", "Tovi 1.0 is now available", true},
        {"/same", "Tovi 1.0.0 is the newest version available.", "", false},
        {"/malformed", "Tovi could not check for updates.", "not valid XML", false},
        {"/missing", "Tovi could not check for updates.", "404", false},
        {"/redirect", "Tovi could not check for updates.", "HTTPS", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        prompter.messages.clear();
        auto updater = make(server.url(QString::fromUtf8(c.path)));
        QCoro::waitFor(updater->check(FeedUpdater::CheckKind::userInitiated));
        ASSERT_EQ(prompter.messages.size(), 1);
        const UpdateMessage& shown = prompter.messages.first();
        EXPECT_EQ(shown.text, QString::fromUtf8(c.expectedText));
        EXPECT_TRUE(shown.detail.contains(QString::fromUtf8(c.expectedDetail))) << shown.detail.toStdString();
        EXPECT_EQ(shown.acceptAction == u"download", c.offersDownload);
        EXPECT_EQ(updater->foundUpdate().has_value(), c.offersDownload);
        if (shown.text.contains(QStringLiteral("newest"))) {
            EXPECT_EQ(shown.title, QStringLiteral("You\u2019re up to date!"));
        }
        EXPECT_TRUE(notifier.notices.isEmpty());
    }
    const auto newer = make(server.url(QStringLiteral("/newer")));
    QCoro::waitFor(newer->check(FeedUpdater::CheckKind::userInitiated));
    const UpdateMessage& offer = prompter.messages.last();
    EXPECT_EQ(offer.link, QUrl(QStringLiteral("https://tovi.dev/notes/1.1.0")));
    EXPECT_EQ(offer.acceptLabel, QStringLiteral("Download"));
    EXPECT_EQ(offer.rejectLabel, QStringLiteral("Later"));
}

TEST_F(FeedUpdaterTest, RefusesFeedsThatAreNotHttpsUnlessLocal) {
    auto updater = make(QUrl(QStringLiteral("http://updates.example.org/appcast.xml")));
    EXPECT_TRUE(updater->canCheckForUpdates());
    QCoro::waitFor(updater->check(FeedUpdater::CheckKind::userInitiated));
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].kind, UpdateMessage::Kind::warning);
    EXPECT_TRUE(prompter.messages[0].detail.contains(QStringLiteral("HTTPS")));
    EXPECT_TRUE(prompter.messages[0].detail.contains(QStringLiteral("updates.example.org")));

    // A download address on another host over plain HTTP is refused just the same.
    prompter.messages.clear();
    server.serve(
        QStringLiteral("/feed.xml"),
        appcast("<item><sparkle:version>9</sparkle:version><enclosure url=\"http://cdn.example.org/T\" "
                "length=\"3\" sparkle:edSignature=\"" +
                keys.signBase64("abc") + "\"/></item>"));
    auto local = make(server.url(QStringLiteral("/feed.xml")), makeAppImage());
    QCoro::waitFor(local->check(FeedUpdater::CheckKind::userInitiated));
    QCoro::waitFor(local->downloadUpdate(FeedUpdater::CheckKind::userInitiated));
    ASSERT_EQ(prompter.messages.size(), 2);
    EXPECT_TRUE(prompter.messages[1].detail.contains(QStringLiteral("HTTPS")));
}

TEST_F(FeedUpdaterTest, CanCheckOnlyWithAFeedAndNotWhileACheckRuns) {
    auto unconfigured = make(QUrl());
    EXPECT_FALSE(unconfigured->canCheckForUpdates());
    unconfigured->checkForUpdates();
    QCoreApplication::processEvents();
    EXPECT_TRUE(prompter.messages.isEmpty());
    EXPECT_FALSE(unconfigured->nextCheckDue().isValid());

    server.serve(QStringLiteral("/feed.xml"), appcast(item("1.0.0", "7", QStringLiteral("/a"), 1, "s")));
    auto updater = make(server.url(QStringLiteral("/feed.xml")));
    QList<bool> changes;
    QObject::connect(updater.get(), &AppUpdater::canCheckForUpdatesChanged,
                     [&changes](bool value) { changes.append(value); });
    ASSERT_TRUE(updater->canCheckForUpdates());
    updater->checkForUpdates();
    EXPECT_FALSE(updater->canCheckForUpdates());
    ASSERT_EQ(changes.size(), 1);
    EXPECT_FALSE(changes[0]);
    // Neither a second click nor the schedule starts another check meanwhile.
    updater->checkForUpdates();
    QCoro::waitFor(updater->check(FeedUpdater::CheckKind::background));
    EXPECT_FALSE(updater->canCheckForUpdates());

    ASSERT_TRUE(spinUntil([&] { return updater->canCheckForUpdates(); }));
    ASSERT_EQ(changes.size(), 2);
    EXPECT_TRUE(changes[1]);
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
        QDir().mkpath(QFileInfo(settingsFile()).absolutePath());
        QSettings seed(settingsFile(), QSettings::IniFormat);
        seed.setValue(QStringLiteral("autoUpdateCLI"), false);
        seed.setValue(QStringLiteral("keepAwake"), true);
    }
    {
        auto updater = make(QUrl());
        EXPECT_TRUE(updater->automaticallyChecksForUpdates());
        EXPECT_FALSE(updater->automaticallyDownloadsUpdates());
        updater->setAutomaticallyChecksForUpdates(false);
        updater->setAutomaticallyDownloadsUpdates(true);
    }
    QSettings stored(settingsFile(), QSettings::IniFormat);
    EXPECT_EQ(stored.value(QStringLiteral("updater/automaticallyChecksForUpdates")).toString(),
              QStringLiteral("false"));
    EXPECT_EQ(stored.value(QStringLiteral("updater/automaticallyDownloadsUpdates")).toString(),
              QStringLiteral("true"));
    QStringList topLevel = stored.childKeys();
    topLevel.sort();
    EXPECT_EQ(topLevel.join(u','), QStringLiteral("autoUpdateCLI,keepAwake"));
    EXPECT_EQ(stored.value(QStringLiteral("autoUpdateCLI")).toString(), QStringLiteral("false"));

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
    TestKeys stranger;
    struct Case {
        const char* name;
        QByteArray signature;
        qint64 length;
        QByteArray publicKey;
        const char* expected;
    };
    const QByteArray good = keys.signBase64(newImage);
    const Case cases[] = {
        {"unsigned", "", newImage.size(), publicKey, "not signed"},
        {"signed by someone else", stranger.signBase64(newImage), newImage.size(), publicKey,
         "does not match"},
        {"signature of other bytes", keys.signBase64(newImage.left(10)), newImage.size(), publicKey,
         "does not match"},
        {"shorter than announced", good, newImage.size() + 1, publicKey, "instead of"},
        {"longer than announced", good, newImage.size() - 1, publicKey, "larger than"},
        // A declared length narrows the size cap, never widens it.
        {"announced beyond the size cap", good, qint64(3) << 30, publicKey, "more than the"},
        {"no key in this build", good, newImage.size(), "", "no valid key"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompter.messages.clear();
        const QString appImage = makeAppImage();
        publicKey = c.publicKey;
        auto updater = make(offer(newImage, c.length, c.signature), appImage);
        QCoro::waitFor(updater->check(FeedUpdater::CheckKind::userInitiated));
        QCoro::waitFor(updater->downloadUpdate(FeedUpdater::CheckKind::userInitiated));
        ASSERT_EQ(prompter.messages.size(), 2);
        const UpdateMessage& failure = prompter.messages[1];
        EXPECT_EQ(failure.kind, UpdateMessage::Kind::warning);
        EXPECT_EQ(failure.text, QStringLiteral("Tovi 1.1.0 could not be downloaded."));
        EXPECT_TRUE(failure.detail.contains(QString::fromUtf8(c.expected))) << failure.detail.toStdString();
        EXPECT_TRUE(downloadedFiles().isEmpty()) << downloadedFiles().join(u' ').toStdString();
        EXPECT_EQ(readFile(appImage), QByteArray("\x7f"
                                                 "ELF old image"));
        EXPECT_TRUE(updater->canCheckForUpdates());
    }
}

TEST_F(FeedUpdaterTest, InstallsAVerifiedUpdateOverTheAppImageAndOffersARestart) {
    const QString appImage = makeAppImage();
    auto updater = make(offer(newImage, newImage.size(), keys.signBase64(newImage)), appImage);
    updater->checkForUpdates();
    ASSERT_TRUE(spinUntil([&] { return !prompter.messages.isEmpty(); }));
    ASSERT_EQ(prompter.messages[0].acceptAction, QStringLiteral("download"));

    Q_EMIT prompter.accepted(QStringLiteral("download"));
    ASSERT_TRUE(spinUntil([&] { return prompter.messages.size() == 2; }));
    const UpdateMessage& installed = prompter.messages[1];
    EXPECT_EQ(installed.text, QStringLiteral("Tovi 1.1.0 is installed."));
    EXPECT_EQ(installed.acceptAction, QStringLiteral("restart"));
    EXPECT_EQ(readFile(appImage), newImage);
    struct stat info {};
    ::stat(QFile::encodeName(appImage).constData(), &info);
    EXPECT_EQ(info.st_mode & 0777, mode_t(0755));
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
    server.serve(QStringLiteral("/same"), appcast(item("1.0.0", "7", QStringLiteral("/a"), 1, "s")));
    server.serve(QStringLiteral("/broken"), "<html>");
    for (const char* path : {"/same", "/broken", "/missing"}) {
        auto quiet = make(server.url(QString::fromUtf8(path)));
        QCoro::waitFor(quiet->check(FeedUpdater::CheckKind::background));
        EXPECT_TRUE(quiet->lastCheckTime().isValid());
    }
    EXPECT_TRUE(notifier.notices.isEmpty());
    EXPECT_TRUE(prompter.messages.isEmpty());

    const QString appImage = makeAppImage();
    auto updater = make(offer(newImage, newImage.size(), keys.signBase64(newImage)), appImage);
    QCoro::waitFor(updater->check(FeedUpdater::CheckKind::background));
    QCoro::waitFor(updater->check(FeedUpdater::CheckKind::background));
    ASSERT_EQ(notifier.notices.size(), 1);
    EXPECT_EQ(notifier.notices[0].summary, QStringLiteral("Tovi 1.1.0 is available"));
    EXPECT_EQ(notifier.notices[0].action, QStringLiteral("download"));
    EXPECT_TRUE(prompter.messages.isEmpty());
    EXPECT_EQ(readFile(appImage), QByteArray("\x7f"
                                             "ELF old image"));

    // The notice's button fetches and installs it; the outcome comes as a dialog.
    Q_EMIT notifier.actionInvoked(QStringLiteral("download"));
    ASSERT_TRUE(spinUntil([&] { return !prompter.messages.isEmpty(); }));
    EXPECT_EQ(prompter.messages[0].acceptAction, QStringLiteral("restart"));
    EXPECT_EQ(readFile(appImage), newImage);

    // Without an AppImage to replace, the notice points to the package manager and offers nothing.
    ASSERT_NO_FATAL_FAILURE(expectPackageManagerNotice());
    EXPECT_TRUE(downloadedFiles().isEmpty());
}

TEST_F(FeedUpdaterTest, AutomaticDownloadsInstallInTheBackgroundOrWaitForThePackageManager) {
    const QString appImage = makeAppImage();
    auto updater = make(offer(newImage, newImage.size(), keys.signBase64(newImage)), appImage);
    updater->setAutomaticallyDownloadsUpdates(true);
    QCoro::waitFor(updater->check(FeedUpdater::CheckKind::background));
    ASSERT_EQ(notifier.notices.size(), 1);
    EXPECT_EQ(notifier.notices[0].summary, QStringLiteral("Tovi 1.1.0 is ready"));
    EXPECT_EQ(notifier.notices[0].action, QStringLiteral("restart"));
    EXPECT_EQ(readFile(appImage), newImage);
    // Installed once: later checks neither fetch nor announce it again.
    QCoro::waitFor(updater->check(FeedUpdater::CheckKind::background));
    EXPECT_EQ(notifier.notices.size(), 1);
    EXPECT_EQ(server.requestCount(QStringLiteral("/dl/Tovi-1.1.0.AppImage")), 1);
    Q_EMIT notifier.actionInvoked(QStringLiteral("restart"));
    EXPECT_EQ(restarts, QStringList{appImage});

    ASSERT_NO_FATAL_FAILURE(expectPackageManagerNotice());
    ASSERT_EQ(downloadedFiles(), QStringList{QStringLiteral("Tovi-1.1.0.AppImage")});
    EXPECT_TRUE(notifier.notices[0].body.contains(QDir(downloads()).filePath(downloadedFiles()[0])));
    EXPECT_EQ(readFile(QDir(downloads()).filePath(downloadedFiles()[0])), newImage);

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
    QDir().mkpath(QFileInfo(settingsFile()).absolutePath());
    const QDateTime now = QDateTime::currentDateTimeUtc();
    auto setLastCheck = [&](const QDateTime& when) {
        QSettings settings(settingsFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("updater/lastCheckTime"), double(when.toMSecsSinceEpoch()) / 1000.0);
    };
    const QUrl feed = offer(newImage, newImage.size(), keys.signBase64(newImage));

    setLastCheck(now.addSecs(-600));
    auto updater = make(feed, QString(), std::chrono::seconds(0));
    EXPECT_EQ(updater->updateCheckInterval(), std::chrono::seconds(3600));
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

    // Launch leaves the application some room before the first check, even when overdue.
    setLastCheck(now.addDays(-3));
    auto patient = make(feed, QString(), std::chrono::seconds(30));
    EXPECT_NEAR(double(now.secsTo(patient->nextCheckDue())), 30.0, 5.0);
    // A last check in the future (clock set back) does not postpone checks for ever.
    setLastCheck(now.addDays(300));
    auto skewed = make(feed, QString(), std::chrono::seconds(0));
    EXPECT_LE(skewed->nextCheckDue(), QDateTime::currentDateTimeUtc().addSecs(1));
    skewed.reset();

    // A download the user started while the timer came due: the schedule goes on after it.
    updater.reset(); // their own schedules must not stand in for this one
    patient.reset();
    {
        auto downloading = make(feed, QString(), std::chrono::seconds(0));
        QCoro::waitFor(downloading->check(FeedUpdater::CheckKind::userInitiated));
        setLastCheck(now.addDays(-1));
        downloading->setUpdateCheckInterval(3600); // re-reads the last check: due at once
        const int checks = server.requestCount(QStringLiteral("/feed.xml"));
        QCoro::Task<> download = downloading->downloadUpdate(FeedUpdater::CheckKind::userInitiated);
        QCoreApplication::processEvents(); // the timer's turn, while busy
        ASSERT_FALSE(downloading->canCheckForUpdates());
        QCoro::waitFor(download);
        EXPECT_TRUE(spinUntil([&] { return server.requestCount(QStringLiteral("/feed.xml")) > checks; }));
        prompter.messages.clear();
    }

    // Overdue and with no delay: the timer alone runs a background check.
    notifier.notices.clear();
    setLastCheck(now.addDays(-1));
    auto overdue = make(feed, QString(), std::chrono::seconds(0));
    ASSERT_TRUE(spinUntil([&] { return !notifier.notices.isEmpty(); }));
    EXPECT_EQ(notifier.notices[0].summary, QStringLiteral("Tovi 1.1.0 is available"));
    EXPECT_GE(overdue->lastCheckTime(), now.addSecs(-1));
    EXPECT_TRUE(prompter.messages.isEmpty());
}
