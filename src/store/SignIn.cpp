#include "bridge/CLICommandRunner.h"
#include "model/Decoding.h"
#include "model/Logging.h"
#include "platform/Browser.h"
#include "store/CLICommands.h"
#include "store/StatusStore.h"
#include "store/WebOrigin.h"

#include <QPointer>

namespace tovi {

void StatusStore::startSignIn(std::optional<QString> profile) {
    if (m_signInTask)
        return;
    setSignInError(std::nullopt);
    auto handle = std::make_shared<TaskHandle>();
    // Stored before the body starts: the body runs eagerly and may finish before we return.
    m_signInTask = handle;
    signInBody(handle, std::move(profile));
}

void StatusStore::cancelSignIn() {
    if (m_signInTask) {
        m_signInTask->cancel();
        m_signInTask.reset();
    }
    setSignInPhase(SignInPhase::idle());
}

QCoro::Task<> StatusStore::signInBody(TaskHandlePtr handle, std::optional<QString> profile) {
    QPointer<StatusStore> self(this);
    co_await signIn(handle, std::move(profile));
    if (self && self->m_signInTask == handle)
        self->m_signInTask.reset();
    handle->finish();
}

void StatusStore::endSignIn(const TaskHandlePtr& handle, const std::optional<Error>& error) {
    if (handle->isCancelled() || (error && error->isCancelled())) {
        // A cancelled sign-in says nothing. cancelSignIn already showed idle; a sign-in
        // started since then owns the phase now.
        if (!m_signInTask || m_signInTask == handle)
            setSignInPhase(SignInPhase::idle());
        return;
    }
    if (error) {
        // The reason is left to the window: a failed claim's message may quote the claim token.
        qCWarning(lcStore) << "sign-in failed";
        setSignInError(error->description());
    }
    setSignInPhase(SignInPhase::idle());
}

QCoro::Task<> StatusStore::signIn(TaskHandlePtr handle, std::optional<QString> profile) {
    QPointer<StatusStore> self(this);
    const std::shared_ptr<CLICommandRunner> runner = m_deps.cliRunner;

    setSignInPhase(SignInPhase::idle());

    // The history setting must reach the profile before anything is signed into it.
    const QStringList historyNames{profile.value_or(QStringLiteral("default"))};
    co_await awaitHistorySync(historyNames);
    if (!self)
        co_return;
    if (handle->isCancelled()) {
        endSignIn(handle, Error::cancelled());
        co_return;
    }

    const QStringList loginArguments = CLICommands::login(profile);
    const Result<QByteArray> loginOutput = co_await runner->run(loginArguments);
    if (!self)
        co_return;
    if (!loginOutput) {
        endSignIn(handle, loginOutput.error());
        co_return;
    }
    // The claim token stays in this frame only: never a field, a setting or a message.
    const Result<LoginClaim> claim = decodeLoginClaim(loginOutput.value());
    if (!claim) {
        endSignIn(handle, claim.error());
        co_return;
    }
    // The address comes from the CLI's output: only a web page is opened, never a file,
    // a script or another application.
    if (!claim->token || !claim->url || !isWebAddress(*claim->url)) {
        // Nothing to approve (typically already signed in): show what the CLI now reports.
        co_await refreshAfterChange();
        co_return;
    }

    // Cancelled while the login ran: no approval page opens for a sign-in nobody waits for.
    if (handle->isCancelled()) {
        endSignIn(handle, Error::cancelled());
        co_return;
    }
    // Without the address: it may carry a one-time code.
    qCDebug(lcStore) << "sign-in waits for approval in the browser";
    setSignInPhase(SignInPhase::awaitingApproval(*claim->url));
    openAddress(QUrl(*claim->url, QUrl::StrictMode));

    const QStringList claimArguments = CLICommands::claim(*claim->token, profile);
    const Result<QByteArray> claimOutput = co_await runner->run(claimArguments);
    if (!self)
        co_return;
    // Checked before the outcome is judged, so an abandoned claim that later fails is as
    // silent as one that succeeds.
    if (handle->isCancelled()) {
        endSignIn(handle, Error::cancelled());
        co_return;
    }
    if (!claimOutput) {
        endSignIn(handle, claimOutput.error());
        co_return;
    }
    const Result<ClaimResult> result = decodeClaimResult(claimOutput.value());
    if (!result) {
        endSignIn(handle, result.error());
        co_return;
    }

    const QString status = result->status.value_or(QStringLiteral("unknown"));
    if (status == QLatin1String("approved")) {
        setTeamId(std::nullopt);
        co_await loadProfiles();
        if (!self)
            co_return;
        co_await refreshAfterChange();
        if (!self)
            co_return;
        // Cancelled during the reload: cancelSignIn already showed idle, and a sign-in
        // started since then owns the phase now.
        if (!m_signInTask || m_signInTask == handle)
            setSignInPhase(SignInPhase::idle());
    } else if (status == QLatin1String("cancelled")) {
        setSignInError(tr("Sign-in was cancelled."));
        setSignInPhase(SignInPhase::idle());
    } else if (status == QLatin1String("expired")) {
        setSignInError(tr("The approval link expired — try again."));
        setSignInPhase(SignInPhase::idle());
    } else {
        setSignInError(tr("Sign-in didn't complete (%1).").arg(status));
        setSignInPhase(SignInPhase::idle());
    }
}

QCoro::Task<> StatusStore::loadProfiles() {
    QPointer<StatusStore> self(this);
    const std::shared_ptr<CLICommandRunner> runner = m_deps.cliRunner;
    const QStringList arguments = CLICommands::profileList();
    const Result<QByteArray> output = co_await runner->run(arguments);
    if (!self || !output)
        co_return;
    Result<QList<Profile>> decoded = decodeProfileList(output.value());
    setProfiles(decoded ? std::move(decoded).value() : QList<Profile>());
}

QCoro::Task<> StatusStore::fetchTeamId() {
    QPointer<StatusStore> self(this);
    const std::shared_ptr<CLICommandRunner> runner = m_deps.cliRunner;
    const QStringList arguments = CLICommands::me();
    const Result<QByteArray> output = co_await runner->run(arguments);
    if (!self || !output)
        co_return;
    const Result<AccountMe> me = decodeAccountMe(output.value());
    setTeamId(me ? me->teamId : std::nullopt);
}

std::optional<QUrl> StatusStore::teamURL(const QStringList& segments) const {
    if (!m_teamId)
        return std::nullopt;
    // The identifiers come from the CLI: each stays one segment, so none can climb out of the
    // team's pages or turn the rest of the address into a query.
    QString path = QStringLiteral("/team");
    QStringList all = segments;
    all.prepend(*m_teamId);
    for (const QString& segment : std::as_const(all)) {
        const std::optional<QString> encoded = webPathSegment(segment);
        if (!encoded)
            return std::nullopt;
        path += QLatin1Char('/') + *encoded;
    }
    const QUrl url(webOrigin() + path, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

QUrl StatusStore::serviceURL(const QString& path) const {
    return QUrl(webOrigin() + path);
}

// Addresses reach this point from the CLI's output and from the configured origin: only a web
// page is opened, never a file, a script or another application.
bool StatusStore::openAddress(const QUrl& url) const {
    if (!isWebAddress(url)) {
        // Without the address: it may carry a one-time code.
        qCWarning(lcStore) << "refused to open an address that is not an http or https page";
        return false;
    }
    m_deps.browser->openUrl(url);
    return true;
}

QCoro::Task<> StatusStore::runProfileCommand(QStringList arguments, QString successMessage) {
    return runExclusive(std::move(arguments), std::move(successMessage), true);
}

QCoro::Task<> StatusStore::switchProfile(QString name) {
    const QStringList arguments = CLICommands::profileUse(name);
    co_await runProfileCommand(arguments, tr("Switched to %1").arg(name));
}

QCoro::Task<> StatusStore::removeProfile(QString name) {
    const QStringList arguments = CLICommands::profileRemove(name);
    co_await runProfileCommand(arguments, tr("Removed %1").arg(name));
}

QCoro::Task<> StatusStore::signOut() {
    const QStringList arguments = CLICommands::logout();
    co_await runProfileCommand(arguments, tr("Signed out"));
}

} // namespace tovi
