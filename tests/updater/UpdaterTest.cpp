#include "BuildConfig.h"
#include "platform/QSettingsUserDefaults.h"
#include "support/FakeDesktopNotifications.h"
#include "support/TestUtil.h"
#include "updater/AppcastParser.h"
#include "updater/DesktopUpdateNotifier.h"
#include "updater/FeedUpdater.h"
#include "updater/MessageBoxUpdatePrompter.h"
#include "updater/UpdateAddressPolicy.h"
#include "updater/UpdateInstaller.h"
#include "updater/UpdateSignature.h"
#include "updater/Version.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <gmock/gmock.h>

#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

using namespace tovi;
using namespace tovi::test;

namespace {

// A feed document around `items`, as the release pipeline writes it.
QByteArray appcast(const QByteArray& items) {
    return "<?xml version=\"1.0\"?>\n<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/"
           "xml-namespaces/sparkle\">\n<channel><title>Tovi</title>\n" +
           items + "</channel></rss>\n";
}

// A throwaway Ed25519 key pair, made fresh for each test run.
struct TestKeys {
    QByteArray publicKeyBase64() const {
        QByteArray raw(32, '\0');
        size_t size = 32;
        EVP_PKEY_get_raw_public_key(m_key.get(), reinterpret_cast<unsigned char*>(raw.data()), &size);
        return raw.toBase64();
    }
    QByteArray signBase64(const QByteArray& data) const {
        QByteArray signature(64, '\0');
        size_t size = 64;
        const std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
        EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, m_key.get());
        EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(signature.data()), &size,
                       reinterpret_cast<const unsigned char*>(data.constData()), size_t(data.size()));
        return signature.toBase64();
    }
    const std::unique_ptr<EVP_PKEY, void (*)(EVP_PKEY*)> m_key{EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"),
                                                               EVP_PKEY_free};
};

// Clicks the button of `box` that reads `label`, as the user would.
void click(QMessageBox* box, const QString& label) {
    for (QAbstractButton* button : box->buttons())
        if (button->text() == label)
            return button->click();
    ADD_FAILURE() << "no button " << label.toStdString();
}

constexpr auto user = FeedUpdater::CheckKind::userInitiated;
constexpr auto background = FeedUpdater::CheckKind::background;

struct FakeNotifier : UpdateNotifier {
    void notify(const UpdateNotice& notice) override { notices.append(notice); }
    QList<UpdateNotice> notices;
};

struct FakePrompter : UpdatePrompter {
    void show(const UpdateMessage& message) override { messages.append(message); }
    QList<UpdateMessage> messages;
};

