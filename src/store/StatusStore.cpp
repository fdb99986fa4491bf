#include "store/StatusStore.h"

#include "model/DisplayRules.h"
#include "model/Logging.h"
#include "platform/Clock.h"
#include "platform/KeepAwake.h"
#include "platform/LoginItem.h"
#include "platform/UserDefaults.h"
#include "store/LiveDependencies.h"
#include "store/StatusSource.h"
#include "store/WebOrigin.h"

#include <QPointer>

namespace tovi {

using namespace std::chrono_literals;

StatusStore::StatusStore(StatusStoreDependencies dependencies, QObject* parent)
    : QObject(parent)
    , m_deps(std::move(dependencies)) {
    Q_ASSERT(m_deps.cliRunner && m_deps.defaults && m_deps.daemonStateProvider && m_deps.loginItem &&
             m_deps.keepAwake && m_deps.browser && m_deps.clock && m_deps.appLocation);
    if (!m_deps.source)
        m_deps.source = std::make_shared<CLIStatusSource>(m_deps.cliRunner);
    m_launchAtLoginEnabled = m_deps.loginItem->isEnabled();
    m_deps.keepAwake->onSettled([self = QPointer(this)](int token, bool held) {
        // An answer for an activity already switched off says nothing about this desktop.
        if (!self || self->m_keepAwakeActivity != token || self->m_keepAwakeUnavailable == !held)
            return;
        self->m_keepAwakeUnavailable = !held;
        Q_EMIT self->keepAwakeUnavailableChanged();
    });
    m_historySyncEnabled = m_deps.defaults->get(settings::historySync);
    // Settled once: a refused origin is reported here, not at every address formed from it.
    WebOriginChoice origin = chooseWebOrigin(m_deps.webOrigin);
    m_deps.webOrigin = std::move(origin.origin);
    // Said once, in the window's message area, until the next action's outcome replaces it.
    m_maintenanceMessage = origin.problem;
    for (const std::optional<QString>& notice : {m_deps.defaults->notice(), m_deps.loginItem->notice()})
        if (notice)
            m_maintenanceMessage = m_maintenanceMessage ? *m_maintenanceMessage + u' ' + *notice : *notice;
}

StatusStore::~StatusStore() {
    // A polling loop with no store left has nothing to poll; let it end at its next check
    // instead of sleeping forever.
    if (m_pollTask)
        m_pollTask->cancel();
    if (m_keepAwakeActivity)
        m_deps.keepAwake->endActivity(*m_keepAwakeActivity);
}

StatusStore& StatusStore::shared() {
    // Never destroyed: the store lives until the process ends.
    static StatusStore* const instance = new StatusStore(withLiveDependencies({}));
    return *instance;
}

// ---- setters -----------------------------------------------------------------------------

void StatusStore::setStatus(std::optional<InternalStatus> value) {
    // Most polls read back the snapshot already shown; nobody needs to hear about it again.
    if (m_status == value)
        return;
    m_status = std::move(value);
    Q_EMIT statusChanged();
}

void StatusStore::setLastError(std::optional<QString> value) {
    if (m_lastError == value)
        return;
    // Written when the status command starts or stops failing, not at every failed poll.
    if (value && !m_lastError)
        qCWarning(lcStore).noquote() << "tovi status fails:" << loggableText(*value);
    else if (!value)
        qCWarning(lcStore) << "tovi status works again";
    m_lastError = std::move(value);
    Q_EMIT lastErrorChanged();
}

void StatusStore::setLastUpdated(std::optional<QDateTime> value) {
    if (m_lastUpdated == value)
        return;
    m_lastUpdated = std::move(value);
    Q_EMIT lastUpdatedChanged();
}

void StatusStore::setIsRefreshing(bool value) {
    if (m_isRefreshing == value)
        return;
    m_isRefreshing = value;
    Q_EMIT isRefreshingChanged();
}

void StatusStore::setDaemonState(DaemonState value) {
    if (m_daemonState == value)
        return;
    if (m_daemonState.running && !value.running)
        qCWarning(lcStore) << "the tovi service stopped running";
    else if (value.running)
        qCInfo(lcStore) << "the tovi service runs, process" << value.pid;
    m_daemonState = value;
    Q_EMIT daemonStateChanged();
}

void StatusStore::setIsMaintaining(bool value) {
    if (m_isMaintaining == value)
        return;
    m_isMaintaining = value;
    Q_EMIT isMaintainingChanged();
}

void StatusStore::setMaintenanceMessage(std::optional<QString> value) {
    if (m_maintenanceMessage == value)
        return;
    m_maintenanceMessage = std::move(value);
    Q_EMIT maintenanceMessageChanged();
}

void StatusStore::setLaunchAtLoginEnabledField(bool value) {
    if (m_launchAtLoginEnabled == value)
        return;
    m_launchAtLoginEnabled = value;
    Q_EMIT launchAtLoginEnabledChanged();
}

void StatusStore::setBootstrapState(BootstrapState value) {
    if (m_bootstrapState == value)
        return;
    if (value.kind == BootstrapState::Kind::failed)
        qCWarning(lcStore).noquote() << "setting up tovi failed:" << loggableText(value.message);
    m_bootstrapState = std::move(value);
    Q_EMIT bootstrapStateChanged();
}

void StatusStore::setHistorySyncEnabledField(bool value) {
    if (m_historySyncEnabled == value)
        return;
    m_historySyncEnabled = value;
    Q_EMIT historySyncEnabledChanged();
}

void StatusStore::setHistorySyncApplying(bool value) {
    if (m_historySyncApplying == value)
        return;
    m_historySyncApplying = value;
    Q_EMIT historySyncApplyingChanged();
}

void StatusStore::setHistorySyncError(std::optional<QString> value) {
    if (m_historySyncError == value)
        return;
    m_historySyncError = std::move(value);
    Q_EMIT historySyncErrorChanged();
}

void StatusStore::setSignInPhase(SignInPhase value) {
    if (m_signInPhase == value)
        return;
    m_signInPhase = std::move(value);
    Q_EMIT signInPhaseChanged();
}

void StatusStore::setSignInError(std::optional<QString> value) {
    if (m_signInError == value)
        return;
    m_signInError = std::move(value);
    Q_EMIT signInErrorChanged();
}

void StatusStore::setProfiles(QList<Profile> value) {
    m_profiles = std::move(value);
    Q_EMIT profilesChanged();
}

void StatusStore::setTeamId(std::optional<QString> value) {
    if (m_teamId == value)
        return;
    m_teamId = std::move(value);
    Q_EMIT teamIdChanged();
}

// ---- derived -----------------------------------------------------------------------------

QString StatusStore::webOrigin() const {
    return m_deps.webOrigin;
}

AppLocation StatusStore::appLocation() const {
    return m_deps.appLocation();
}

double StatusStore::nowSeconds() const {
    return static_cast<double>(m_deps.clock->now().toMSecsSinceEpoch()) / 1000.0;
}

// ---- polling -----------------------------------------------------------------------------

void StatusStore::start() {
    if (m_pollTask)
        return;
    applyKeepAwake(keepAwake());
    TaskHandlePtr bootstrap = startBootstrap();
    auto handle = std::make_shared<TaskHandle>();
    m_pollTask = handle;
    pollLoop(handle, std::move(bootstrap));
}

QCoro::Task<> StatusStore::pollLoop(TaskHandlePtr handle, TaskHandlePtr bootstrap) {
    QPointer<StatusStore> self(this);
    const std::shared_ptr<Clock> clock = m_deps.clock;

    // No status command may race the start-up task's CLI install.
    co_await TaskHandle::wait(bootstrap);
    bootstrap.reset();

    while (!handle->isCancelled()) {
        if (self)
            co_await self->refresh();
        if (self)
            co_await self->autoUpdateCLIIfDue();
        const std::chrono::milliseconds interval = self ? self->m_deps.interval : 5000ms;
        // Measured from the end of the pass, so a slow status command stretches the period
        // instead of stacking passes.
        co_await clock->sleepFor(interval);
    }
    handle->finish();
}

QCoro::Task<> StatusStore::refresh() {
    // A status command that hangs must not gain a companion at every click of Refresh or
    // every polling pass: they wait for the one in flight.
    if (m_refreshTask) {
        setDaemonState(m_deps.daemonStateProvider());
        const TaskHandlePtr running = m_refreshTask;
        co_await TaskHandle::wait(running);
        co_return;
    }
    co_await refreshAfterChange();
}

// Started by an action after its own command, so the reading cannot predate it. Each kind of
// action runs one at a time, so these stay few even beside a status command that hangs.
QCoro::Task<> StatusStore::refreshAfterChange() {
    QPointer<StatusStore> self(this);
    setDaemonState(m_deps.daemonStateProvider());
    auto handle = std::make_shared<TaskHandle>();
    // Later refreshes join this one, the newest.
    m_refreshTask = handle;
    co_await fetchStatus(++m_readingsStarted);
    if (self && self->m_refreshTask == handle)
        self->m_refreshTask.reset();
    handle->finish();
}

QCoro::Task<> StatusStore::fetchStatus(quint64 reading) {
    QPointer<StatusStore> self(this);
    const std::shared_ptr<StatusSource> source = m_deps.source;

    setIsRefreshing(true);

    Result<InternalStatus> fetched = co_await source->fetch();
    if (!self)
        co_return;
    // A reading begun before one already shown would put the older state back on screen
    // (signed out again right after a sign-in).
    if (reading < m_readingShown) {
        setIsRefreshing(false);
        co_return;
    }
    m_readingShown = reading;
    if (fetched) {
        setStatus(std::move(fetched).value());
        setLastError(std::nullopt);
        setLastUpdated(m_deps.clock->now());
    } else {
        // The last good snapshot stays on screen beside the error.
        setLastError(fetched.error().description());
    }

    if (!m_teamId && !isSignedOut(m_status)) {
        co_await fetchTeamId();
        if (!self)
            co_return;
    }
    setIsRefreshing(false);
}

} // namespace tovi
