#include "ui/SettingsViewModel.h"

#include "store/StatusStore.h"
#include "updater/AppUpdater.h"
#include "ui/Symbols.h"

namespace tovi {

SettingsViewModel::SettingsViewModel(StatusStore* store, AppUpdater* updater, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_updater(updater) {
    const auto request = [this] { m_gate.request(); };
    connect(m_store, &StatusStore::autoUpdateCLIChanged, this, request);
    connect(m_store, &StatusStore::launchAtLoginEnabledChanged, this, request);
    connect(m_store, &StatusStore::keepAwakeUnavailableChanged, this, request);
    connect(m_store, &StatusStore::historySyncEnabledChanged, this, request);
    connect(m_store, &StatusStore::historySyncApplyingChanged, this, request);
    connect(m_store, &StatusStore::notificationsEnabledChanged, this, request);
    if (m_updater)
        connect(m_updater, &AppUpdater::canCheckForUpdatesChanged, this, request);
}

bool SettingsViewModel::canCheckForUpdates() const {
    return m_updater && m_updater->canCheckForUpdates();
}

QString SettingsViewModel::checkForUpdatesTooltip() const {
    if (!m_updater || m_updater->hasUpdateFeed())
        return {};
    return tr("Updates to Tovi come with your system's package manager.");
}

bool SettingsViewModel::automaticUpdates() const {
    return m_updater && m_updater->automaticallyChecksForUpdates() && m_store->autoUpdateCLI();
}

void SettingsViewModel::setAutomaticUpdates(bool value) {
    if (m_updater) {
        m_updater->setAutomaticallyChecksForUpdates(value);
        m_updater->setAutomaticallyDownloadsUpdates(value);
    }
    m_store->setAutoUpdateCLI(value);
    // The store only notifies when its half changed; the switch must show the new value now.
    Q_EMIT changed();
}

QString SettingsViewModel::automaticUpdatesTooltip() const {
    return tr("Automatically keep both the Tovi app and the tovi CLI up to date");
}

bool SettingsViewModel::openAtLogin() const {
    return m_store->launchAtLoginEnabled();
}

void SettingsViewModel::setOpenAtLogin(bool value) {
    m_store->setLaunchAtLogin(value);
    // A refused change leaves the field as it was; the toggle must snap back to it.
    Q_EMIT changed();
}

bool SettingsViewModel::showMoveNote() const {
    return m_store->appLocation() == AppLocation::temporary;
}

QString SettingsViewModel::moveNote() const {
    return tr("Move Tovi to your Applications folder to enable Open at Login.");
}

QString SettingsViewModel::keepAwakeLabel() const {
    return tr("Keep Computer Awake");
}

bool SettingsViewModel::keepAwake() const {
    return m_store->keepAwake();
}

QString SettingsViewModel::keepAwakeNote() const {
    return m_store->keepAwakeUnavailable()
               ? tr("No power manager on this desktop lets Tovi keep the computer awake.")
               : QString();
}

void SettingsViewModel::setKeepAwake(bool value) {
    m_store->setKeepAwake(value);
    Q_EMIT changed();
}

bool SettingsViewModel::syncAgentHistory() const {
    return m_store->historySyncEnabled();
}

void SettingsViewModel::setSyncAgentHistory(bool value) {
    m_store->setHistorySyncEnabled(value);
}

QString SettingsViewModel::syncAgentHistoryTooltip() const {
    return tr("Sync local Claude and Codex session history for every Tovi account");
}

bool SettingsViewModel::historySyncApplying() const {
    return m_store->historySyncApplying();
}

QString SettingsViewModel::applyingGlyph() const {
    return Symbols::glyph(QStringLiteral("arrow.triangle.2.circlepath"));
}

void SettingsViewModel::checkForUpdates() {
    // The menu item may still be shown enabled for a moment after a check began.
    if (m_updater && m_updater->canCheckForUpdates())
        m_updater->checkForUpdates();
}

bool SettingsViewModel::notifications() const {
    return m_store->notificationsEnabled();
}

void SettingsViewModel::setNotifications(bool value) {
    m_store->setNotificationsEnabled(value);
    Q_EMIT changed();
}

QString SettingsViewModel::notificationsTooltip() const {
    return tr("Tell me when a space needs attention, the service stops, or a sign-in went through");
}

} // namespace tovi
