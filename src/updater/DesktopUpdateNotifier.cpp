#include "updater/DesktopUpdateNotifier.h"

#include "platform/DesktopNotifications.h"

namespace tovi {

namespace {
const QString updateKind = QStringLiteral("update");
} // namespace

DesktopUpdateNotifier::DesktopUpdateNotifier(DesktopNotifications* notifications, QObject* parent)
    : UpdateNotifier(parent)
    , m_notifications(notifications) {
    connect(m_notifications, &DesktopNotifications::actionInvoked, this,
            &DesktopUpdateNotifier::onActionInvoked);
}

void DesktopUpdateNotifier::notify(const UpdateNotice& notice) {
    m_action = notice.action;
    DesktopNotice shown{updateKind, notice.summary, notice.body, {}, notice.actionLabel};
    if (!notice.action.isEmpty())
        shown.actions.append({notice.action, notice.actionLabel});
    m_notifications->show(shown);
}

void DesktopUpdateNotifier::onActionInvoked(const QString& kind, const QString& key) {
    if (kind != updateKind || m_action.isEmpty())
        return;
    if (key == u"default" || key == m_action)
        Q_EMIT actionInvoked(m_action);
}

} // namespace tovi
