#include "BuildConfig.h"
#include "UpdaterKit.h"
#include "support/TestUtil.h"
#include "updater/AppcastParser.h"
#include "updater/UpdateAddressPolicy.h"
#include "updater/Version.h"

#include <gtest/gtest.h>

using namespace tovi;

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
    const auto items = AppcastParser::parse(test::appcast(R"(
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

    const QByteArray valid = test::appcast(
        "<item><sparkle:version>2</sparkle:version><enclosure url=\"https://x.dev/a\"/></item>");
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
    const auto item = [](const char* shortVersion, const char* build) {
        AppcastItem i;
        i.shortVersion = QString::fromUtf8(shortVersion);
        i.build = QString::fromUtf8(build);
        return i;
    };
    EXPECT_FALSE(AppcastParser::newest(*AppcastParser::parse(test::appcast(""))).has_value());
    EXPECT_EQ(AppcastParser::newest({item("1.9", "90"), item("1.10", "80")})->shortVersion, u"1.10"_qs);
    EXPECT_EQ(AppcastParser::newest({item("2.0", "5"), item("2.0", "7"), item("2.0", "6")})->build, u"7"_qs);
    // Without a short version, the build number is the version.
    EXPECT_EQ(AppcastParser::newest({item("", "10"), item("", "9")})->build, u"10"_qs);
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
        const test::ScopedEnv set("TOVI_UPDATE_FEED", QByteArray("https://feeds.example.org/tovi.xml"));
        EXPECT_EQ(UpdateAddressPolicy::configuredFeed(), QUrl(u"https://feeds.example.org/tovi.xml"_qs));
    }
    // Blank means "not set": the build setting applies (empty in test builds).
    const test::ScopedEnv blank("TOVI_UPDATE_FEED", QByteArray("   "));
    EXPECT_EQ(UpdateAddressPolicy::configuredFeed().isEmpty(),
              QByteArray(build::defaultUpdateFeed).trimmed().isEmpty());
}
