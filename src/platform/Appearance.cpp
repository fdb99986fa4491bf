#include "platform/Appearance.h"

#include <QDBusError>
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
        m_dark = paletteIsDark(QGuiApplication::palette());
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

void Appearance::update() {
    bool dark = false;
    if (m_portalDark)
        dark = *m_portalDark;
    else if (qGuiApp)
        dark = paletteIsDark(QGuiApplication::palette());
    if (dark == m_dark)
        return;
    m_dark = dark;
    emit changed();
}

} // namespace tovi
