#pragma once

#include "model/Result.h"
#include "updater/AppcastItem.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <qcoro/qcorotask.h>

#include <memory>

class QNetworkAccessManager;

namespace tovi {

class UpdateRequest;

// The updater's two transfers: the feed, read into memory under a cap, and a release,
// streamed to disk under the feed's length and verified before it gets its final name. Kept
// apart from FeedUpdater, which decides when to fetch and what to tell the user: everything
// that touches the network or the download folder is here.
//
// Destroying the fetcher cancels the transfer under way; the coroutine waiting for it then
// ends with a cancelled error without touching the fetcher again.
class UpdateFetcher {
    Q_DECLARE_TR_FUNCTIONS(UpdateFetcher)
public:
    UpdateFetcher(QNetworkAccessManager* network, QString userAgent);
    ~UpdateFetcher();
    UpdateFetcher(const UpdateFetcher&) = delete;
    UpdateFetcher& operator=(const UpdateFetcher&) = delete;

    // Every offerable release the feed at `feed` lists.
    QCoro::Task<Result<QList<AppcastItem>>> fetchFeed(QUrl feed);
    // Downloads `item` into `directory` and checks its Ed25519 signature against
    // `publicKey`; the path of the verified file. Nothing is left behind on failure.
    QCoro::Task<Result<QString>> downloadVerified(AppcastItem item, QString directory, QByteArray publicKey);

private:
    QCoro::Task<> waitFor(UpdateRequest* request);

    QPointer<QNetworkAccessManager> m_network;
    QString m_userAgent;
    QPointer<UpdateRequest> m_activeRequest;
    // Cleared first thing in the destructor: the coroutines resumed by the cancel see it.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace tovi
