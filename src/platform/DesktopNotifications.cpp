#include "platform/DesktopNotifications.h"

#include "BuildConfig.h"
#include "model/Logging.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>
#include <QVariantMap>

#include <QFileInfo>

namespace tovi {
namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString portalInterface = QStringLiteral("org.freedesktop.portal.Notification");
const QString defaultAction = QStringLiteral("default");

QString defaultLabelOf(const DesktopNotice& notice) {
    return notice.defaultLabel.isEmpty() ? DesktopNotifications::tr("Open Tovi") : notice.defaultLabel;
}

} // namespace

DesktopNotifications* createDesktopNotifications(QObject* parent) {
    // Flatpak puts this file in every sandbox it makes; nothing else does.
    if (QFileInfo::exists(QStringLiteral("/.flatpak-info")))
        return new PortalDesktopNotifications(QDBusConnection::sessionBus(), parent);
    return new DBusDesktopNotifications(parent);
}

DBusDesktopNotifications::DBusDesktopNotifications(QObject* parent)
    : DBusDesktopNotifications(QDBusConnection::sessionBus(), parent) {}

DBusDesktopNotifications::DBusDesktopNotifications(const QDBusConnection& bus, QObject* parent)
    : DesktopNotifications(parent)
    , m_bus(bus) {
    m_bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onClosed(uint, uint)));
    auto* watcher =
        new QDBusPendingCallWatcher(m_bus.asyncCall(QDBusMessage::createMethodCall(
                                        service, path, interface, QStringLiteral("GetCapabilities"))),
                                    this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        const QDBusPendingReply<QStringList> reply = *call;
        call->deleteLater();
        if (!reply.isError()) {
            m_bodyMarkup = reply.value().contains(QStringLiteral("body-markup"));
            m_actions = reply.value().contains(QStringLiteral("actions"));
        }
        Q_EMIT serverKnown();
    });
}

QString DBusDesktopNotifications::bodyFor(const QString& text, bool serverReadsMarkup) {
    return serverReadsMarkup ? text.toHtmlEscaped() : text;
}

void DBusDesktopNotifications::show(const DesktopNotice& notice) {
    QStringList actions;
    if (m_actions) {
        actions << defaultAction << defaultLabelOf(notice);
        for (const auto& [key, label] : notice.actions)
            actions << key << label;
    }
    const QString appId = QLatin1String(build::appId);
    const QVariantMap hints{{QStringLiteral("desktop-entry"), appId},
                            {QStringLiteral("urgency"), QVariant::fromValue<uchar>(1)}};
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    call.setArguments({QStringLiteral("Tovi"), m_idOfKind.value(notice.kind, 0u), appId, notice.summary,
                       bodyFor(notice.body, m_bodyMarkup), actions, hints, -1});
    qCDebug(lcPlatform).noquote() << "notice:" << notice.kind;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, kind = notice.kind](QDBusPendingCallWatcher* w) {
                const QDBusPendingReply<uint> reply = *w;
                w->deleteLater();
                if (reply.isError()) {
                    qCDebug(lcPlatform).noquote() << "no notification service:" << reply.error().name();
                    return;
                }
                m_idOfKind.insert(kind, reply.value());
            });
}

void DBusDesktopNotifications::onActionInvoked(uint id, const QString& action) {
    for (auto it = m_idOfKind.cbegin(); it != m_idOfKind.cend(); ++it) {
        if (it.value() == id) {
            Q_EMIT actionInvoked(it.key(), action);
            return;
        }
    }
}

void DBusDesktopNotifications::onClosed(uint id, uint) {
    // A closed notice is replaced by a new one, not revived.
    for (auto it = m_idOfKind.begin(); it != m_idOfKind.end(); ++it) {
        if (it.value() == id) {
            m_idOfKind.erase(it);
            return;
        }
    }
}

PortalDesktopNotifications::PortalDesktopNotifications(const QDBusConnection& bus, QObject* parent)
    : DesktopNotifications(parent)
    , m_bus(bus) {
    // Buttons go as an array of dictionaries, which the bus cannot infer from a variant list.
    qDBusRegisterMetaType<QList<QVariantMap>>();
    m_bus.connect(portalService, portalPath, portalInterface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(QString, QString, QVariantList)));
}

void PortalDesktopNotifications::show(const DesktopNotice& notice) {
    // Action names without the "app." prefix come back as ActionInvoked signals, which need no
    // exported actions and no D-Bus activation.
    QList<QVariantMap> buttons;
    for (const auto& [key, label] : notice.actions)
        buttons.append(QVariantMap{{QStringLiteral("label"), label}, {QStringLiteral("action"), key}});
    QVariantMap notification{{QStringLiteral("title"), notice.summary},
                             {QStringLiteral("body"), notice.body},
                             {QStringLiteral("priority"), QStringLiteral("normal")},
                             {QStringLiteral("default-action"), defaultAction}};
    if (!buttons.isEmpty())
        notification.insert(QStringLiteral("buttons"), QVariant::fromValue(buttons));
    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, portalInterface,
                                                       QStringLiteral("AddNotification"));
    call.setArguments({notice.kind, notification});
    qCDebug(lcPlatform).noquote() << "notice through the portal:" << notice.kind;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<> reply = *w;
        w->deleteLater();
        if (reply.isError())
            qCDebug(lcPlatform).noquote() << "no notification portal:" << reply.error().name();
    });
}

void PortalDesktopNotifications::onActionInvoked(const QString& id, const QString& action,
                                                 const QVariantList&) {
    Q_EMIT actionInvoked(id, action);
}

} // namespace tovi
