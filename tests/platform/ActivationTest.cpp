#include "PrivateBus.h"
#include "QStringPrinter.h"
#include "platform/ApplicationActivation.h"

#include "BuildConfig.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QSignalSpy>
#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

using namespace tovi;
using namespace tovi::test;

namespace {

const QString appId = QLatin1String(build::appId);

} // namespace

TEST(ApplicationActivation, ObjectPathFollowsTheApplicationId) {
    EXPECT_EQ(ApplicationActivation::objectPath(appId), QStringLiteral("/dev/tovi/Tovi"));
    EXPECT_EQ(ApplicationActivation::objectPath(QStringLiteral("org.example.my-app")),
              QStringLiteral("/org/example/my_app"));
}

TEST(ApplicationActivation, SecondCopyBringsTheRunningOneForward) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    const QDBusConnection firstBus = bus.connect(QStringLiteral("first"));
    const QDBusConnection secondBus = bus.connect(QStringLiteral("second"));

    ApplicationActivation running(firstBus, appId);
    QSignalSpy requests(&running, &ApplicationActivation::activateRequested);
    ASSERT_TRUE(running.registerService());
    EXPECT_TRUE(running.registerService()) << "registering again is harmless";

    // The second copy cannot take the name over...
    ApplicationActivation second(secondBus, appId);
    EXPECT_FALSE(second.registerService());
    EXPECT_EQ(secondBus.interface()->serviceOwner(appId).value(), firstBus.baseService());

    // ...and asks the running one to come forward, passing on its activation token.
    {
        const ScopedEnv token("XDG_ACTIVATION_TOKEN", QByteArray("token-123"));
        EXPECT_TRUE(QCoro::waitFor(second.activateRunningCopy()));
    }
    EXPECT_EQ(requests.count(), 1);
    EXPECT_EQ(running.lastActivationToken(), QStringLiteral("token-123"));

    // Any launcher speaking the freedesktop interface reaches it too.
    const QString path = QStringLiteral("/dev/tovi/Tovi");
    const QString interface = QStringLiteral("org.freedesktop.Application");
    QDBusMessage open = QDBusMessage::createMethodCall(appId, path, interface, QStringLiteral("Open"));
    open.setArguments({QStringList{QStringLiteral("file:///tmp/x")}, QVariantMap()});
    QDBusMessage action =
        QDBusMessage::createMethodCall(appId, path, interface, QStringLiteral("ActivateAction"));
    action.setArguments({QStringLiteral("quit"), QVariantList(), QVariantMap()});
    QDBusPendingCall openCall = secondBus.asyncCall(open);
    QDBusPendingCall actionCall = secondBus.asyncCall(action);
    ASSERT_TRUE(spinUntil([&] { return openCall.isFinished() && actionCall.isFinished(); }));
    EXPECT_FALSE(openCall.isError()) << qPrintable(openCall.error().message());
    EXPECT_FALSE(actionCall.isError()) << qPrintable(actionCall.error().message());
    EXPECT_EQ(requests.count(), 3);
    EXPECT_EQ(running.lastActivationToken(), QString());
}

TEST(ApplicationActivation, NameIsFreedWhenTheRunningCopyGoes) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    const QDBusConnection firstBus = bus.connect(QStringLiteral("first"));
    const QDBusConnection secondBus = bus.connect(QStringLiteral("second"));

    ApplicationActivation second(secondBus, appId);
    // Nobody to hand over to: the answer is "no", promptly, not a hang.
    EXPECT_FALSE(QCoro::waitFor(second.activateRunningCopy()));

    {
        ApplicationActivation running(firstBus, appId);
        ASSERT_TRUE(running.registerService());
        EXPECT_FALSE(second.registerService());
    }
    EXPECT_TRUE(second.registerService());
}

TEST(ApplicationActivation, WithoutABusBothSidesDoNothing) {
    const QDBusConnection none = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                               QStringLiteral("none-act"));
    ASSERT_FALSE(none.isConnected());
    {
        ApplicationActivation activation(none, appId);
        EXPECT_FALSE(activation.registerService());
        EXPECT_FALSE(QCoro::waitFor(activation.activateRunningCopy()));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("none-act"));
}
