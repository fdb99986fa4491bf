#include "updater/Version.h"

#include <gtest/gtest.h>

using tovi::ReleaseVersion;
using tovi::Version;

namespace {
Version v(const char* text) {
    return Version(QString::fromUtf8(text));
}
} // namespace

TEST(Version, ComparesDottedComponentsAsNumbers) {
    struct Case {
        const char* older;
        const char* newer;
    };
    const Case cases[] = {
        {"1.9", "1.10"}, {"1.0", "1.0.1"}, {"1.2.0-beta1", "1.2.0"},
        {"v1.2", "1.3"}, {"", "0.0.1"},    {"1.99999999999999999999999", "2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.older) + " < " + c.newer);
        EXPECT_LT(v(c.older), v(c.newer));
        EXPECT_GT(v(c.newer), v(c.older));
        EXPECT_FALSE(v(c.older) == v(c.newer));
    }
}

TEST(Version, TreatsMissingComponentsAsZeroAndIgnoresDecoration) {
    const std::pair<const char*, const char*> equal[] = {
        {"1", "1.0.0.0"},
        {"v1.2.0", "1.2"},
        {" 1.2 ", "1.2"},
        {"01.002", "1.2"},
    };
    for (const auto& [a, b] : equal) {
        SCOPED_TRACE(std::string(a) + " == " + b);
        EXPECT_TRUE(v(a) == v(b));
    }
}

TEST(Version, BuildNumberOnlyBreaksTiesBetweenEqualVersions) {
    const ReleaseVersion current{v("1.0.0"), v("5")};
    EXPECT_GT((ReleaseVersion{v("1.0.0"), v("6")}), current);
    EXPECT_LT((ReleaseVersion{v("1.0.0"), v("4")}), current);
    EXPECT_TRUE((ReleaseVersion{v("1.0"), v("5")}) == current);
    // A newer version wins even with a smaller build number, and the reverse.
    EXPECT_GT((ReleaseVersion{v("1.0.1"), v("1")}), current);
    EXPECT_LT((ReleaseVersion{v("0.9.9"), v("900")}), current);
}
