#include "app/AppDelegate.h"
#include "app/LaunchSteps.h"
#include "support/TestUtil.h"

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

// The variable a test host sets; present (with any value) means "hosted".
constexpr const char* kTestHost = "XCTestConfigurationFilePath";

} // namespace

TEST(AppDelegateLaunch, TheCopyThatTakesTheLockStartsItsWorkInOrder) {
    const tovi::test::ScopedEnv absent(kTestHost, std::nullopt);
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
    const tovi::test::ScopedEnv absent(kTestHost, std::nullopt);
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
    const tovi::test::ScopedEnv present(kTestHost, QByteArray()); // present, even empty
    StrictMock<MockLaunchSteps> steps;                            // no call at all, not even the lock
    AppDelegate delegate(steps);
    EXPECT_EQ(delegate.applicationDidFinishLaunching(), AppDelegate::Outcome::hostedByTestRunner);
}
