#include "updater/DesktopUpdateNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace tovi {

namespace {
const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
} // namespace

DesktopUpdateNotifier::DesktopUpdateNotifier(const QDBusConnection& bus, const QString& appId,
                                             QObject* parent)
    : UpdateNotifier(parent)
    , m_bus(bus)
    , m_appId(appId) {
    if (!m_bus.isConnected())
        return;
    m_bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onNotificationClosed(uint, uint)));
}

void DesktopUpdateNotifier::notify(const UpdateNotice& notice) {
    if (!m_bus.isConnected())
        return;
    QStringList actions;
    if (!notice.action.isEmpty())
        actions << QStringLiteral("default") << notice.actionLabel << notice.action << notice.actionLabel;
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), m_appId);
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(1)));

    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    call << QStringLiteral("Tovi") << m_lastId << m_appId << notice.summary << notice.body << actions << hints
         << qint32(-1);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    const QString action = notice.action;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, action](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        // No notification service (or a broken one): the notice is lost, nothing else.
        if (reply.isError())
            return;
        m_actions.remove(m_lastId);
        m_lastId = reply.value();
        if (!action.isEmpty())
            m_actions.insert(m_lastId, action);
    });
}

void DesktopUpdateNotifier::onActionInvoked(uint id, const QString& key) {
    const auto it = m_actions.constFind(id);
    if (it == m_actions.constEnd())
        return;
    if (key == u"default" || key == *it)
        Q_EMIT actionInvoked(*it);
}

void DesktopUpdateNotifier::onNotificationClosed(uint id, uint) {
    m_actions.remove(id);
    if (id == m_lastId)
        m_lastId = 0;
}

} // namespace tovi
