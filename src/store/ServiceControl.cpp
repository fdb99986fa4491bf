#include "bridge/CLICommandRunner.h"
#include "model/Logging.h"
#include "platform/UserDefaults.h"
#include "store/CLICommands.h"
#include "store/StatusStore.h"

#include <QPointer>

namespace tovi {

namespace {

constexpr double autoUpdatePeriodSeconds = 12 * 60 * 60;

// The origin is a deployment setting and may come from the environment, so it is passed
// to the shell as one single-quoted word: nothing in it can become shell syntax.
QString shellQuoted(const QString& text) {
    QString quoted = text;
    quoted.replace(QLatin1String("'"), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace

// Without pipefail a failed download (offline at login, a 404) hands bash an empty script,
// which succeeds: the pipeline must fail with curl, whose message then reaches the user.
QString StatusStore::installCommandLine() const {
    return QStringLiteral("set -o pipefail; curl -fsSL ") +
           shellQuoted(webOrigin() + QStringLiteral("/install.sh")) + QStringLiteral(" | bash");
}

TaskHandlePtr StatusStore::startBootstrap() {
    if (m_bootstrapTask)
        return m_bootstrapTask;
    auto handle = std::make_shared<TaskHandle>();
    // Stored before the body starts: the body runs eagerly and may finish before we return.
    m_bootstrapTask = handle;
    bootstrapBody(handle);
    return handle;
}

QCoro::Task<> StatusStore::bootstrapBody(TaskHandlePtr handle) {
    QPointer<StatusStore> self(this);
    co_await bootstrap();
    if (self && self->m_bootstrapTask == handle)
        self->m_bootstrapTask.reset();
    handle->finish();
}

QCoro::Task<> StatusStore::bootstrap() {
    QPointer<StatusStore> self(this);
    const std::shared_ptr<CLICommandRunner> runner = m_deps.cliRunner;

    setBootstrapState(BootstrapState::installing());

    const bool installedAtLaunch = co_await runner->isInstalled();
    if (!self)
        co_return;
    if (!installedAtLaunch) {
        const QString commandLine = installCommandLine();
        const Result<QByteArray> installed = co_await runner->runShell(commandLine);
        if (!self)
            co_return;
        if (!installed) {
            setBootstrapState(BootstrapState::failed(installed.error().description()));
            co_await refreshAfterChange();
            co_return;
        }
        m_deps.defaults->set(settings::lastCliUpdate, nowSeconds());
    }

    const bool installedForHistory = co_await runner->isInstalled();
    if (!self)
        co_return;
    if (!installedForHistory) {
        // A script that succeeded without leaving a CLI to find: a failure the user can
        // retry, not a quiet idle under a window that waits for a status forever.
        setBootstrapState(BootstrapState::failed(Error::cliNotFound().description()));
        co_await refreshAfterChange();
        co_return;
    }
    co_await awaitHistorySync(QStringList());
    if (!self)
        co_return;

    const bool installedForService = co_await runner->isInstalled();
    if (!self)
        co_return;
    if (installedForService && !m_deps.daemonStateProvider().running) {
        const QStringList arguments = CLICommands::installService();
        const Result<QByteArray> service = co_await runner->run(arguments);
        if (!self)
            co_return;
        setBootstrapState(service ? BootstrapState::idle()
                                  : BootstrapState::failed(service.error().description()));
    } else {
        setBootstrapState(BootstrapState::idle());
    }
    co_await refreshAfterChange();
}

QCoro::Task<> StatusStore::autoUpdateCLIIfDue() {
    QPointer<StatusStore> self(this);
    const std::shared_ptr<CLICommandRunner> runner = m_deps.cliRunner;

    if (!autoUpdateCLI() || m_isMaintaining || m_bootstrapTask)
        co_return;
    // A stored time in the future blocks updates until it has passed. Asked before looking
    // for the CLI, which searches the disk and would do so at every poll.
    const double elapsed = nowSeconds() - m_deps.defaults->get(settings::lastCliUpdate);
    if (!(elapsed > autoUpdatePeriodSeconds))
        co_return;
    const bool installed = co_await runner->isInstalled();
    if (!self || !installed)
        co_return;
    // Another maintenance may have begun while the lookup was awaited.
    if (m_isMaintaining || m_bootstrapTask)
        co_return;

    setIsMaintaining(true);
    co_await awaitHistorySync(QStringList());
    if (!self)
        co_return;
    const QStringList arguments = CLICommands::install();
    // Nobody watches this run: one that hangs would hold isMaintaining, and with it every
    // later update and user command, for good.
    const Result<QByteArray> updated = co_await runner->run(arguments, m_deps.autoUpdateTimeLimit);
    if (!self)
        co_return;
    // A failure (the time limit included) leaves the old time, so the next pass tries again.
    if (updated)
        m_deps.defaults->set(settings::lastCliUpdate, nowSeconds());
    co_await awaitHistorySync(QStringList());
    if (!self)
        co_return;
    co_await refreshAfterChange();
    if (!self)
        co_return;
    setIsMaintaining(false);
}

QCoro::Task<> StatusStore::restartService() {
    QPointer<StatusStore> self(this);
    co_await awaitHistorySync(QStringList());
    if (!self)
        co_return;
    const QStringList arguments = CLICommands::installService();
    co_await runMaintenance(arguments, tr("Daemon restarted"));
}

QCoro::Task<> StatusStore::updateCLI() {
    QPointer<StatusStore> self(this);
    co_await awaitHistorySync(QStringList());
    if (!self)
        co_return;
    const QStringList arguments = CLICommands::install();
    co_await runMaintenance(arguments, tr("Latest version installed"));
    if (!self)
        co_return;
    co_await awaitHistorySync(QStringList());
}

QCoro::Task<> StatusStore::runMaintenance(QStringList arguments, QString successMessage) {
    return runExclusive(std::move(arguments), std::move(successMessage), false);
}

QCoro::Task<> StatusStore::runExclusive(QStringList arguments, QString successMessage, bool reloadsAccount) {
    QPointer<StatusStore> self(this);
    const std::shared_ptr<CLICommandRunner> runner = m_deps.cliRunner;

    // Overlapping requests are dropped, not queued.
    if (m_isMaintaining)
        co_return;
    setIsMaintaining(true);
    setMaintenanceMessage(std::nullopt);

    const Result<QByteArray> outcome = co_await runner->run(arguments);
    if (!self)
        co_return;
    setMaintenanceMessage(outcome ? successMessage : outcome.error().description());
    if (!outcome)
        qCWarning(lcStore).noquote() << "tovi" << loggableText(loggableArguments(arguments).join(u' '))
                                     << "failed:" << loggableText(outcome.error().description());

    if (reloadsAccount) {
        // Even a failed command may have changed the account: reload everything it touches.
        setTeamId(std::nullopt);
        co_await loadProfiles();
        if (!self)
            co_return;
    }
    co_await refreshAfterChange();
    if (!self)
        co_return;
    setIsMaintaining(false);
}

} // namespace tovi
