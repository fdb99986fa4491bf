#include "ui/UpdaterViewModel.h"

#include "ui/AppUpdater.h"

namespace tovi {

UpdaterViewModel::UpdaterViewModel(AppUpdater* updater, QObject* parent)
    : QObject(parent)
    , m_updater(updater) {
    if (!m_updater)
        return;
    m_automaticallyUpdates = m_updater->automaticallyChecksForUpdates();
    connect(m_updater, &AppUpdater::canCheckForUpdatesChanged, this,
            &UpdaterViewModel::setCanCheckForUpdates);
    setCanCheckForUpdates(m_updater->canCheckForUpdates());
}

void UpdaterViewModel::setAutomaticallyUpdates(bool value) {
    if (m_automaticallyUpdates == value)
        return;
    m_automaticallyUpdates = value;
    Q_EMIT automaticallyUpdatesChanged();
}

bool UpdaterViewModel::hasUpdateFeed() const {
    return m_updater && m_updater->hasUpdateFeed();
}

void UpdaterViewModel::checkForUpdates() {
    if (m_updater && m_canCheckForUpdates)
        m_updater->checkForUpdates();
}

void UpdaterViewModel::setCanCheckForUpdates(bool value) {
    if (m_canCheckForUpdates == value)
        return;
    m_canCheckForUpdates = value;
    Q_EMIT canCheckForUpdatesChanged();
}

} // namespace tovi
