#include "PrivateBus.h"
#include "platform/ApplicationActivation.h"

#include "BuildConfig.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QSignalSpy>
#include <QTimer>
#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

using namespace tovi;
using namespace tovi::test;

namespace {

const QString appId = QLatin1String(build::appId);

} // namespace

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

    // ...and asks the running one to come forward, passing on the Wayland token and the X11
    // startup id of its own launch, each for what it is.
    {
        const ScopedEnv token("XDG_ACTIVATION_TOKEN", QByteArray("token-123"));
        const ScopedEnv startupId("DESKTOP_STARTUP_ID", QByteArray("startup-456"));
        EXPECT_TRUE(QCoro::waitFor(second.activateRunningCopy()));
    }
    {
        const ScopedEnv token("XDG_ACTIVATION_TOKEN", std::nullopt);
        const ScopedEnv startupId("DESKTOP_STARTUP_ID", QByteArray("startup-789"));
        EXPECT_TRUE(QCoro::waitFor(second.activateRunningCopy()));
    }
    ASSERT_EQ(requests.count(), 2);
    EXPECT_EQ(requests.at(0), (QVariantList{QStringLiteral("token-123"), QStringLiteral("startup-456")}));
    EXPECT_EQ(requests.at(1), (QVariantList{QString(), QStringLiteral("startup-789")}));

    // Any launcher speaking the freedesktop interface reaches it too, at the path formed from
    // the application id.
    const QString path = ApplicationActivation::objectPath(appId);
    EXPECT_EQ(ApplicationActivation::objectPath(QStringLiteral("org.example.my-app")),
              QStringLiteral("/org/example/my_app"));
    const QString interface = QStringLiteral("org.freedesktop.Application");
    QDBusMessage open = QDBusMessage::createMethodCall(appId, path, interface, QStringLiteral("Open"));
    open.setArguments({QStringList{QStringLiteral("file:///tmp/x")}, QVariantMap()});
    QDBusMessage action =
        QDBusMessage::createMethodCall(appId, path, interface, QStringLiteral("ActivateAction"));
    action.setArguments({QStringLiteral("open-window"), QVariantList(), QVariantMap()});
    QDBusMessage quit =
        QDBusMessage::createMethodCall(appId, path, interface, QStringLiteral("ActivateAction"));
    quit.setArguments({QStringLiteral("quit"), QVariantList(), QVariantMap()});
    QSignalSpy quits(&running, &ApplicationActivation::quitRequested);
    QDBusPendingCall openCall = secondBus.asyncCall(open);
    QDBusPendingCall actionCall = secondBus.asyncCall(action);
    QDBusPendingCall quitCall = secondBus.asyncCall(quit);
    ASSERT_TRUE(
        spinUntil([&] { return openCall.isFinished() && actionCall.isFinished() && quitCall.isFinished(); }));
    EXPECT_FALSE(openCall.isError()) << qPrintable(openCall.error().message());
    EXPECT_FALSE(actionCall.isError()) << qPrintable(actionCall.error().message());
    EXPECT_FALSE(quitCall.isError()) << qPrintable(quitCall.error().message());
    ASSERT_EQ(requests.count(), 4) << "every entry point but quit brings it forward";
    EXPECT_EQ(quits.count(), 1);
    EXPECT_EQ(requests.at(3), (QVariantList{QString(), QString()})) << "nothing sent, nothing carried";
}

TEST(ApplicationActivation, QuitAsksTheRunningCopyAndWaitsUntilItHasGone) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    ApplicationActivation asker(bus.connect(QStringLiteral("asker")), appId);
    EXPECT_EQ(QCoro::waitFor(asker.quitRunningCopy()), ApplicationActivation::QuitOutcome::notRunning);
    EXPECT_FALSE(QCoro::waitFor(asker.activateRunningCopy())) << "nobody to hand over to";

    // A copy whose process ends a moment after it answered: "quit" only once its connection
    // has closed.
    auto* running = new ApplicationActivation(bus.connect(QStringLiteral("running")), appId);
    ASSERT_TRUE(running->registerService());
    bool closed = false;
    QObject::connect(running, &ApplicationActivation::quitRequested, running, [&] {
        QTimer::singleShot(100, [&] {
            delete running;
            QDBusConnection::disconnectFromBus(QStringLiteral("running"));
            closed = true;
        });
    });
    EXPECT_EQ(QCoro::waitFor(asker.quitRunningCopy()), ApplicationActivation::QuitOutcome::quit);
    EXPECT_TRUE(closed);
}
