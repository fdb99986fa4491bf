#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QObject>

namespace tovi::test {

// org.freedesktop.portal.Settings with one value, appearance/color-scheme.
class FakePortalSettings : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    FakePortalSettings(QDBusConnection bus, uint colorScheme)
        : m_bus(std::move(bus))
        , m_colorScheme(colorScheme) {
        m_bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), this,
                             QDBusConnection::ExportAllSlots);
        m_bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
    }

    int reads = 0;

    void emitChange(const QString& nameSpace, const QString& key, uint value) {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/portal/desktop"),
                                                         QStringLiteral("org.freedesktop.portal.Settings"),
                                                         QStringLiteral("SettingChanged"));
        QVariantList arguments;
        arguments << nameSpace << key << QVariant::fromValue(QDBusVariant(value));
        signal.setArguments(arguments);
        m_bus.send(signal);
    }

public slots:
    // The real portal wraps the value twice on this (older) method.
    QDBusVariant Read(const QString& nameSpace, const QString& key) {
        ++reads;
        if (nameSpace != QLatin1String("org.freedesktop.appearance") ||
            key != QLatin1String("color-scheme")) {
            sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                           QStringLiteral("no such key"));
            return {};
        }
        return QDBusVariant(QVariant::fromValue(QDBusVariant(m_colorScheme)));
    }

private:
    QDBusConnection m_bus;
    uint m_colorScheme;
};

} // namespace tovi::test
