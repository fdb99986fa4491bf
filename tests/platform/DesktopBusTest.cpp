#include "PrivateBus.h"
#include "platform/Appearance.h"
#include "platform/ApplicationActivation.h"
#include <QDBusConnectionInterface>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QScopeGuard>
#include <QSignalSpy>
#include <gtest/gtest.h>

// The desktop's services other than keep-awake: activation between copies and the colour scheme.
using namespace tovi;
using namespace tovi::test;
using namespace Qt::StringLiterals;

TEST(ApplicationActivation, ASecondCopyBringsTheRunningOneForwardOrAsksItToQuit) {
    const QString appId = u"dev.tovi.Tovi"_s;
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    const QDBusConnection secondBus = bus.connect(u"second"_s);
    ApplicationActivation second(secondBus, appId);
    EXPECT_EQ(QCoro::waitFor(second.quitRunningCopy()), ApplicationActivation::QuitOutcome::notRunning);
    EXPECT_FALSE(QCoro::waitFor(second.activateRunningCopy())) << "nobody to hand over to";
    // No copy of the connection kept here: the running copy's must close when it goes.
    auto* running = new ApplicationActivation(bus.connect(u"running"_s), appId);
    QSignalSpy requests(running, &ApplicationActivation::activateRequested);
    QSignalSpy quits(running, &ApplicationActivation::quitRequested);
    ASSERT_TRUE(running->registerService());
    EXPECT_TRUE(running->registerService()) << "registering again is harmless";
    EXPECT_FALSE(second.registerService());
    EXPECT_EQ(secondBus.interface()->serviceOwner(appId).value(), bus.connect(u"running"_s).baseService());
    // The Wayland token and the X11 startup id of the second copy's launch, each for what it is.
    const ScopedEnv x11("DESKTOP_STARTUP_ID", QByteArray("startup-456"));
    for (const char* token : {"token-123", static_cast<const char*>(nullptr)}) {
        const ScopedEnv wayland("XDG_ACTIVATION_TOKEN",
                                token ? std::optional(QByteArray(token)) : std::nullopt);
        EXPECT_TRUE(QCoro::waitFor(second.activateRunningCopy()));
        EXPECT_EQ(requests.takeLast(), (QVariantList{QString::fromLatin1(token), u"startup-456"_s}));
    }
    // Any launcher speaking the freedesktop interface reaches it too, at the path formed from the id.
    EXPECT_EQ(ApplicationActivation::objectPath(u"org.example.my-app"_s), u"/org/example/my_app"_s);
    const auto call = [&](const char* method, const QVariantList& arguments) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(appId, ApplicationActivation::objectPath(appId),
                                           u"org.freedesktop.Application"_s, QLatin1String(method));
        message.setArguments(arguments);
        QDBusPendingCall pending = secondBus.asyncCall(message);
        EXPECT_TRUE(spinUntil([&] { return pending.isFinished(); })) << method;
        EXPECT_FALSE(pending.isError()) << method;
    };
    call("Open", {QStringList{u"file:///tmp/x"_s}, QVariantMap()});
    call("ActivateAction", {u"open-window"_s, QVariantList(), QVariantMap()});
    call("ActivateAction", {u"quit"_s, QVariantList(), QVariantMap()});
    EXPECT_EQ(requests.count(), 2) << "every entry point but quit brings it forward";
    EXPECT_EQ(requests.at(1), (QVariantList{QString(), QString()})) << "nothing sent, nothing carried";
    EXPECT_EQ(quits.count(), 1);
    // A copy whose process ends a moment after it answered: "quit" only once its connection closed.
    bool closed = false;
    QObject::connect(running, &ApplicationActivation::quitRequested, running, [&] {
        QTimer::singleShot(100, [&] {
            delete running;
            QDBusConnection::disconnectFromBus(u"running"_s);
            closed = true;
        });
    });
    EXPECT_EQ(QCoro::waitFor(second.quitRunningCopy()), ApplicationActivation::QuitOutcome::quit);
    EXPECT_TRUE(closed);
}

namespace {

// org.freedesktop.portal.Settings with one value: appearance/color-scheme 1, dark.
class FakePortalSettings : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public slots:
    // The real portal wraps the value twice on this (older) method.
    QDBusVariant Read(const QString& keys, const QString& key) {
        if (keys == u"org.freedesktop.appearance"_s && key == u"color-scheme"_s)
            return QDBusVariant(QVariant::fromValue(QDBusVariant(1u)));
        sendErrorReply(u"org.freedesktop.portal.Error.NotFound"_s, u"no such key"_s);
        return {};
    }
};

} // namespace

// Also run alone in a process (see CMakeLists.txt): the app subscribes before anything else there
// used the D-Bus variant type, as at start-up, and before the portal is there.
TEST(Appearance, ThePortalsPreferenceWinsOverThePaletteWhichDecidesOtherwise) {
    const auto restore =
        qScopeGuard([saved = QGuiApplication::palette()] { QGuiApplication::setPalette(saved); });
    QGuiApplication::setPalette(QPalette(Qt::white));
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    const QDBusConnection appBus = bus.connect(u"app"_s);
    Appearance appearance(appBus);
    QSignalSpy changed(&appearance, &Appearance::changed);
    const QDBusConnection portalBus = bus.connect(u"portal"_s);
    FakePortalSettings portal;
    serve(portalBus, &portal, "/org/freedesktop/portal/desktop", "org.freedesktop.portal.Desktop");
    Appearance late(appBus);
    EXPECT_TRUE(spinUntil([&] { return late.isDark(); })) << "read at start";
    // An action is a palette colour (#rrggbb) or a portal change "<namespace> <key> <value>".
    const struct {
        const char* action;
        bool dark;
        int changes;
    } steps[] = {
        {"org.freedesktop.appearance color-scheme 1", true, 1},
        {"#f0f0f0", true, 1}, // the palette no longer decides
        {"org.freedesktop.appearance color-scheme 2", false, 2},
        {"org.gnome.desktop.interface color-scheme 1", false, 2},
        {"org.freedesktop.appearance accent-color 1", false, 2},
        {"org.freedesktop.appearance color-scheme 1", true, 3},
        {"org.freedesktop.appearance color-scheme 0", false, 4}, // no preference: the light palette decides
        {"#7f7f7f", true, 5},                                    // below half lightness
        {"#101010", true, 5},                                    // still dark: nobody is told
        {"#808080", false, 6},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.action);
        const QStringList action = QString::fromLatin1(step.action).split(u' ');
        if (step.action[0] == '#')
            QGuiApplication::setPalette(QPalette(QColor(action[0])));
        else {
            QDBusMessage signal =
                QDBusMessage::createSignal(u"/org/freedesktop/portal/desktop"_s,
                                           u"org.freedesktop.portal.Settings"_s, u"SettingChanged"_s);
            signal.setArguments(
                {action[0], action[1], QVariant::fromValue(QDBusVariant(action[2].toUInt()))});
            portalBus.send(signal);
        }
        spinUntil([&] { return changed.count() >= step.changes; });
        // Signals arrive in order with replies: once a later call is answered, they have all come.
        QDBusPendingCall read = appBus.asyncCall(QDBusMessage::createMethodCall(
            u"org.freedesktop.portal.Desktop"_s, u"/org/freedesktop/portal/desktop"_s,
            u"org.freedesktop.portal.Settings"_s, u"Read"_s));
        spinUntil([&] { return read.isFinished(); });
        QCoreApplication::processEvents();
        EXPECT_EQ(changed.count(), step.changes);
        EXPECT_EQ(appearance.property("dark").toBool(), step.dark);
    }
}

#include "DesktopBusTest.moc"
