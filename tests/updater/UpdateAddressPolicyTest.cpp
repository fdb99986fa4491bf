#include "updater/UpdateAddressPolicy.h"
#include "BuildConfig.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

using tovi::UpdateAddressPolicy;

TEST(UpdateAddressPolicy, AllowsHttpsAnywhereAndPlainHttpOnlyOnThisMachine) {
    const char* allowed[] = {
        "HTTPS://tovi.dev/a",
        "http://127.1.2.3/feed",
        "http://LOCALHOST:99/x",
        "http://[::1]:8080/feed",
    };
    for (const char* text : allowed) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(UpdateAddressPolicy::check(QUrl(QString::fromUtf8(text))).ok());
    }
    const char* refused[] = {
        "http://128.0.0.1/feed", "http://localhost.evil.dev/feed", "http://127.0.0.1.evil.dev/x",
        "http://[::2]/feed",     "ftp://127.0.0.1/feed",           "https:///no-host",
    };
    for (const char* text : refused) {
        SCOPED_TRACE(text);
        const auto checked = UpdateAddressPolicy::check(QUrl(QString::fromUtf8(text)));
        ASSERT_FALSE(checked.ok());
        EXPECT_FALSE(checked.error().description().isEmpty());
    }
    const auto plain = UpdateAddressPolicy::check(QUrl(QStringLiteral("http://tovi.dev/appcast.xml")));
    EXPECT_TRUE(plain.error().description().contains(QStringLiteral("HTTPS")));
}

TEST(UpdateAddressPolicy, EnvironmentOverridesTheBuiltInFeed) {
    {
        const tovi::test::ScopedEnv set("TOVI_UPDATE_FEED", QByteArray("https://feeds.example.org/tovi.xml"));
        EXPECT_EQ(UpdateAddressPolicy::configuredFeed(),
                  QUrl(QStringLiteral("https://feeds.example.org/tovi.xml")));
    }
    const tovi::test::ScopedEnv blank("TOVI_UPDATE_FEED", QByteArray("   "));
    // Blank means "not set": the build setting applies (empty in test builds).
    EXPECT_EQ(UpdateAddressPolicy::configuredFeed().isEmpty(),
              QByteArray(tovi::build::defaultUpdateFeed).trimmed().isEmpty());
}
