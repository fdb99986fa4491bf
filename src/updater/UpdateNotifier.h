#pragma once

#include "updater/UpdateNotice.h"

#include <QObject>

namespace tovi {

// Shows update notices on the desktop. Without a notification service a notice is
// simply not shown; that is never an error.
class UpdateNotifier : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void notify(const UpdateNotice& notice) = 0;

Q_SIGNALS:
    void actionInvoked(const QString& action);
};

} // namespace tovi
