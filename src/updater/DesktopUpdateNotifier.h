#pragma once

#include "updater/UpdateNotifier.h"

#include <QDBusConnection>
#include <QHash>

namespace tovi {

// Update notices through org.freedesktop.Notifications. A newer notice replaces the one
// still on screen; clicking the notice itself counts as its action.
class DesktopUpdateNotifier : public UpdateNotifier {
    Q_OBJECT
public:
    DesktopUpdateNotifier(const QDBusConnection& bus, const QString& appId, QObject* parent = nullptr);

    void notify(const UpdateNotice& notice) override;

private Q_SLOTS:
    void onActionInvoked(uint id, const QString& key);
    void onNotificationClosed(uint id, uint reason);

private:
    QDBusConnection m_bus;
    QString m_appId;
    uint m_lastId = 0;
    QHash<uint, QString> m_actions;
};

} // namespace tovi