class FeedUpdaterTest : public ::testing::Test {
protected:
    FeedUpdaterTest() {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    const QByteArray head = socket->peek(64 * 1024);
                    if (!head.contains("\r\n\r\n"))
                        return;
                    socket->readAll();
                    const QString path =
                        QString::fromLatin1(head.left(head.indexOf("\r\n")).split(' ').value(1));
                    m_counts[path] += 1;
                    const auto [status, body] = m_routes.value(path, {"404 Not Found", "not here"});
                    socket->write("HTTP/1.1 " + status + "\r\nContent-Length: " +
                                  QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
        });
        m_server.listen(QHostAddress::LocalHost);
    }
    const QByteArray oldImage = "\177ELF old image",
                     newImage = "\177ELF new image " + QByteArray(300000, 'n');
    const QString download = u"/dl/Tovi-1.1.0.AppImage"_qs;

    QByteArray item(const char* version, const char* build, const QString& path, qint64 length,
                    const QByteArray& signature) {
        return "<item><sparkle:version>" + QByteArray(build) +
               "</sparkle:version><sparkle:shortVersionString>" + version +
               "</sparkle:shortVersionString><sparkle:releaseNotesLink>https://tovi.dev/notes/" + version +
               "</sparkle:releaseNotesLink><enclosure url=\"" +
               (path.startsWith(u"http") ? path.toUtf8() : url(path).toEncoded()) + "\" length=\"" +
               QByteArray::number(length) + "\" sparkle:edSignature=\"" + signature + "\"/></item>";
    }
    // A loopback HTTP server answers `status` (with any header lines) and `body` at `path`.
    QUrl serve(const char* path, const QByteArray& body, const QByteArray& status = "200 OK") {
        m_routes.insert(QString::fromUtf8(path), {status, body});
        return url(QString::fromUtf8(path));
    }
    QUrl url(const QString& path) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
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
        writeFile(dir.filePath(u"apps/Tovi.AppImage"_qs), oldImage);
        return dir.filePath(u"apps/Tovi.AppImage"_qs);
    }

    std::unique_ptr<FeedUpdater> make(const QUrl& feed, const QString& appImage = QString(),
                                      std::chrono::seconds firstCheckDelay = std::chrono::hours(1)) {
        return std::make_unique<FeedUpdater>(
            FeedUpdater::Options{sharedSettings ? sharedSettings : std::make_shared<QSettingsUserDefaults>(settingsFile()),
                                 feed, keys.publicKeyBase64(), u"1.0.0"_qs, u"7"_qs, appImage, downloads(), &network,
                                 &notifier, &prompter,
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
    // The application's one settings instance when a test gives one; else each updater opens the file.
    std::shared_ptr<UserDefaults> sharedSettings;
    QTcpServer m_server;
    QHash<QString, std::pair<QByteArray, QByteArray>> m_routes;
    QHash<QString, int> m_counts;
    TestKeys keys;
    QNetworkAccessManager network;
    FakeNotifier notifier;
    FakePrompter prompter;
    QStringList restarts;
};

} // namespace

TEST(Version, ComparesDottedNumbersThenBuild) {
    const auto v = [](const char* text) { return Version(QString::fromUtf8(text)); };
    const struct {
        const char *a, *b;
        int order; // -1: first is older; 0: equal
    } rows[] = {
        {"1.9", "1.10", -1},  {"1.0", "1.0.1", -1},  {"1.2.0-beta1", "1.2.0", -1},
        {"v1.2", "1.3", -1},  {"", "0.0.1", -1},     {"1.99999999999999999999999", "2", -1},
        {"1", "1.0.0.0", 0},  {"v1.2.0", "1.2", 0},  {" 1.2 ", "1.2", 0},
        {"01.002", "1.2", 0}, {"1..2", "1.0.2", -1}, // a doubled dot ends the numbers
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.a) + " vs " + r.b);
        EXPECT_EQ((v(r.a) <=> v(r.b)) < 0, r.order < 0);
        EXPECT_EQ((v(r.b) <=> v(r.a)) > 0, r.order < 0);
        EXPECT_EQ(v(r.a) == v(r.b), r.order == 0);
    }
    // The build number only breaks ties between equal versions.
    const ReleaseVersion current{v("1.0.0"), v("5")};
    EXPECT_GT((ReleaseVersion{v("1.0.0"), v("6")}), current);
    EXPECT_LT((ReleaseVersion{v("1.0.0"), v("4")}), current);
    EXPECT_TRUE((ReleaseVersion{v("1.0"), v("5")}) == current);
    EXPECT_GT((ReleaseVersion{v("1.0.1"), v("1")}), current);
    EXPECT_LT((ReleaseVersion{v("0.9.9"), v("900")}), current);
}

