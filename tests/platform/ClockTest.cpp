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
    EXPECT_TRUE(clock.sleepFor(-5s).isReady());

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
    QCoro::waitFor(std::move(sleeping));
}
