#include "store/LiveDependencies.h"

#include <gtest/gtest.h>

#include <QtGlobal>

namespace tovi {
namespace {

using std::chrono::milliseconds;

TEST(DeveloperPollInterval, TakesOnlyAPositiveWholeNumberOfMilliseconds) {
    EXPECT_EQ(developerPollInterval("50"), milliseconds(50));
    EXPECT_EQ(developerPollInterval("1"), milliseconds(1));
    EXPECT_EQ(developerPollInterval("86400000"), milliseconds(86'400'000));

    // Anything else leaves the normal interval in place.
    for (const char* value : {"", "0", "000", "-50", "+50", " 50", "50 ", "50ms", "5e3", "0x10", "1.5",
                              "99999999999999999999999"}) {
        EXPECT_EQ(developerPollInterval(QByteArray(value)), std::nullopt) << "value: '" << value << "'";
    }
}

TEST(DeveloperPollInterval, ReplacesTheIntervalOfTheLiveStoreOnlyWhenValid) {
    const QByteArray saved = qgetenv("TOVI_DEV_POLL_INTERVAL_MS");
    const bool wasSet = qEnvironmentVariableIsSet("TOVI_DEV_POLL_INTERVAL_MS");

    StatusStoreDependencies given;
    given.interval = milliseconds(7000);

    qunsetenv("TOVI_DEV_POLL_INTERVAL_MS");
    EXPECT_EQ(withLiveDependencies(given).interval, milliseconds(7000));

    qputenv("TOVI_DEV_POLL_INTERVAL_MS", "50");
    EXPECT_EQ(withLiveDependencies(given).interval, milliseconds(50));

    qputenv("TOVI_DEV_POLL_INTERVAL_MS", "0");
    EXPECT_EQ(withLiveDependencies(given).interval, milliseconds(7000));

    qputenv("TOVI_DEV_POLL_INTERVAL_MS", "fast");
    EXPECT_EQ(withLiveDependencies(given).interval, milliseconds(7000));

    if (wasSet)
        qputenv("TOVI_DEV_POLL_INTERVAL_MS", saved);
    else
        qunsetenv("TOVI_DEV_POLL_INTERVAL_MS");
}

} // namespace
} // namespace tovi
