#include "updater/AppcastParser.h"

#include <gtest/gtest.h>

using tovi::AppcastItem;
using tovi::AppcastParser;

namespace {

QByteArray feed(const QByteArray& items) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">\n<channel><title>Tovi</"
           "title>\n" +
           items + "</channel></rss>\n";
}

} // namespace

TEST(AppcastParser, ReadsTheItemsThatCanBeOfferedWhicheverWayTheyAreWritten) {
    const auto items = AppcastParser::parse(feed(R"(
<item><title>Tovi 1.2.0</title><sparkle:version>42</sparkle:version>
  <sparkle:shortVersionString>1.2.0</sparkle:shortVersionString>
  <sparkle:releaseNotesLink>https://tovi.dev/releases/1.2.0</sparkle:releaseNotesLink>
  <enclosure url="https://tovi.dev/dl/Tovi-1.2.0.AppImage" length="1234" sparkle:edSignature="c2ln"/></item>
<item><title>attributes</title><enclosure url="https://tovi.dev/dl/T-1.1.0" length="99" sparkle:version="41"
  sparkle:shortVersionString="1.1.0" sparkle:os="Linux"/></item>
<item><title>no version</title><enclosure url="https://x.dev/a" length="1"/></item>
<item><title>no download</title><sparkle:version>7</sparkle:version></item>
<item><title>other os</title><sparkle:version>8</sparkle:version><sparkle:os>macos</sparkle:os>
  <enclosure url="https://x.dev/mac.zip" length="1"/></item>
<item><title>relative url</title><sparkle:version>9</sparkle:version><enclosure url="/a/path" length="1"/></item>
<item><title>unsafe notes</title><sparkle:version>3</sparkle:version>
  <sparkle:releaseNotesLink>javascript:alert(1)</sparkle:releaseNotesLink>
  <enclosure url="https://x.dev/Tovi.AppImage" length="-5"/></item>)"));
    ASSERT_TRUE(items.ok()) << items.error().description().toStdString();
    ASSERT_EQ(items->size(), 3);
    const AppcastItem& first = items->at(0);
    EXPECT_EQ(first.build, QStringLiteral("42"));
    EXPECT_EQ(first.displayVersion(), QStringLiteral("1.2.0"));
    EXPECT_EQ(first.releaseNotesLink, QUrl(QStringLiteral("https://tovi.dev/releases/1.2.0")));
    EXPECT_EQ(first.enclosureLength, 1234);
    EXPECT_EQ(first.edSignature, QByteArray("c2ln"));
    EXPECT_EQ(items->at(1).shortVersion, QStringLiteral("1.1.0"));
    EXPECT_EQ(items->at(1).build, QStringLiteral("41"));
    EXPECT_TRUE(items->at(1).edSignature.isEmpty());
    EXPECT_EQ(items->at(2).title, QStringLiteral("unsafe notes"));
    EXPECT_TRUE(items->at(2).releaseNotesLink.isEmpty());
    EXPECT_EQ(items->at(2).enclosureLength, -1);
}

TEST(AppcastParser, RejectsDocumentsThatAreNotWholeFeeds) {
    const QByteArray valid =
        feed("<item><sparkle:version>2</sparkle:version><enclosure url=\"https://x.dev/a\"/></item>");
    for (const QByteArray& document :
         {QByteArray("not xml at all"), QByteArray("<html><body>Login</body></html>"),
          QByteArray("<rss version=\"2.0\"></rss>"), valid.left(valid.size() - 20), valid + "<trailing/>"}) {
        const auto items = AppcastParser::parse(document);
        ASSERT_FALSE(items.ok()) << document.toStdString();
        EXPECT_FALSE(items.error().description().isEmpty());
    }
    EXPECT_TRUE(AppcastParser::parse(valid).ok());
    EXPECT_FALSE(AppcastParser::newest(*AppcastParser::parse(feed(""))).has_value());
}

TEST(AppcastParser, NewestComparesVersionThenBuild) {
    auto item = [](const char* shortVersion, const char* build) {
        AppcastItem i;
        i.shortVersion = QString::fromUtf8(shortVersion);
        i.build = QString::fromUtf8(build);
        return i;
    };
    EXPECT_EQ(AppcastParser::newest({item("1.9", "90"), item("1.10", "80")})->shortVersion,
              QStringLiteral("1.10"));
    EXPECT_EQ(AppcastParser::newest({item("2.0", "5"), item("2.0", "7"), item("2.0", "6")})->build,
              QStringLiteral("7"));
    // Without a short version, the build number is the version.
    EXPECT_EQ(AppcastParser::newest({item("", "10"), item("", "9")})->build, QStringLiteral("10"));
}