TEST(AppcastParser, ReadsOfferableItemsAndRejectsPartialFeeds) {
    const auto items = AppcastParser::parse(appcast(R"(
<item><title>Tovi 1.2.0</title><sparkle:version>42</sparkle:version>
  <sparkle:shortVersionString>1.2.0</sparkle:shortVersionString>
  <sparkle:releaseNotesLink>https://tovi.dev/releases/1.2.0</sparkle:releaseNotesLink>
  <enclosure url="https://tovi.dev/dl/Tovi-1.2.0.AppImage" length="1234" sparkle:edSignature="c2ln"/></item>
<item><title>attributes</title><enclosure url="https://tovi.dev/dl/T-1.1.0" length="99" sparkle:version="41"
  sparkle:shortVersionString="1.1.0" sparkle:os="Linux"/></item>
<item><title>no version</title><enclosure url="https://x.dev/a" length="1"/></item>
<item><title>other os</title><sparkle:version>8</sparkle:version><sparkle:os>macos</sparkle:os>
  <enclosure url="https://x.dev/mac.zip" length="1"/></item>
<item><title>relative url</title><sparkle:version>9</sparkle:version><enclosure url="/a/path" length="1"/></item>
<item><title>unsafe notes</title><sparkle:version>3</sparkle:version>
  <sparkle:releaseNotesLink>javascript://x.dev/%0Aalert(1)</sparkle:releaseNotesLink>
  <enclosure url="https://x.dev/Tovi.AppImage" length="-5"/></item>)"));
    ASSERT_TRUE(items.ok()) << items.error().description().toStdString();
    ASSERT_EQ(items->size(), 3);
    const AppcastItem& first = items->at(0);
    EXPECT_EQ(first.build, u"42"_qs);
    EXPECT_EQ(first.displayVersion(), u"1.2.0"_qs);
    EXPECT_EQ(first.releaseNotesLink, QUrl(u"https://tovi.dev/releases/1.2.0"_qs));
    EXPECT_EQ(first.enclosureLength, 1234);
    EXPECT_EQ(first.edSignature, QByteArray("c2ln"));
    EXPECT_EQ(items->at(1).shortVersion, u"1.1.0"_qs);
    EXPECT_EQ(items->at(1).build, u"41"_qs);
    EXPECT_TRUE(items->at(1).edSignature.isEmpty());
    EXPECT_EQ(items->at(2).title, u"unsafe notes"_qs);
    EXPECT_TRUE(items->at(2).releaseNotesLink.isEmpty());
    EXPECT_EQ(items->at(2).enclosureLength, -1);

    const QByteArray valid =
        appcast("<item><sparkle:version>2</sparkle:version><enclosure url=\"https://x.dev/a\"/></item>");
    for (const QByteArray& document :
         {QByteArray("not xml at all"), QByteArray("<html><body>Login</body></html>"),
          QByteArray("<rss version=\"2.0\"></rss>"), valid.left(valid.size() - 20), valid + "<trailing/>"}) {
        const auto refused = AppcastParser::parse(document);
        ASSERT_FALSE(refused.ok()) << document.toStdString();
        EXPECT_FALSE(refused.error().description().isEmpty());
    }
    EXPECT_TRUE(AppcastParser::parse(valid).ok());
}

TEST(AppcastParser, NewestComparesVersionThenBuild) {
    const auto newest = [](std::initializer_list<std::pair<const char*, const char*>> items) {
        QList<AppcastItem> list;
        for (const auto& [shortVersion, build] : items) {
            list.append(AppcastItem());
            list.last().shortVersion = QString::fromUtf8(shortVersion);
            list.last().build = QString::fromUtf8(build);
        }
        return AppcastParser::newest(list);
    };
    EXPECT_FALSE(newest({}).has_value());
    EXPECT_EQ(newest({{"1.9", "90"}, {"1.10", "80"}})->shortVersion, u"1.10"_qs);
    EXPECT_EQ(newest({{"2.0", "5"}, {"2.0", "7"}, {"2.0", "6"}})->build, u"7"_qs);
    // Without a short version, the build number is the version.
    EXPECT_EQ(newest({{"", "10"}, {"", "9"}})->build, u"10"_qs);
}

TEST(UpdateAddressPolicy, AllowsHttpsAnywherePlainHttpOnlyOnThisMachineAndTheEnvironmentsFeed) {
    for (const char* text :
         {"HTTPS://tovi.dev/a", "http://127.1.2.3/feed", "http://LOCALHOST:99/x", "http://[::1]:8080/feed"})
        EXPECT_TRUE(UpdateAddressPolicy::check(QUrl(QString::fromUtf8(text))).ok()) << text;
    for (const char* text :
         {"http://128.0.0.1/feed", "http://localhost.evil.dev/feed", "http://127.0.0.1.evil.dev/x",
          "http://[::2]/feed", "ftp://127.0.0.1/feed", "https:///no-host", "http://tovi.dev/appcast.xml"}) {
        const auto checked = UpdateAddressPolicy::check(QUrl(QString::fromUtf8(text)));
        ASSERT_FALSE(checked.ok()) << text;
        EXPECT_FALSE(checked.error().description().isEmpty());
    }
    {
        const ScopedEnv set("TOVI_UPDATE_FEED", QByteArray("https://feeds.example.org/tovi.xml"));
        EXPECT_EQ(UpdateAddressPolicy::configuredFeed(), QUrl(u"https://feeds.example.org/tovi.xml"_qs));
    }
    // Blank means "not set": the build setting applies (empty in test builds).
    const ScopedEnv blank("TOVI_UPDATE_FEED", QByteArray("   "));
    EXPECT_EQ(UpdateAddressPolicy::configuredFeed().isEmpty(),
              QByteArray(build::defaultUpdateFeed).trimmed().isEmpty());
}

TEST(UpdateSignature, AcceptsOnlyTheExactBytesSignedByTheMatchingKey) {
    TestKeys keys, otherKeys;
    const QByteArray data = QByteArray(100000, 'x') + "payload";
    const QByteArray signature = keys.signBase64(data);
    const QByteArray key = keys.publicKeyBase64();
    QByteArray flipped = data;
    flipped[5] = 'y';
    // The empty file is a message like any other; whitespace around base64 text does not matter.
    EXPECT_TRUE(UpdateSignature::verify(data, signature, key).ok());
    EXPECT_TRUE(UpdateSignature::verify(QByteArray(), keys.signBase64(QByteArray()), key).ok());
    EXPECT_TRUE(UpdateSignature::verify(data, " " + signature + "\n", key + "\n").ok());
    EXPECT_FALSE(UpdateSignature::verify(flipped, signature, key).ok());
    EXPECT_FALSE(UpdateSignature::verify(data, signature, otherKeys.publicKeyBase64()).ok());
    EXPECT_FALSE(UpdateSignature::verify(data, otherKeys.signBase64(data), key).ok());
    EXPECT_FALSE(UpdateSignature::verify(QByteArray(), signature, key).ok());

    // No key, a key of the wrong size, unsigned, a truncated signature: refused before reading.
    const std::pair<QByteArray, QByteArray> bad[] = {
        {signature, ""},
        {signature, QByteArray(16, 'A').toBase64()},
        {"", key},
        {QByteArray::fromBase64(signature).left(63).toBase64(), key},
    };
    for (const auto& [sig, k] : bad) {
        SCOPED_TRACE(sig.toStdString() + " / " + k.toStdString());
        const auto checked = UpdateSignature::checkInputs(sig, k);
        ASSERT_FALSE(checked.ok());
        EXPECT_FALSE(checked.error().description().isEmpty());
        EXPECT_FALSE(UpdateSignature::verify(data, sig, k).ok());
    }
    EXPECT_TRUE(UpdateSignature::checkInputs(signature, key).ok());
}

TEST(UpdateInstaller, SwapsInOnlyAnExecutableAndOnlyWhereItMay) {
    QTemporaryDir dir;
    const auto at = [&](const char* name) { return dir.filePath(QString::fromUtf8(name)); };
    const QString appImage = at("Tovi.AppImage"), download = at("download.AppImage"), link = at("tovi");
    const QByteArray oldImage("\177ELFold"), newImage = "\177ELF" + QByteArray(2 * 1024 * 1024, 'n');
    writeFile(appImage, oldImage, kExecutable);
    writeFile(download, newImage);
    // Reached through a link, as launchers often do: the file behind it is replaced.
    ASSERT_TRUE(QFile::link(appImage, link));
    ASSERT_TRUE(UpdateInstaller::canReplace(link));
    const auto installed = UpdateInstaller::replaceAppImage(download, link);
    ASSERT_TRUE(installed.ok()) << installed.error().description().toStdString();
    EXPECT_EQ(readFile(appImage), newImage);
    struct stat info {};
    ::stat(QFile::encodeName(appImage).constData(), &info);
    EXPECT_EQ(info.st_mode & 07777, mode_t(0755));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 3)
        << "nothing staged left";

    // A package that is no executable, a file that is gone, or no AppImage at all: untouched.
    writeFile(download, "!<arch>\ndebian-binary");
    EXPECT_FALSE(UpdateInstaller::replaceAppImage(download, appImage).ok());
    EXPECT_FALSE(UpdateInstaller::replaceAppImage(at("gone"), appImage).ok());
    EXPECT_EQ(readFile(appImage), newImage);
    for (const QString& path : {QString(), at("missing.AppImage"), dir.path()})
        EXPECT_FALSE(UpdateInstaller::canReplace(path)) << path.toStdString();

    // A folder this user cannot write (permission bits do not bind root).
    if (::geteuid() != 0) {
        const QString locked = at("locked/Tovi.AppImage");
        writeFile(locked, oldImage, kPlain);
        QFile::setPermissions(at("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        writeFile(download, newImage);
        EXPECT_FALSE(UpdateInstaller::canReplace(locked));
        EXPECT_FALSE(UpdateInstaller::replaceAppImage(download, locked).ok());
        QFile::setPermissions(at("locked"), kExecutable);
    }
}

TEST_F(FeedUpdaterTest, UserCheckSaysWhetherTheFeedHasSomethingNewer) {
    const QString a = u"/a"_qs;
    const struct {
        QUrl feed;
        const char* text; // "title: text"
        const char* detail;
        bool offersDownload;
    } cases[] = {
        {serve("/newer", appcast(item("1.0.9", "99", a, 1, "s") + item("1.1.0", "8", a, 1, "s"))),
         "Software Update: A new version of Tovi is available!",
         "Tovi 1.1.0 is now available \u2014 you have 1.0.0.", true},
        {serve("/rebuilt", appcast(item("1.0", "8", a, 1, "s"))),
         "Software Update: A new version of Tovi is available!", "Tovi 1.0 is now available", true},
        {serve("/same", appcast(item("1.0.0", "7", a, 1, "s"))),
         "You\u2019re up to date!: Tovi 1.0.0 is the newest version available.", "", false},
        {serve("/malformed", "<rss><channel><item>"), "Update Error: Tovi could not check for updates.",
         "not valid XML", false},
        {serve("/redirect", "", "302 Found\r\nLocation: http://updates.example.org/feed.xml"),
         "Update Error: Tovi could not check for updates.", "HTTPS", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.feed.path().toStdString());
        prompter.messages.clear();
        auto updater = make(c.feed);
        check(*updater, user);
        ASSERT_EQ(prompter.messages.size(), 1);
        const UpdateMessage& shown = prompter.messages.first();
        EXPECT_EQ(shown.title + u": "_qs + shown.text, QString::fromUtf8(c.text));
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
    EXPECT_EQ(m_counts.value(u"/feed.xml"_qs), 1);
    EXPECT_EQ(prompter.messages.size(), 1);

    // Quitting in the middle of a check ends it quietly (the sanitizers watch the rest).
    updater->checkForUpdates();
    updater.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(prompter.messages.size(), 1);
}

TEST_F(FeedUpdaterTest, DiscardsDownloadsThatFailVerification) {
    const QByteArray good = keys.signBase64(newImage);
    // Unsigned (as with no key), other bytes signed, short, over the size cap, plain HTTP elsewhere.
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
        {good, newImage.size() - 1, "larger than the update feed says", {}},
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
        EXPECT_THAT(prompter.messages[1].detail.toStdString(), ::testing::HasSubstr(c.expected));
        EXPECT_TRUE(downloadedFiles().isEmpty());
        EXPECT_EQ(readFile(appImage), oldImage);
    }
    // Signed, but another kind of package: it never takes the AppImage's place, and the dialog
    // says why.
    prompter.messages.clear();
    const QByteArray archive = "PK\3\4 an archive " + QByteArray(1000, 'a');
    const QString appImage = makeAppImage();
    auto updater = make(offer(archive, archive.size(), keys.signBase64(archive)), appImage);
    check(*updater, user);
    QCoro::waitFor(updater->downloadUpdate(user));
    ASSERT_EQ(prompter.messages.size(), 2);
    EXPECT_EQ(prompter.messages[1].text, u"Tovi 1.1.0 could not be installed."_qs);
    EXPECT_THAT(prompter.messages[1].detail.toStdString(), ::testing::HasSubstr("not an AppImage"));
    EXPECT_EQ(readFile(appImage), oldImage);
}

TEST_F(FeedUpdaterTest, InstallsAVerifiedUpdateFromTheDialogOrTheNoticeAndOffersARestart) {
    // A background check that fails stays quiet.
    auto quiet = make(serve("/broken", "<html>"));
    check(*quiet, background);
    EXPECT_TRUE(quiet->lastCheckTime().isValid());
    EXPECT_TRUE(notifier.notices.isEmpty());
    EXPECT_TRUE(prompter.messages.isEmpty());

    const QString appImage = makeAppImage();
    auto updater = make(goodOffer(), appImage);
    updater->checkForUpdates();
    ASSERT_TRUE(spinUntil([&] { return !prompter.messages.isEmpty(); }));
    Q_EMIT prompter.accepted(u"download"_qs);
    ASSERT_TRUE(spinUntil([&] { return prompter.messages.size() == 2; }));
    EXPECT_EQ(prompter.messages[1].text, u"Tovi 1.1.0 is installed."_qs);
    EXPECT_EQ(readFile(appImage), newImage);
    EXPECT_TRUE(downloadedFiles().isEmpty());
    EXPECT_TRUE(restarts.isEmpty());
    Q_EMIT prompter.accepted(u"restart"_qs);
    EXPECT_EQ(restarts, QStringList{appImage});
    // Asked again before restarting, the user hears about the restart, not a new download.
    check(*updater, user);
    EXPECT_EQ(prompter.messages.last().acceptAction, u"restart"_qs);
    EXPECT_EQ(m_counts.value(download), 1);
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
    EXPECT_EQ(m_counts.value(download), 1);
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
    const auto first = make(QUrl());
    EXPECT_TRUE(first->automaticallyChecksForUpdates());
    EXPECT_FALSE(first->automaticallyDownloadsUpdates());
    first->setAutomaticallyChecksForUpdates(false);
    first->setAutomaticallyDownloadsUpdates(true);
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

    // Launch leaves room before an overdue check; a last check "in the future" postpones nothing.
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
    overdue.reset();

    // The application's settings instance, over a file it refused (here a folder): the updater's
    // choices live in that one instance for the run, beside the store's, never in a second one.
    sharedSettings = std::make_shared<QSettingsUserDefaults>(dir.path());
    ASSERT_TRUE(sharedSettings->notice());
    make(QUrl())->setAutomaticallyDownloadsUpdates(true);
    EXPECT_TRUE(sharedSettings->get(settings::automaticallyDownloadsUpdates));
    EXPECT_TRUE(make(QUrl())->automaticallyDownloadsUpdates());
}

// Update notices are one kind among Tovi's notices: the button and a click on the notice ask
// for the action of the notice on screen; a notice without one asks for nothing; other kinds'
// clicks are not the updater's.
TEST(DesktopUpdateNotifier, OffersTheActionAndReportsClicksOnItsOwnKindOnly) {
    FakeDesktopNotifications desktop;
    DesktopUpdateNotifier notifier(&desktop);
    QStringList invoked;
    QObject::connect(&notifier, &UpdateNotifier::actionInvoked, [&](const QString& a) { invoked << a; });
    const QString summary = u"Tovi 1.1.0 is available"_qs;
    notifier.notify(UpdateNotice{summary, u"You have 1.0.0."_qs, u"download"_qs, u"Download"_qs});
    ASSERT_EQ(desktop.shown.size(), 1);
    EXPECT_EQ(desktop.shown[0], (DesktopNotice{u"update"_qs,
                                               summary,
                                               u"You have 1.0.0."_qs,
                                               {{u"download"_qs, u"Download"_qs}},
                                               u"Download"_qs}));
    Q_EMIT desktop.actionInvoked(u"update"_qs, u"download"_qs);
    Q_EMIT desktop.actionInvoked(u"update"_qs, u"default"_qs);
    Q_EMIT desktop.actionInvoked(u"attention"_qs, u"download"_qs);
    EXPECT_EQ(invoked, (QStringList{u"download"_qs, u"download"_qs}));

    notifier.notify(UpdateNotice{summary, {}, {}, {}});
    EXPECT_TRUE(desktop.shown.last().actions.isEmpty());
    Q_EMIT desktop.actionInvoked(u"update"_qs, u"default"_qs);
    Q_EMIT desktop.actionInvoked(u"update"_qs, u"download"_qs); // the replaced notice's button
    EXPECT_EQ(invoked.size(), 2);
    notifier.notify(UpdateNotice{summary, {}, u"install"_qs, u"Install"_qs});
    Q_EMIT desktop.actionInvoked(u"update"_qs, u"default"_qs);
    EXPECT_EQ(invoked.last(), u"install"_qs);
}

TEST(MessageBoxUpdatePrompter, ShowsOneNonBlockingDialogWithEscapedFeedTextAndReportsTheChoice) {
    MessageBoxUpdatePrompter prompter;
    QStringList accepted;
    QObject::connect(&prompter, &UpdatePrompter::accepted, [&](const QString& a) { accepted << a; });
    const UpdateMessage offer{UpdateMessage::Kind::information,
                              u"Software Update"_qs,
                              u"A new version of Tovi is available!"_qs,
                              u"Tovi <b>1.1.0</b> & more"_qs,
                              QUrl(u"https://tovi.dev/notes?a=1&b=\"2\""_qs),
                              u"Release notes"_qs,
                              u"download"_qs,
                              u"Download"_qs,
                              u"Later"_qs};
    prompter.show(offer); // returns at once: open(), not exec()

    QMessageBox* box = prompter.currentBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->icon(), QMessageBox::Information);
    EXPECT_EQ(box->windowTitle(), u"Software Update"_qs);
    EXPECT_EQ(std::pair(box->text(), box->textFormat()), std::pair(offer.text, Qt::PlainText));
    EXPECT_EQ(box->informativeText(), u"<p>Tovi &lt;b&gt;1.1.0&lt;/b&gt; &amp; more<br><br>"
                                      "<a href=\"https://tovi.dev/notes?a=1&amp;b=%222%22\">Release notes</a></p>"_qs);
    EXPECT_TRUE(box->findChild<QLabel*>(u"qt_msgbox_informativelabel"_qs)->openExternalLinks());
    EXPECT_EQ(box->buttons().size(), 2); // "Download" and "Later", which click() finds

    // "Later" closes without an action; a later dialog replaces an open one.
    click(box, u"Later"_qs);
    QCoreApplication::processEvents();
    EXPECT_TRUE(accepted.isEmpty());
    prompter.show(offer);
    QPointer<QMessageBox> first = prompter.currentBox();
    UpdateMessage warning;
    warning.kind = UpdateMessage::Kind::warning;
    prompter.show(warning);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull() || !first->isVisible());
    ASSERT_NE(prompter.currentBox(), nullptr);
    EXPECT_EQ(prompter.currentBox()->buttons().size(), 1);
    EXPECT_EQ(prompter.currentBox()->icon(), QMessageBox::Warning);

    prompter.show(offer);
    click(prompter.currentBox(), u"Download"_qs);
    EXPECT_EQ(accepted, QStringList{u"download"_qs});
}

#include "UpdaterTest.moc"
