#include "updater/UpdateFetcher.h"

#include "updater/AppcastParser.h"
#include "updater/UpdateAddressPolicy.h"
#include "updater/UpdateRequest.h"
#include "updater/UpdateSignature.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>

#include <qcoro/qcorosignal.h>

namespace tovi {

namespace {

constexpr qint64 maxFeedBytes = 8 * 1024 * 1024;
// Downloads whose feed gives no length still must not fill the disk.
constexpr qint64 maxDownloadBytes = qint64(2) * 1024 * 1024 * 1024;

// A file name for the download that cannot climb out of the download directory.
QString downloadFileName(const AppcastItem& item) {
    QString name = QFileInfo(item.enclosureUrl.path()).fileName();
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._+-]")), QStringLiteral("_"));
    while (name.startsWith(u'.'))
        name.remove(0, 1);
    if (name.isEmpty())
        name = QStringLiteral("Tovi-%1.update").arg(item.build);
    return name;
}

} // namespace

UpdateFetcher::UpdateFetcher(QNetworkAccessManager* network, QString userAgent)
    : m_network(network)
    , m_userAgent(std::move(userAgent)) {}

UpdateFetcher::~UpdateFetcher() {
    // A request still running would otherwise keep its coroutine suspended for ever.
    // Cancelling resumes it at once; it sees `m_alive` cleared and unwinds without touching us.
    *m_alive = false;
    if (m_activeRequest)
        m_activeRequest->cancel();
}

QCoro::Task<> UpdateFetcher::waitFor(UpdateRequest* request) {
    const std::shared_ptr<bool> alive = m_alive;
    if (request->isDone())
        co_return;
    m_activeRequest = request;
    co_await qCoro(request, &UpdateRequest::done);
    if (*alive)
        m_activeRequest = nullptr;
}

QCoro::Task<Result<QList<AppcastItem>>> UpdateFetcher::fetchFeed(QUrl feed) {
    const std::shared_ptr<bool> alive = m_alive;
    if (const Status allowed = UpdateAddressPolicy::check(feed); !allowed)
        co_return allowed.error();

    auto request = std::make_unique<UpdateRequest>(m_network, feed, m_userAgent);
    QNetworkReply* raw = request->reply();
    auto tooLarge = std::make_shared<bool>(false);
    QObject::connect(raw, &QNetworkReply::downloadProgress, request.get(),
                     [raw, tooLarge](qint64 received, qint64) {
                         if (received > maxFeedBytes) {
                             *tooLarge = true;
                             raw->abort();
                         }
                     });
    co_await waitFor(request.get());
    if (!*alive)
        co_return Error::cancelled();
    if (*tooLarge)
        co_return Error::platform(tr("The update feed could not be loaded: it is too large."));
    if (const QString failure = request->failure(); !failure.isEmpty())
        co_return Error::platform(tr("The update feed could not be loaded: %1").arg(failure));
    Result<QList<AppcastItem>> items = AppcastParser::parse(raw->readAll());
    co_return items;
}

QCoro::Task<Result<QString>> UpdateFetcher::downloadVerified(AppcastItem item, QString directory,
                                                             QByteArray publicKey) {
    const std::shared_ptr<bool> alive = m_alive;
    if (const Status allowed = UpdateAddressPolicy::check(item.enclosureUrl); !allowed)
        co_return allowed.error();
    // Refuse before spending bandwidth on something that can never be used.
    if (const Status usable = UpdateSignature::checkInputs(item.edSignature, publicKey); !usable)
        co_return usable.error();
    // The feed's length narrows the cap, never widens it.
    if (item.enclosureLength > maxDownloadBytes)
        co_return Error::platform(
            tr("The update feed announces %1 bytes, more than the %2 bytes Tovi will download.")
                .arg(item.enclosureLength)
                .arg(maxDownloadBytes));

    if (!QDir().mkpath(directory))
        co_return Error::platform(
            tr("The download folder %1 could not be created.").arg(QDir::toNativeSeparators(directory)));
    const QString finalPath = QDir(directory).filePath(downloadFileName(item));
    const QString partPath = finalPath + QStringLiteral(".part");
    auto file = std::make_shared<QFile>(partPath);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate))
        co_return Error::platform(tr("The update could not be saved: %1").arg(file->errorString()));

    const qint64 limit = item.enclosureLength > 0 ? item.enclosureLength : maxDownloadBytes;
    auto overflow = std::make_shared<bool>(false);
    auto writeFailure = std::make_shared<QString>();
    auto request = std::make_unique<UpdateRequest>(m_network, item.enclosureUrl, m_userAgent);
    QNetworkReply* raw = request->reply();
    // Streamed to disk as it arrives; a large AppImage never sits in memory whole.
    QObject::connect(raw, &QNetworkReply::readyRead, request.get(),
                     [raw, file, limit, overflow, writeFailure]() {
                         const QByteArray chunk = raw->readAll();
                         if (file->size() + chunk.size() > limit) {
                             *overflow = true;
                             raw->abort();
                             return;
                         }
                         if (file->write(chunk) != chunk.size()) {
                             *writeFailure = file->errorString();
                             raw->abort();
                         }
                     });
    co_await waitFor(request.get());
    if (!*alive) {
        file->remove();
        co_return Error::cancelled();
    }
    raw = request->reply();
    const QString failure = request->failure();
    if (raw && failure.isEmpty() && raw->bytesAvailable() > 0) {
        const QByteArray rest = raw->readAll();
        if (file->size() + rest.size() > limit)
            *overflow = true;
        else if (file->write(rest) != rest.size())
            *writeFailure = file->errorString();
    }
    const qint64 received = file->size();
    const bool flushed = file->flush();
    file->close();

    auto discard = [&](const QString& reason) {
        QFile::remove(partPath);
        return Error::platform(reason);
    };
    if (*overflow)
        co_return discard(tr("The download is larger than the update feed says, so it was discarded."));
    if (!writeFailure->isEmpty() || !flushed)
        co_return discard(tr("The update could not be saved: %1")
                              .arg(writeFailure->isEmpty() ? file->errorString() : *writeFailure));
    if (!failure.isEmpty())
        co_return discard(tr("The update could not be downloaded: %1").arg(failure));
    if (item.enclosureLength > 0 && received != item.enclosureLength)
        co_return discard(tr("The download has %1 bytes instead of %2, so it was discarded.")
                              .arg(received)
                              .arg(item.enclosureLength));
    if (const Status verified = UpdateSignature::verifyFile(partPath, item.edSignature, publicKey); !verified)
        co_return discard(verified.error().description());

    QFile::remove(finalPath);
    if (!QFile::rename(partPath, finalPath))
        co_return discard(
            tr("The update could not be saved in %1.").arg(QDir::toNativeSeparators(directory)));
    co_return finalPath;
}

} // namespace tovi
