#include "platform/ApplicationAdaptor.h"

#include "platform/ApplicationActivation.h"

namespace tovi {

ApplicationAdaptor::ApplicationAdaptor(ApplicationActivation* owner)
    : QDBusAbstractAdaptor(owner)
    , m_owner(owner) {}

void ApplicationAdaptor::Activate(const QVariantMap& platformData) {
    m_owner->handleActivation(platformData);
}

void ApplicationAdaptor::Open(const QStringList& uris, const QVariantMap& platformData) {
    // The application opens no documents; a launch with files still brings it forward.
    Q_UNUSED(uris);
    m_owner->handleActivation(platformData);
}

void ApplicationAdaptor::ActivateAction(const QString& actionName, const QVariantList& parameter,
                                        const QVariantMap& platformData) {
    Q_UNUSED(parameter);
    m_owner->handleAction(actionName, platformData);
}

} // namespace tovi
