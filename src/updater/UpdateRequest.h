#pragma once

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QUrl>

namespace tovi {

// One GET for the updater. Redirects must satisfy the same address rule as the first
// request, and `done` is emitted exactly once, whether the reply finishes, is cancelled
// or is destroyed with its network manager, so a coroutine waiting for it always resumes.
class UpdateRequest : public QObject {
    Q_OBJECT
public:
    UpdateRequest(QNetworkAccessManager* network, const QUrl& url, const QString& userAgent);
    ~UpdateRequest() override;

    QNetworkReply* reply() const { return m_reply; }
    bool isDone() const { return m_done; }
    // Why a redirect was refused; empty when none was.
    const QString& refusal() const { return m_refusal; }
    // What went wrong, in words for the user; empty when nothing did.
    QString failure() const;

    void cancel();

Q_SIGNALS:
    void done();

private:
    void finish();

    QPointer<QNetworkReply> m_reply;
    QString m_refusal;
    bool m_done = false;
};

} // namespace tovi
