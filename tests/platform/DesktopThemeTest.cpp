#include "PrivateBus.h"
#include "platform/Appearance.h"
#include "platform/DesktopTheme.h"
#include "support/TestUtil.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <vector>

// What the desktop's own settings files and properties say about the look.
using namespace tovi;
using namespace tovi::test;
using namespace Qt::StringLiterals;

namespace {

// The colour sets of a Plasma scheme that the palette takes, in kdeglobals' form.
QByteArray kdeglobals(const char* window, const char* text, const char* button) {
    return QByteArray("[General]\nColorScheme=Test\n\n# a comment\n[Colors:Window]\nBackgroundNormal=") + window +
           "\nForegroundNormal=" + text + "\nForegroundInactive=128,128,128\n[Colors:Button]\nBackgroundNormal[$e]=" +
           button + "\nForegroundNormal=" + text + "\n[Colors:View]\nBackgroundNormal=" + window +
           "\nForegroundNormal=" + text + "\n[Colors:Header][Inactive]\nBackgroundNormal=1,2,3\n";
}

} // namespace

TEST(DesktopTheme, APlasmaSchemeGivesItsPaletteAndPlasmasDefaultWhereItNamesNoColour) {
    const QColor breezeWindow(239, 240, 241), breezeText(35, 38, 41), breezeButton(252, 252, 252);
    const struct {
        QByteArray text;
        QColor window;
        QColor windowText;
        QColor button;
    } rows[] = {
        {kdeglobals("32,35,38", "252,252,252", " 49, 54 ,59"), QColor(32, 35, 38), QColor(252, 252, 252),
         QColor(49, 54, 59)},
        {kdeglobals("32,35,38", "252,252,252", "49,54,59,255"), QColor(32, 35, 38), QColor(252, 252, 252),
         QColor(49, 54, 59)},                                                                  // with alpha
        {kdeglobals("32,35,38", "252,252,252", "49,54"), QColor(32, 35, 38), QColor(252, 252, 252), breezeButton},
        {kdeglobals("32,35,38", "252,252,252", "49,54,300"), QColor(32, 35, 38), QColor(252, 252, 252), breezeButton},
        {kdeglobals("blue", "-1,0,0", "49,54,59"), breezeWindow, breezeText, QColor(49, 54, 59)},
        {"[General]\nColorScheme=BreezeDark\n", breezeWindow, breezeText, breezeButton}, // a new user's file
        {"", breezeWindow, breezeText, breezeButton},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.constData());
        const QPalette palette = DesktopTheme::kdePalette(row.text);
        EXPECT_EQ(palette.color(QPalette::Window), row.window);
        EXPECT_EQ(palette.color(QPalette::Inactive, QPalette::WindowText), row.windowText);
        EXPECT_EQ(palette.color(QPalette::Button), row.button);
        EXPECT_EQ(Appearance::paletteIsDark(palette), row.window.lightnessF() < 0.5);
    }
    const QPalette dark = DesktopTheme::kdePalette(kdeglobals("32,35,38", "252,252,252", "49,54,59"));
    EXPECT_EQ(dark.color(QPalette::ButtonText), QColor(252, 252, 252));
    EXPECT_EQ(dark.color(QPalette::Text), QColor(252, 252, 252));
    EXPECT_EQ(dark.color(QPalette::Base), QColor(32, 35, 38));
    EXPECT_EQ(dark.color(QPalette::Disabled, QPalette::WindowText), QColor(128, 128, 128));
    EXPECT_EQ(dark.color(QPalette::Highlight), QColor(61, 174, 233)) << "Plasma's default selection";
}

TEST(DesktopTheme, AGtkThemeIsDarkWhenItsNameSaysSo) {
    for (const char* dark : {"Adwaita-dark", "Arc-Dark", "Materia-dark-compact", "Breeze_Dark", "HighContrastInverse"})
        EXPECT_TRUE(DesktopTheme::gtkThemeIsDark(QString::fromLatin1(dark))) << dark;
    for (const char* light : {"Adwaita", "Greybird", "Darkroom", "Arc-Darker-ish", "HighContrast", ""})
        EXPECT_FALSE(DesktopTheme::gtkThemeIsDark(QString::fromLatin1(light))) << light;
}

namespace {

// An XSETTINGS property value in either byte order: an integer, a colour, then strings.
QByteArray xsettings(bool msbFirst, const QList<std::pair<QByteArray, QByteArray>>& strings) {
    QByteArray out;
    const auto card = [&](quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out += char(msbFirst ? value >> (8 * (bytes - 1 - i)) : value >> (8 * i));
    };
    const auto pad = [&] { out += QByteArray((4 - out.size() % 4) % 4, '\0'); };
    const auto head = [&](int type, const QByteArray& name) {
        out += char(type);
        out += '\0';
        card(quint32(name.size()), 2);
        out += name;
        pad();
        card(7, 4); // the setting's serial
    };
    out += char(msbFirst ? 1 : 0);
    out += QByteArray(3, '\0');
    card(42, 4);
    card(quint32(2 + strings.size()), 4);
    head(0, "Net/ThemeNameX");
    card(1, 4);
    head(2, "Gtk/Color");
    card(0xffff, 2), card(0, 2), card(0, 2), card(0xffff, 2);
    for (const auto& [name, value] : strings) {
        head(1, name);
        card(quint32(value.size()), 4);
        out += value;
        pad();
    }
    return out;
}

} // namespace

