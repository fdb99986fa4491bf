#include "platform/Appearance.h"
#include "FakePortalSettings.h"
#include "PrivateBus.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QGuiApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace tovi;
using namespace tovi::test;

namespace {

QPalette paletteWithWindow(const QColor& window) {
    QPalette palette = QGuiApplication::palette();
    palette.setColor(QPalette::Window, window);
    return palette;
}

// Restores the application palette however the test ends.
struct PaletteGuard {
    QPalette saved = QGuiApplication::palette();
    ~PaletteGuard() { QGuiApplication::setPalette(saved); }
};

// Signals from the portal arrive in order with its replies: once a call made after them
// is answered, they have all been delivered.
void flush(const QDBusConnection& bus) {
    const QDBusMessage read = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Settings"), QStringLiteral("Read"));
    QDBusPendingCall call = bus.asyncCall(read);
    spinUntil([&] { return call.isFinished(); });
    QCoreApplication::processEvents();
}

} // namespace

TEST(Appearance, PaletteLightnessDecides) {
    EXPECT_TRUE(Appearance::paletteIsDark(paletteWithWindow(QColor(0x20, 0x20, 0x24))));
    EXPECT_TRUE(Appearance::paletteIsDark(paletteWithWindow(QColor(0x7f, 0x7f, 0x7f))));
    EXPECT_FALSE(Appearance::paletteIsDark(paletteWithWindow(QColor(0x80, 0x80, 0x80))));
    EXPECT_FALSE(Appearance::paletteIsDark(paletteWithWindow(QColor(0xef, 0xef, 0xef))));
}

TEST(Appearance, FollowsThePaletteWithoutAPortal) {
    PaletteGuard guard;
    QGuiApplication::setPalette(paletteWithWindow(Qt::white));
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());

    Appearance appearance(bus.connect(QStringLiteral("app")));
    QSignalSpy changed(&appearance, &Appearance::changed);
    EXPECT_FALSE(appearance.isDark());

    QGuiApplication::setPalette(paletteWithWindow(QColor(0x30, 0x30, 0x30)));
    ASSERT_TRUE(spinUntil([&] { return changed.count() == 1; }));
    EXPECT_TRUE(appearance.isDark());
    EXPECT_TRUE(appearance.property("dark").toBool());

    // A palette change that keeps the scheme notifies nobody.
    QGuiApplication::setPalette(paletteWithWindow(QColor(0x10, 0x10, 0x10)));
    QGuiApplication::setPalette(paletteWithWindow(Qt::white));
    ASSERT_TRUE(spinUntil([&] { return changed.count() >= 2; }));
    EXPECT_EQ(changed.count(), 2);
    EXPECT_FALSE(appearance.isDark());
}

TEST(Appearance, PortalPreferenceWinsOverThePalette) {
    PaletteGuard guard;
    QGuiApplication::setPalette(paletteWithWindow(Qt::white));
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakePortalSettings portal(bus.connect(QStringLiteral("portal")), 1);

    const QDBusConnection appBus = bus.connect(QStringLiteral("app"));
    Appearance appearance(appBus);
    QSignalSpy changed(&appearance, &Appearance::changed);
    ASSERT_TRUE(spinUntil([&] { return changed.count() == 1; }));
    EXPECT_TRUE(appearance.isDark()) << "1 means dark";
    EXPECT_EQ(portal.reads, 1);

    // The palette no longer decides while the portal states a preference.
    QGuiApplication::setPalette(paletteWithWindow(QColor(0xf0, 0xf0, 0xf0)));
    QCoreApplication::processEvents();
    EXPECT_TRUE(appearance.isDark());

    portal.emitChange(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"), 2);
    ASSERT_TRUE(spinUntil([&] { return changed.count() == 2; }));
    EXPECT_FALSE(appearance.isDark()) << "2 means light";

    // Other settings are not the colour scheme.
    portal.emitChange(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("color-scheme"), 1);
    portal.emitChange(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("accent-color"), 1);
    flush(appBus);
    EXPECT_EQ(changed.count(), 2);
    EXPECT_FALSE(appearance.isDark());
    portal.emitChange(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"), 1);
    ASSERT_TRUE(spinUntil([&] { return changed.count() == 3; }));
    EXPECT_TRUE(appearance.isDark());

    // "No preference" hands the decision back to the palette, which is light.
    portal.emitChange(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"), 0);
    ASSERT_TRUE(spinUntil([&] { return changed.count() == 4; }));
    EXPECT_FALSE(appearance.isDark());
    QGuiApplication::setPalette(paletteWithWindow(Qt::black));
    ASSERT_TRUE(spinUntil([&] { return changed.count() == 5; }));
    EXPECT_TRUE(appearance.isDark());
}

// Run alone in a process of its own (see CMakeLists.txt): the application subscribes before
// anything else in the process has used the D-Bus variant type, as it does at start-up.
TEST(AppearanceFirstInProcess, FollowsPortalChangesWithoutHelpFromOthers) {
    PaletteGuard guard;
    QGuiApplication::setPalette(paletteWithWindow(Qt::white));
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    const QDBusConnection appBus = bus.connect(QStringLiteral("app"));
    Appearance appearance(appBus);
    QSignalSpy changed(&appearance, &Appearance::changed);

    FakePortalSettings portal(bus.connect(QStringLiteral("portal")), 0);
    portal.emitChange(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"), 1);
    ASSERT_TRUE(spinUntil([&] { return changed.count() == 1; })) << "the change never arrived";
    EXPECT_TRUE(appearance.isDark());
}
