#include "platform/KeepAwake.h"
#include "platform/LoginItem.h"
#include "platform/UserDefaults.h"
#include "store/StatusStore.h"

namespace tovi {

bool StatusStore::keepAwake() const {
    return m_deps.defaults->get(settings::keepAwake);
}

bool StatusStore::autoUpdateCLI() const {
    return m_deps.defaults->get(settings::autoUpdateCLI);
}

void StatusStore::saveSwitch(const Setting<bool>& setting, bool value) {
    // A choice that did not reach the disk would be gone at the next launch without a word. It
    // is not taken back now either (the user made it, and it works until Tovi quits): the
    // message says it will not last.
    if (const Status saved = m_deps.defaults->set(setting, value); !saved)
        setMaintenanceMessage(saved.error().description());
}

void StatusStore::setAutoUpdateCLI(bool enabled) {
    const bool before = autoUpdateCLI();
    saveSwitch(settings::autoUpdateCLI, enabled);
    if (before != enabled)
        Q_EMIT autoUpdateCLIChanged();
}

bool StatusStore::notificationsEnabled() const {
    return m_deps.defaults->get(settings::notifications);
}

void StatusStore::setNotificationsEnabled(bool enabled) {
    const bool before = notificationsEnabled();
    saveSwitch(settings::notifications, enabled);
    if (before != enabled)
        Q_EMIT notificationsEnabledChanged();
}

void StatusStore::registerLoginItemOnFirstLaunch() {
    if (m_deps.defaults->get(settings::didRegisterLoginItem))
        return;
    // Registering a copy that is about to vanish would leave a dead autostart entry; a
    // later launch from an installed location tries again.
    if (appLocation() != AppLocation::applicationsFolder)
        return;
    (void)m_deps.loginItem->setEnabled(true);
    setLaunchAtLoginEnabledField(m_deps.loginItem->isEnabled());
    // Set even after a failure: a user who later switches it off must never be re-registered.
    m_deps.defaults->set(settings::didRegisterLoginItem, true);
}

void StatusStore::setLaunchAtLogin(bool enabled) {
    const Status outcome = m_deps.loginItem->setEnabled(enabled);
    setMaintenanceMessage(outcome ? std::nullopt : std::optional<QString>(outcome.error().description()));
    const bool actual = m_deps.loginItem->isEnabled();
    const bool changed = actual != m_launchAtLoginEnabled;
    setLaunchAtLoginEnabledField(actual);
    // The switch already shows the requested value; when the platform kept the old one, a
    // notification is what makes it spring back.
    if (!changed && actual != enabled)
        Q_EMIT launchAtLoginEnabledChanged();
}

void StatusStore::applyKeepAwake(bool enabled) {
    if (enabled && !m_keepAwakeActivity) {
        m_keepAwakeActivity = m_deps.keepAwake->beginActivity(QStringLiteral("Keep computer awake (Tovi)"));
    } else if (!enabled && m_keepAwakeActivity) {
        m_deps.keepAwake->endActivity(*m_keepAwakeActivity);
        m_keepAwakeActivity.reset();
    }
}

void StatusStore::setKeepAwake(bool enabled) {
    const bool before = keepAwake();
    saveSwitch(settings::keepAwake, enabled);
    applyKeepAwake(enabled);
    if (before != enabled)
        Q_EMIT keepAwakeChanged();
}

} // namespace tovi