TEST(DesktopTheme, XSettingsGiveTheNamedStringOnlyWhenItIsThereWhole) {
    for (const bool msbFirst : {false, true}) {
        SCOPED_TRACE(msbFirst ? "most significant byte first" : "least significant byte first");
        const QByteArray data = xsettings(msbFirst, {{"Gtk/FontName", "Sans 10"}, {"Net/ThemeName", "Adwaita-dark"}});
        EXPECT_EQ(DesktopTheme::xsettingsString(data, "Net/ThemeName"), u"Adwaita-dark"_s);
        EXPECT_EQ(DesktopTheme::xsettingsString(data, "Gtk/FontName"), u"Sans 10"_s);
        EXPECT_EQ(DesktopTheme::xsettingsString(data, "Net/ThemeNameX"), std::nullopt) << "an integer";
        EXPECT_EQ(DesktopTheme::xsettingsString(data, "Net/IconThemeName"), std::nullopt);
        // Cut short anywhere, in a block of exactly that size (no terminating zero to read into
        // unseen): the sanitizer reports any read past the end.
        for (qsizetype cut = 0; cut < data.size(); ++cut) {
            const std::vector<char> exact(data.begin(), data.begin() + cut);
            const QByteArray shortened = QByteArray::fromRawData(exact.data(), cut);
            EXPECT_EQ(DesktopTheme::xsettingsString(shortened, "Net/ThemeName"), std::nullopt) << cut;
        }
        // A length beyond the data is refused, not read past its end.
        QByteArray long_ = data;
        long_[long_.size() - 16 + (msbFirst ? 0 : 3)] = char(0x7f);
        EXPECT_EQ(DesktopTheme::xsettingsString(long_, "Net/ThemeName"), std::nullopt);
    }
}

// Plasma writes the new scheme to kdeglobals, then says so on the bus; Qt itself read the file once.
TEST(Appearance, OnPlasmaTheSchemeInKdeglobalsDecidesAndIsFollowedWhenPlasmaAnnouncesIt) {
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    const ScopedEnv desktop("XDG_CURRENT_DESKTOP", QByteArray("KDE"));
    const ScopedEnv home("XDG_CONFIG_HOME", config.path().toUtf8());
    const ScopedEnv dirs("XDG_CONFIG_DIRS", (config.path() + u"/system"_s).toUtf8());
    const auto write = [&](const QByteArray& text) {
        QFile file(config.filePath(u"kdeglobals"_s));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    };
    // The system's file says dark; the user's, over it, light.
    ASSERT_TRUE(QDir(config.path()).mkpath(u"system"_s));
    QFile system(config.filePath(u"system/kdeglobals"_s));
    ASSERT_TRUE(system.open(QIODevice::WriteOnly));
    system.write(kdeglobals("1,1,1", "252,252,252", "1,1,1"));
    system.close();
    write(kdeglobals("239,240,241", "35,38,41", "252,252,252"));
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    const QDBusConnection app = bus.connect(u"app"_s);
    Appearance appearance(app);
    QSignalSpy changed(&appearance, &Appearance::changed);
    EXPECT_FALSE(appearance.isDark());
    ASSERT_TRUE(appearance.desktopPalette());
    EXPECT_EQ(appearance.desktopPalette()->color(QPalette::Window), QColor(239, 240, 241));
    const QDBusConnection plasma = bus.connect(u"plasma"_s);
    // "<type> <kdeglobals window colour or ->": KGlobalSettings' change type 0 is the palette,
    // 2 the style, 1 the fonts (no reason to read the colours again).
    const struct {
        int type;
        const char* window;
        bool dark;
        int changes;
    } steps[] = {
        {0, "32,35,38", true, 1},
        {1, "239,240,241", true, 1},
        {0, nullptr, false, 2},           // the light file of the step before, now announced
        {2, "42,46,50", true, 3},
        {0, "42,46,50", true, 3},         // the same scheme again: nothing new
        {0, "20,20,20", true, 4},         // another dark scheme: new colours
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.window ? step.window : "-");
        if (step.window)
            write(kdeglobals(step.window, step.dark ? "252,252,252" : "35,38,41", step.window));
        QDBusMessage signal = QDBusMessage::createSignal(u"/KGlobalSettings"_s, u"org.kde.KGlobalSettings"_s,
                                                         u"notifyChange"_s);
        signal.setArguments({step.type, 0});
        plasma.send(signal);
        // Messages of one sender arrive in order: once a later call is answered, the signal has come.
        plasma.call(QDBusMessage::createMethodCall(u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s,
                                                   u"org.freedesktop.DBus"_s, u"GetId"_s));
        QDBusPendingCall read = app.asyncCall(QDBusMessage::createMethodCall(
            u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s, u"org.freedesktop.DBus"_s, u"GetId"_s));
        spinUntil([&] { return read.isFinished(); });
        QCoreApplication::processEvents();
        EXPECT_EQ(changed.count(), step.changes);
        EXPECT_EQ(appearance.isDark(), step.dark);
        if (step.window && step.type != 1) {
            const QList<QByteArray> rgb = QByteArray(step.window).split(',');
            EXPECT_EQ(appearance.desktopPalette()->color(QPalette::Window),
                      QColor(rgb[0].toInt(), rgb[1].toInt(), rgb[2].toInt()));
        }
    }
    Appearance started(app);
    EXPECT_TRUE(started.isDark()) << "started in a dark scheme";
}
