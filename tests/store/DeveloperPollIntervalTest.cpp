#include "store/LiveDependencies.h"

#include "support/TestUtil.h"

#include <gtest/gtest.h>

namespace tovi {
namespace {

using std::chrono::milliseconds;

TEST(DeveloperPollInterval, TakesOnlyAPositiveWholeNumberOfMilliseconds) {
    EXPECT_EQ(developerPollInterval("50"), milliseconds(50));
    EXPECT_EQ(developerPollInterval("1"), milliseconds(1));
    EXPECT_EQ(developerPollInterval("86400000"), milliseconds(86'400'000));

    // Anything else leaves the normal interval in place.
    for (const char* value : {"", "0", "-50", "+50", " 50", "50ms", "99999999999999999999999"}) {
        EXPECT_EQ(developerPollInterval(QByteArray(value)), std::nullopt) << "value: '" << value << "'";
    }
}

TEST(DeveloperPollInterval, ReplacesTheIntervalOfTheLiveStoreOnlyWhenValid) {
    StatusStoreDependencies given;
    given.interval = milliseconds(7000);
    {
        const test::ScopedEnv unset("TOVI_DEV_POLL_INTERVAL_MS", std::nullopt);
        EXPECT_EQ(withLiveDependencies(given).interval, milliseconds(7000));
    }
    {
        const test::ScopedEnv valid("TOVI_DEV_POLL_INTERVAL_MS", QByteArray("50"));
        EXPECT_EQ(withLiveDependencies(given).interval, milliseconds(50));
    }
    const test::ScopedEnv invalid("TOVI_DEV_POLL_INTERVAL_MS", QByteArray("fast"));
    EXPECT_EQ(withLiveDependencies(given).interval, milliseconds(7000));
}

} // namespace
} // namespace tovi
