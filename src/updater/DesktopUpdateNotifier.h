#pragma once

#include "updater/UpdateNotifier.h"

namespace tovi {

class DesktopNotifications;

// Update notices among the desktop's other notices from Tovi: a newer one replaces the one
// still on screen, and a click on the notice itself counts as its action.
class DesktopUpdateNotifier : public UpdateNotifier {
    Q_OBJECT
public:
    // `notifications` must outlive the notifier.
    explicit DesktopUpdateNotifier(DesktopNotifications* notifications, QObject* parent = nullptr);

    void notify(const UpdateNotice& notice) override;

private:
    void onActionInvoked(const QString& kind, const QString& key);

    DesktopNotifications* m_notifications;
    // The action of the notice on screen; a replaced notice's buttons are gone with it.
    QString m_action;
};

} // namespace tovi
