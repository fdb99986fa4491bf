#include "app/AppDelegate.h"
#include "app/LaunchSteps.h"
#include "app/TerminationSignals.h"
#include "app/WindowPlacement.h"
#include "support/TestUtil.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <csignal>

using namespace tovi;

namespace {

struct RecordedSteps : LaunchSteps {
    bool acquireInstanceLock() override { return log << u"lock"_qs, lockTaken; }
    void activateRunningCopy() override { log << u"activate"_qs; }
    void registerActivationService() override { log << u"service"_qs; }
    void registerLoginItemOnFirstLaunch() override { log << u"loginItem"_qs; }
    void startBootstrap() override { log << u"bootstrap"_qs; }
    void startStore() override { log << u"store"_qs; }
    void terminate() override { log << u"terminate"_qs; }
    bool lockTaken = true;
    QStringList log;
};

} // namespace

// A second copy touches nothing of the first's (bus name included); a test host, nothing at all.
TEST(AppDelegateLaunch, StepsFollowTheLockAndTheTestHost) {
    const struct {
        std::optional<QByteArray> testHost;
        bool lockTaken;
        const char* steps;
        AppDelegate::Outcome outcome;
    } rows[] = {
        {std::nullopt, true, "lock service loginItem bootstrap store", AppDelegate::Outcome::running},
        {std::nullopt, false, "lock activate terminate", AppDelegate::Outcome::handingOver},
        {QByteArray(), true, "", AppDelegate::Outcome::hostedByTestRunner},
    };
    for (const auto& row : rows) {
        const test::ScopedEnv host("XCTestConfigurationFilePath", row.testHost);
        RecordedSteps steps;
        steps.lockTaken = row.lockTaken;
        AppDelegate delegate(steps);
        EXPECT_EQ(delegate.applicationDidFinishLaunching(), row.outcome) << row.steps;
        EXPECT_EQ(steps.log.join(u' ').toStdString(), row.steps);
    }
}

// Centred under or over the icon (else the cursor), inside the work area; else the window system's.
TEST(WindowPlacement, HangsUnderOrOverTheIconAndStaysInsideTheWorkArea) {
    const QRect topPanel(0, 28, 1280, 772), bottomPanel(0, 0, 1280, 772);
    const struct {
        QRect icon;
        std::optional<QPoint> cursor;
        QRect area;
        int height;
        bool wayland;
        std::optional<QPoint> at;
    } rows[] = {
        {QRect(600, 2, 24, 24), {}, topPanel, 500, false, QPoint(441, 30)},
        {QRect(1256, 2, 24, 24), {}, topPanel, 500, false, QPoint(940, 30)}, // right edge
        {QRect(0, 2, 24, 24), {}, topPanel, 500, false, QPoint(0, 30)},
        {QRect(1200, 776, 24, 24), {}, bottomPanel, 500, false, QPoint(940, 272)},
        {QRect(600, 776, 24, 24), {}, topPanel, 900, false, QPoint(441, 28)}, // taller: top edge wins
        {QRect(2500, 2, 24, 24), {}, QRect(1280, 28, 1280, 772), 500, false, QPoint(2220, 30)},
        {QRect(), QPoint(700, 10), topPanel, 500, false, QPoint(530, 28)},
        {QRect(10, 10, 0, 0), QPoint(700, 10), topPanel, 500, false, QPoint(530, 28)},
        {QRect(), {}, topPanel, 500, false, {}},
        {QRect(600, 2, 24, 24), QPoint(600, 10), topPanel, 500, true, {}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(placeWindow({r.icon, r.cursor, r.area, QSize(340, r.height), r.wayland}), r.at)
            << r.icon.x() << ',' << r.icon.y();
}

// A real signal to this very process: without a working handler the test run dies.
TEST(TerminationSignals, EachStopSignalArrivesOnceAndTheHandlersLeaveWithTheirOwner) {
    {
        TerminationSignals stops;
        ASSERT_TRUE(stops.isActive());
        QSignalSpy received(&stops, &TerminationSignals::received);
        for (int number : {SIGTERM, SIGINT, SIGHUP}) {
            ASSERT_EQ(::raise(number), 0);
            ASSERT_TRUE(received.wait(5000)) << number;
            EXPECT_EQ(received.size(), 1);
            EXPECT_EQ(received.takeFirst().at(0).toInt(), number);
        }
        TerminationSignals second; // cannot steal the handlers from the first
        EXPECT_FALSE(second.isActive());
    }
    struct sigaction current {};
    ASSERT_EQ(::sigaction(SIGTERM, nullptr, &current), 0);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
    TerminationSignals again; // a new owner takes them again
    EXPECT_TRUE(again.isActive());
}
