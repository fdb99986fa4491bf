#include "platform/KeepAwake.h"
#include "platform/LoginItem.h"
#include "platform/UserDefaults.h"
#include "store/StatusStore.h"

namespace tovi {

namespace {
const QString didRegisterLoginItemKey = QStringLiteral("didRegisterLoginItem");
const QString keepAwakeKey = QStringLiteral("keepAwake");
const QString autoUpdateCLIKey = QStringLiteral("autoUpdateCLI");
const QString notificationsKey = QStringLiteral("notifications");
} // namespace

bool StatusStore::keepAwake() const {
    return m_deps.defaults->boolValue(keepAwakeKey).value_or(false);
}

bool StatusStore::autoUpdateCLI() const {
    return m_deps.defaults->boolValue(autoUpdateCLIKey).value_or(true);
}

bool StatusStore::saveSwitch(const QString& key, bool value, bool stored) {
    const Status saved = m_deps.defaults->setValue(key, value);
    if (saved)
        return true;
    // A choice that did not reach the disk would be gone at the next launch without a word:
    // the switch goes back to what is stored, and the message says why.
    (void)m_deps.defaults->setValue(key, stored);
    setMaintenanceMessage(saved.error().description());
    return false;
}

void StatusStore::setAutoUpdateCLI(bool enabled) {
    const bool before = autoUpdateCLI();
    // A refused change notifies too, so that the switch springs back.
    if (!saveSwitch(autoUpdateCLIKey, enabled, before) || before != enabled)
        Q_EMIT autoUpdateCLIChanged();
}

bool StatusStore::notificationsEnabled() const {
    return m_deps.defaults->boolValue(notificationsKey).value_or(true);
}

void StatusStore::setNotificationsEnabled(bool enabled) {
    const bool before = notificationsEnabled();
    if (!saveSwitch(notificationsKey, enabled, before) || before != enabled)
        Q_EMIT notificationsEnabledChanged();
}

void StatusStore::registerLoginItemOnFirstLaunch() {
    if (m_deps.defaults->boolValue(didRegisterLoginItemKey).value_or(false))
        return;
    // Registering a copy that is about to vanish would leave a dead autostart entry; a
    // later launch from an installed location tries again.
    if (appLocation() != AppLocation::applicationsFolder)
        return;
    (void)m_deps.loginItem->setEnabled(true);
    setLaunchAtLoginEnabledField(m_deps.loginItem->isEnabled());
    // Set even after a failure: a user who later switches it off must never be re-registered.
    m_deps.defaults->setValue(didRegisterLoginItemKey, true);
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
    if (!saveSwitch(keepAwakeKey, enabled, before)) {
        Q_EMIT keepAwakeChanged();
        return;
    }
    applyKeepAwake(enabled);
    if (before != enabled)
        Q_EMIT keepAwakeChanged();
}

} // namespace tovi
