#include "platform/BoottimeClock.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

#include <fcntl.h>

#include <optional>
#include <vector>

using namespace tovi;
using namespace std::chrono_literals;

namespace {

QStringList openDescriptors() {
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
}

// Open timerfds of this process: descriptor -> its fdinfo text.
QMap<QString, QString> timerfds() {
    QMap<QString, QString> found;
    for (const QString& fd : openDescriptors()) {
        const QString target = QFile::symLinkTarget(QStringLiteral("/proc/self/fd/") + fd);
        if (!target.contains(QLatin1String("timerfd")))
            continue;
        QFile info(QStringLiteral("/proc/self/fdinfo/") + fd);
        if (info.open(QIODevice::ReadOnly))
            found.insert(fd, QString::fromUtf8(info.readAll()));
    }
    return found;
}

QCoro::Task<> sleepAndRecord(Clock* clock, std::chrono::milliseconds duration, std::vector<int>* order,
                             int id) {
    co_await clock->sleepFor(duration);
    order->push_back(id);
}

} // namespace

TEST(BoottimeClock, SleepsCompleteInDeadlineOrderAndLeaveNoDescriptor) {
    BoottimeClock clock;
    const auto before = timerfds().keys();

    // Nothing to wait for: done before the event loop ever runs.
    {
        QCoro::Task<> zero = clock.sleepFor(0ms);
        QCoro::Task<> negative = clock.sleepFor(-5s);
        EXPECT_TRUE(zero.isReady());
        EXPECT_TRUE(negative.isReady());
    }

    QCoro::waitFor(clock.sleepFor(5ms));

    // Later-started, shorter sleep finishes first; both finish.
    std::vector<int> order;
    QCoro::Task<> longer = sleepAndRecord(&clock, 150ms, &order, 1);
    QCoro::Task<> shorter = sleepAndRecord(&clock, 1ms, &order, 2);
    QCoro::waitFor(std::move(longer));
    QCoro::waitFor(std::move(shorter));
    EXPECT_EQ(order, (std::vector<int>{2, 1}));

    EXPECT_EQ(timerfds().keys(), before) << "each sleep closes its timer";
}

TEST(BoottimeClock, WaitsOnAnAbsoluteBoottimeDeadline) {
    BoottimeClock clock;
    const auto before = timerfds();
    QCoro::Task<> sleeping = clock.sleepFor(300ms);
    ASSERT_FALSE(sleeping.isReady());

    std::optional<QString> info;
    const auto during = timerfds();
    for (auto it = during.begin(); it != during.end(); ++it) {
        if (!before.contains(it.key()))
            info = it.value();
    }
    ASSERT_TRUE(info.has_value()) << "the sleep waits on a timerfd";
    // CLOCK_BOOTTIME is 7; an absolute deadline is what makes a sleep that spans a suspend
    // end at once on resume.
    EXPECT_TRUE(info->contains(QLatin1String("clockid: 7"))) << qPrintable(*info);
    EXPECT_TRUE(info->contains(QLatin1String("settime flags: 01"))) << qPrintable(*info);
    const QString flagsLine = info->section(QLatin1String("flags:"), 1, 1).section(u'\n', 0, 0).trimmed();
    bool ok = false;
    const int flags = flagsLine.toInt(&ok, 8);
    ASSERT_TRUE(ok) << qPrintable(*info);
    EXPECT_TRUE(flags & O_CLOEXEC);
    EXPECT_TRUE(flags & O_NONBLOCK);
    QCoro::waitFor(std::move(sleeping));
}

TEST(BoottimeClock, WithoutABoottimeTimerItStillSleeps) {
    struct Case {
        const char* name;
        BoottimeClock::TimerFactory makeTimer;
    };
    const Case cases[] = {
        {"no timer can be made", [] { return -1; }},
        // A descriptor that is no timer cannot be armed.
        {"the timer cannot be armed", [] { return ::open("/dev/null", O_RDONLY | O_CLOEXEC); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BoottimeClock clock(c.makeTimer);
        const QStringList before = openDescriptors();
        QCoro::Task<> sleeping = clock.sleepFor(20ms);
        EXPECT_FALSE(sleeping.isReady()) << "the sleep returned at once";
        QCoro::waitFor(std::move(sleeping));
        EXPECT_EQ(openDescriptors(), before);
    }
}
