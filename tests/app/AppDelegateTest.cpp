#include "app/AppDelegate.h"
#include "app/LaunchSteps.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::InSequence;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::StrictMock;
using tovi::AppDelegate;

namespace {

class MockLaunchSteps : public tovi::LaunchSteps {
public:
    MOCK_METHOD(bool, acquireInstanceLock, (), (override));
    MOCK_METHOD(void, activateRunningCopy, (), (override));
    MOCK_METHOD(void, registerActivationService, (), (override));
    MOCK_METHOD(void, registerLoginItemOnFirstLaunch, (), (override));
    MOCK_METHOD(void, startBootstrap, (), (override));
    MOCK_METHOD(void, startStore, (), (override));
    MOCK_METHOD(void, terminate, (), (override));
};

// Keeps the test-runner variable out of (or in) the environment for one test.
class TestRunnerVariable {
public:
    explicit TestRunnerVariable(bool present) {
        if (present)
            qputenv(kName, "/tmp/config.xctestconfiguration");
        else
            qunsetenv(kName);
    }
    ~TestRunnerVariable() { qunsetenv(kName); }

private:
    static constexpr const char* kName = "XCTestConfigurationFilePath";
};

} // namespace

TEST(AppDelegateLaunch, TheCopyThatTakesTheLockStartsItsWorkInOrder) {
    TestRunnerVariable absent(false);
    StrictMock<MockLaunchSteps> steps;
    {
        InSequence order;
        EXPECT_CALL(steps, acquireInstanceLock()).WillOnce(Return(true));
        EXPECT_CALL(steps, registerActivationService());
        EXPECT_CALL(steps, registerLoginItemOnFirstLaunch());
        EXPECT_CALL(steps, startBootstrap());
        EXPECT_CALL(steps, startStore());
    }
    AppDelegate delegate(steps);
    EXPECT_EQ(delegate.applicationDidFinishLaunching(), AppDelegate::Outcome::running);
}

TEST(AppDelegateLaunch, ASecondCopyActivatesTheFirstAndQuitsWithoutStartingAnything) {
    TestRunnerVariable absent(false);
    StrictMock<MockLaunchSteps> steps;
    {
        InSequence order;
        EXPECT_CALL(steps, acquireInstanceLock()).WillOnce(Return(false));
        EXPECT_CALL(steps, activateRunningCopy());
        EXPECT_CALL(steps, terminate());
    }
    // StrictMock fails the test on any store call, the activation service included: the
    // bus name belongs to the first copy.
    AppDelegate delegate(steps);
    EXPECT_EQ(delegate.applicationDidFinishLaunching(), AppDelegate::Outcome::handingOver);
}

TEST(AppDelegateLaunch, UnderATestHostNothingIsTouched) {
    TestRunnerVariable present(true);
    StrictMock<MockLaunchSteps> steps; // no call at all, not even the lock
    AppDelegate delegate(steps);
    EXPECT_EQ(delegate.applicationDidFinishLaunching(), AppDelegate::Outcome::hostedByTestRunner);

    // An empty value still means "hosted": presence is what counts.
    qputenv("XCTestConfigurationFilePath", "");
    EXPECT_EQ(delegate.applicationDidFinishLaunching(), AppDelegate::Outcome::hostedByTestRunner);
}
