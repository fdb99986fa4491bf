#pragma once

#include "updater/UpdateMessage.h"

#include <QObject>

namespace tovi {

// Puts update dialogs in front of the user without blocking the caller; a newer dialog
// replaces one still open.
class UpdatePrompter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void show(const UpdateMessage& message) = 0;

Q_SIGNALS:
    void accepted(const QString& action);
};

} // namespace tovi
