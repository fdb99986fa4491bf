#include "updater/AppcastParser.h"

#include <gtest/gtest.h>

using tovi::AppcastItem;
using tovi::AppcastParser;

namespace {

QByteArray feed(const QByteArray& items) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">\n"
           "<channel><title>Tovi</title>\n" +
           items + "</channel></rss>\n";
}

} // namespace

TEST(AppcastParser, ReadsItemsWrittenWithElementsOrWithEnclosureAttributes) {
    const QByteArray document = feed(R"(
<item><title>Tovi 1.2.0</title>
  <sparkle:version>42</sparkle:version>
  <sparkle:shortVersionString>1.2.0</sparkle:shortVersionString>
  <sparkle:releaseNotesLink>https://tovi.dev/releases/1.2.0</sparkle:releaseNotesLink>
  <enclosure url="https://tovi.dev/dl/Tovi-1.2.0.AppImage" length="1234" type="application/octet-stream"
             sparkle:edSignature="c2lnbmF0dXJl"/>
</item>
<item><title>Old style</title>
  <enclosure url="https://tovi.dev/dl/Tovi-1.1.0.AppImage" length="99" type="application/octet-stream"
             sparkle:version="41" sparkle:shortVersionString="1.1.0"/>
</item>)");
    const auto items = AppcastParser::parse(document);
    ASSERT_TRUE(items.ok()) << items.error().description().toStdString();
    ASSERT_EQ(items->size(), 2);
    const AppcastItem& first = items->at(0);
    EXPECT_EQ(first.title, QStringLiteral("Tovi 1.2.0"));
    EXPECT_EQ(first.build, QStringLiteral("42"));
    EXPECT_EQ(first.displayVersion(), QStringLiteral("1.2.0"));
    EXPECT_EQ(first.releaseNotesLink, QUrl(QStringLiteral("https://tovi.dev/releases/1.2.0")));
    EXPECT_EQ(first.enclosureUrl, QUrl(QStringLiteral("https://tovi.dev/dl/Tovi-1.2.0.AppImage")));
    EXPECT_EQ(first.enclosureLength, 1234);
    EXPECT_EQ(first.edSignature, QByteArray("c2lnbmF0dXJl"));
    const AppcastItem& second = items->at(1);
    EXPECT_EQ(second.build, QStringLiteral("41"));
    EXPECT_EQ(second.shortVersion, QStringLiteral("1.1.0"));
    EXPECT_EQ(second.enclosureLength, 99);
    EXPECT_TRUE(second.edSignature.isEmpty());
    EXPECT_EQ(AppcastParser::newest(*items)->build, QStringLiteral("42"));
}

TEST(AppcastParser, LeavesOutItemsThatCannotBeOfferedAndUnsafeLinks) {
    const QByteArray document = feed(R"(
<item><title>no version</title><enclosure url="https://x.dev/a" length="1"/></item>
<item><title>no download</title><sparkle:version>7</sparkle:version></item>
<item><title>other os</title><sparkle:version>8</sparkle:version><sparkle:os>macos</sparkle:os>
  <enclosure url="https://x.dev/mac.zip" length="1"/></item>
<item><title>relative url</title><sparkle:version>9</sparkle:version><enclosure url="/just/a/path" length="1"/></item>
<item><title>kept</title><sparkle:version>3</sparkle:version>
  <sparkle:releaseNotesLink>javascript:alert(1)</sparkle:releaseNotesLink>
  <enclosure url="https://x.dev/Tovi.AppImage" length="-5" sparkle:os="linux"/></item>
<item><title>notes on file</title><sparkle:version>2</sparkle:version>
  <sparkle:releaseNotesLink>file:///etc/passwd</sparkle:releaseNotesLink>
  <enclosure url="https://x.dev/Tovi2.AppImage"/></item>)");
    const auto items = AppcastParser::parse(document);
    ASSERT_TRUE(items.ok());
    ASSERT_EQ(items->size(), 2);
    EXPECT_EQ(items->at(0).title, QStringLiteral("kept"));
    EXPECT_TRUE(items->at(0).releaseNotesLink.isEmpty());
    EXPECT_EQ(items->at(0).enclosureLength, -1);
    EXPECT_TRUE(items->at(1).releaseNotesLink.isEmpty());
}

TEST(AppcastParser, RejectsDocumentsThatAreNotWholeFeeds) {
    const QByteArray valid = feed("<item><sparkle:version>2</sparkle:version>"
                                  "<enclosure url=\"https://x.dev/a\" length=\"1\"/></item>");
    const QByteArray broken[] = {
        "",
        "not xml at all",
        "<html><body>Login required</body></html>",
        "<rss version=\"2.0\"></rss>",
        valid.left(valid.size() - 20), // cut off mid-way
        valid + "<trailing/>",
        feed("<item><sparkle:version>2</sparkle:version>"), // unclosed item
    };
    for (const QByteArray& document : broken) {
        SCOPED_TRACE(document.toStdString());
        const auto items = AppcastParser::parse(document);
        ASSERT_FALSE(items.ok());
        EXPECT_FALSE(items.error().description().isEmpty());
    }
    EXPECT_TRUE(AppcastParser::parse(valid).ok());
    const auto empty = AppcastParser::parse(feed(""));
    ASSERT_TRUE(empty.ok());
    EXPECT_FALSE(AppcastParser::newest(*empty).has_value());
}

TEST(AppcastParser, NewestComparesVersionThenBuild) {
    auto item = [](const char* shortVersion, const char* build) {
        AppcastItem i;
        i.shortVersion = QString::fromUtf8(shortVersion);
        i.build = QString::fromUtf8(build);
        return i;
    };
    EXPECT_EQ(AppcastParser::newest({item("1.9", "90"), item("1.10", "80"), item("1.2", "99")})->shortVersion,
              QStringLiteral("1.10"));
    EXPECT_EQ(AppcastParser::newest({item("2.0", "5"), item("2.0", "7"), item("2.0", "6")})->build,
              QStringLiteral("7"));
    // Without a short version, the build number is the version.
    EXPECT_EQ(AppcastParser::newest({item("", "10"), item("", "9")})->build, QStringLiteral("10"));
}
