#include "BuildConfig.h"
#include "UpdaterKit.h"
#include "support/TestUtil.h"
#include "updater/AppcastParser.h"
#include "updater/UpdateAddressPolicy.h"
#include "updater/UpdateInstaller.h"
#include "updater/UpdateSignature.h"
#include "updater/Version.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace tovi;
using namespace tovi::test;

TEST(Version, ComparesDottedNumbersThenBuild) {
    const auto v = [](const char* text) { return Version(QString::fromUtf8(text)); };
    // -1: first is older; 0: equal.
    const struct {
        const char *a, *b;
        int order;
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
    EXPECT_TRUE(UpdateAddressPolicy::check(QUrl(u"http://tovi.dev/a"_qs))
                    .error()
                    .description()
                    .contains(u"HTTPS"_qs));
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
