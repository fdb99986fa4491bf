#include "updater/UpdateRequest.h"

#include "updater/UpdateAddressPolicy.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace tovi {

namespace {
constexpr int transferTimeoutMs = 60 * 1000;
}

UpdateRequest::UpdateRequest(QNetworkAccessManager* network, const QUrl& url, const QString& userAgent) {
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent);
    request.setTransferTimeout(transferTimeoutMs);
    m_reply = network->get(request);
    QNetworkReply* reply = m_reply;
    connect(reply, &QNetworkReply::redirected, this, [this, reply](const QUrl& target) {
        const Status allowed = UpdateAddressPolicy::check(target);
        if (allowed) {
            Q_EMIT reply->redirectAllowed();
        } else {
            m_refusal = allowed.error().description();
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, &UpdateRequest::finish);
    connect(reply, &QObject::destroyed, this, &UpdateRequest::finish);
}

UpdateRequest::~UpdateRequest() {
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

QString UpdateRequest::failure() const {
    if (!m_refusal.isEmpty())
        return m_refusal;
    if (!m_reply)
        return tr("the request was cancelled.");
    if (m_reply->error() == QNetworkReply::NoError)
        return {};
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400)
        return tr("the server answered %1 %2.")
            .arg(status)
            .arg(m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    return m_reply->errorString();
}

void UpdateRequest::cancel() {
    if (m_reply && !m_done)
        m_reply->abort();
    finish();
}

void UpdateRequest::finish() {
    if (m_done)
        return;
    m_done = true;
    Q_EMIT done();
}

} // namespace tovi
