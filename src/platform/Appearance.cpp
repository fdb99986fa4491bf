#include "platform/Appearance.h"

#include "bridge/SmallFile.h"

#include "platform/DesktopTheme.h"
#include "platform/XSettings.h"

#include <QDBusError>
#include <QStandardPaths>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QEvent>
#include <QGuiApplication>

#include <cstdio>

namespace tovi {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearanceNamespace = QStringLiteral("org.freedesktop.appearance");
const QString colorSchemeKey = QStringLiteral("color-scheme");
// KGlobalSettings' change types: the palette, and the whole style (a global theme applied).
constexpr int kdePaletteChanged = 0;
constexpr int kdeStyleChanged = 2;

bool onPlasma() {
    const QByteArray desktop = qgetenv("XDG_CURRENT_DESKTOP");
    for (const QByteArray& name : desktop.split(':'))
        if (name.compare("KDE", Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Settings.Read wraps the value in one more variant than SettingChanged does.
QVariant unwrap(QVariant value) {
    while (value.canConvert<QDBusVariant>() && value.typeId() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value;
}

} // namespace

Appearance::Appearance(QObject* parent)
    : Appearance(QDBusConnection::sessionBus(), parent) {}

Appearance::Appearance(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus) {
    if (qGuiApp) {
        // Palette changes reach the application object as an event; Qt 6.4 has no
        // colour-scheme signal to listen to instead.
        qGuiApp->installEventFilter(this);
    }
    if (m_bus.isConnected()) {
        // The bus matches the slot's argument types by name: until something has registered the
        // variant type, the subscription is refused and the scheme read at start stays for good.
        qRegisterMetaType<QDBusVariant>();
        if (!m_bus.connect(portalService, portalPath, settingsInterface, QStringLiteral("SettingChanged"),
                           this, SLOT(onSettingChanged(QString, QString, QDBusVariant))))
            std::fprintf(stderr, "tovi: the desktop's colour-scheme changes cannot be followed: %s\n",
                         qPrintable(m_bus.lastError().message()));
        readPortal();
    }
    if (onPlasma()) {
        if (m_bus.isConnected() &&
            !m_bus.connect(QString(), QStringLiteral("/KGlobalSettings"), QStringLiteral("org.kde.KGlobalSettings"),
                           QStringLiteral("notifyChange"), this, SLOT(onKdeSettingsChanged(int, int))))
            std::fprintf(stderr, "tovi: Plasma's colour-scheme changes cannot be followed: %s\n",
                         qPrintable(m_bus.lastError().message()));
        readKdeGlobals();
    } else if (qGuiApp) {
        // On Plasma kdeglobals is the truth (the GTK theme it publishes follows it, later if at
        // all); elsewhere on X11 the settings manager's GTK theme is how the desktop says dark.
        m_xsettings = new XSettings(QByteArrayLiteral("Net/ThemeName"), this);
        connect(m_xsettings, &XSettings::changed, this, [this] { update(); });
    }
    update(false);
}

Appearance::~Appearance() {
    if (qGuiApp)
        qGuiApp->removeEventFilter(this);
}

bool Appearance::paletteIsDark(const QPalette& palette) {
    return palette.color(QPalette::Active, QPalette::Window).lightnessF() < 0.5;
}

bool Appearance::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qGuiApp && event->type() == QEvent::ApplicationPaletteChange)
        update();
    return QObject::eventFilter(watched, event);
}

void Appearance::readPortal() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface, QStringLiteral("Read"));
    QVariantList arguments;
    arguments << appearanceNamespace << colorSchemeKey;
    call.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *w;
        // A missing portal or key leaves the palette in charge.
        if (reply.isValid())
            applyPortalValue(reply.argumentAt(0));
    });
}

void Appearance::onKdeSettingsChanged(int type, int) {
    if (type == kdePaletteChanged || type == kdeStyleChanged) {
        readKdeGlobals();
        update();
    }
}

void Appearance::readKdeGlobals() {
    // The user's file over the system's, as KConfig merges them.
    QByteArray text;
    const QStringList files = QStandardPaths::locateAll(QStandardPaths::GenericConfigLocation, QStringLiteral("kdeglobals"));
    for (auto it = files.crbegin(); it != files.crend(); ++it) {
        // Read as Tovi's own files are: a FIFO or a device there must not freeze the window.
        const SmallFileReading reading = readSmallFile(*it, 1 << 20);
        if (reading.outcome == SmallFileReading::Outcome::Read)
            text += reading.bytes + '\n';
        else if (reading.outcome == SmallFileReading::Outcome::Refused)
            std::fprintf(stderr, "tovi: %s is not read: %s\n", qPrintable(*it), qPrintable(reading.reason));
    }
    m_kdePalette = DesktopTheme::kdePalette(text);
}

void Appearance::onSettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value) {
    if (nameSpace == appearanceNamespace && key == colorSchemeKey)
        applyPortalValue(QVariant::fromValue(value));
}

void Appearance::applyPortalValue(const QVariant& value) {
    const QVariant scheme = unwrap(value);
    bool ok = false;
    const uint code = scheme.toUInt(&ok);
    if (ok && code == 1)
        m_portalDark = true;
    else if (ok && code == 2)
        m_portalDark = false;
    else
        m_portalDark.reset(); // 0: no preference
    update();
}

void Appearance::update(bool notify) {
    bool dark = false;
    const std::optional<QString> gtkTheme = m_xsettings ? m_xsettings->value() : std::nullopt;
    if (m_portalDark)
        dark = *m_portalDark;
    else if (m_kdePalette)
        dark = paletteIsDark(*m_kdePalette);
    else if (gtkTheme)
        dark = DesktopTheme::gtkThemeIsDark(*gtkTheme);
    else if (qGuiApp)
        dark = paletteIsDark(QGuiApplication::palette());
    // A new Plasma scheme of the same lightness is news too: its colours are not the old ones.
    const bool paletteChanged = m_kdePalette != m_shownKdePalette;
    m_shownKdePalette = m_kdePalette;
    if (dark == m_dark && !paletteChanged)
        return;
    m_dark = dark;
    if (notify)
        emit changed();
}

} // namespace tovi
