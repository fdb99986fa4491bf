#include "ui/BodyViewModel.h"

#include "model/DisplayRules.h"
#include "store/StatusStore.h"
#include "store/WebOrigin.h"
#include "ui/SpacesViewModel.h"
#include "ui/StatusTexts.h"

#include <QUrl>

namespace tovi {

BodyViewModel::BodyViewModel(StatusStore* store, ColorScheme* colors, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_spaces(new SpacesViewModel(store, colors, this)) {
    const auto request = [this] { m_gate.request(); };
    connect(m_store, &StatusStore::statusChanged, this, request);
    connect(m_store, &StatusStore::signInPhaseChanged, this, request);
    connect(m_store, &StatusStore::signInErrorChanged, this, request);
    recompute();
}

void BodyViewModel::setActive(bool active) {
    m_gate.setOpen(active);
    m_spaces->setActive(active);
}

void BodyViewModel::signIn() {
    m_store->startSignIn(std::nullopt);
}

void BodyViewModel::createAccount() {
    m_store->openAddress(m_store->serviceURL(QStringLiteral("/create-account")));
}

void BodyViewModel::cancelSignIn() {
    m_store->cancelSignIn();
}

void BodyViewModel::reopenApprovalPage() {
    if (m_showReopenLink)
        m_store->openAddress(QUrl(m_approvalUrl, QUrl::StrictMode));
}

void BodyViewModel::recompute() {
    const bool signedOut = isSignedOut(m_store->status());
    const SignInPhase& phase = m_store->signInPhase();
    const bool awaiting = phase.kind == SignInPhase::Kind::awaitingApproval;
    const QString url = awaiting ? phase.url : QString();
    const bool reopen = awaiting && isWebAddress(url);
    const std::optional<QString>& error = m_store->signInError();
    if (signedOut == m_signedOut && awaiting == m_awaitingApproval && url == m_approvalUrl &&
        reopen == m_showReopenLink && error == m_signInError)
        return;
    m_signedOut = signedOut;
    m_awaitingApproval = awaiting;
    m_approvalUrl = url;
    m_showReopenLink = reopen;
    m_signInError = error;
    Q_EMIT changed();
}

} // namespace tovi
