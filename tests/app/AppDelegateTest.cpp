#include "app/AppDelegate.h"
#include "app/LaunchSteps.h"
#include "support/TestUtil.h"

#include <QStringList>
#include <gtest/gtest.h>

using tovi::AppDelegate;

namespace {

// Records each step in order; the lock answers as the row says.
struct RecordedSteps : tovi::LaunchSteps {
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

// A second copy touches nothing of the first's (its bus name included); under a test host
// (the variable present, even empty) nothing at all is touched, not even the lock.
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
        const tovi::test::ScopedEnv host("XCTestConfigurationFilePath", row.testHost);
        RecordedSteps steps;
        steps.lockTaken = row.lockTaken;
        AppDelegate delegate(steps);
        EXPECT_EQ(delegate.applicationDidFinishLaunching(), row.outcome) << row.steps;
        EXPECT_EQ(steps.log.join(u' ').toStdString(), row.steps);
    }
}
