#include "updater/FeedUpdater.h"

#include "platform/QSettingsUserDefaults.h"

#include "BuildConfig.h"
#include "model/Logging.h"
#include "updater/AppcastParser.h"
#include "updater/DesktopUpdateNotifier.h"
#include "updater/MessageBoxUpdatePrompter.h"
#include "updater/UpdateAddressPolicy.h"
#include "updater/UpdateInstaller.h"
#include "updater/UpdateNotifier.h"
#include "updater/UpdatePrompter.h"
#include "updater/UpdateRequest.h"
#include "updater/UpdateRestarter.h"
#include "updater/UpdateSignature.h"

#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QStandardPaths>

#include <qcoro/qcorosignal.h>

#include <cmath>

namespace tovi {

namespace {

const QString checksKey = QStringLiteral("updater/automaticallyChecksForUpdates");
const QString downloadsKey = QStringLiteral("updater/automaticallyDownloadsUpdates");
const QString lastCheckKey = QStringLiteral("updater/lastCheckTime");

const QString downloadAction = QStringLiteral("download");
const QString restartAction = QStringLiteral("restart");

constexpr qint64 maxFeedBytes = 8 * 1024 * 1024;
// Downloads whose feed gives no length still must not fill the disk.
constexpr qint64 maxDownloadBytes = qint64(2) * 1024 * 1024 * 1024;
// Rechecked at least this often so that time spent in suspend still counts.
constexpr qint64 maxTimerMs = qint64(3600) * 1000;

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

FeedUpdater::Options FeedUpdater::Options::fromEnvironment() {
    Options options;
    options.settingsFile = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                           QStringLiteral("/Tovi/Tovi.conf");
    options.feedUrl = UpdateAddressPolicy::configuredFeed();
    options.publicKey = QByteArray(TOVI_UPDATE_PUBLIC_KEY);
    options.currentVersion = QString::fromUtf8(build::version);
    options.currentBuild = QString::fromUtf8(build::buildNumber);
    options.appImagePath = qEnvironmentVariable("APPIMAGE");
    QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (cache.isEmpty())
        cache =
            QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Tovi");
    options.downloadDirectory = cache + QStringLiteral("/updates");
    options.appId = QString::fromUtf8(build::appId);
    return options;
}

FeedUpdater::FeedUpdater(Options options, QObject* parent)
    : AppUpdater(parent)
    , m_options(std::move(options))
    , m_settings(std::make_unique<QSettingsUserDefaults>(m_options.settingsFile))
    , m_startedAt(QDateTime::currentDateTimeUtc()) {
    m_network = m_options.network ? m_options.network : new QNetworkAccessManager(this);
    m_notifier = m_options.notifier
                     ? m_options.notifier
                     : new DesktopUpdateNotifier(QDBusConnection::sessionBus(), m_options.appId, this);
    m_prompter = m_options.prompter ? m_options.prompter : new MessageBoxUpdatePrompter(this);
    if (!m_options.restart)
        m_options.restart = [](const QString& path) { UpdateRestarter::relaunchAfterExit(path); };

    connect(m_notifier, &UpdateNotifier::actionInvoked, this, &FeedUpdater::onAction);
    connect(m_prompter, &UpdatePrompter::accepted, this, &FeedUpdater::onAction);

    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &FeedUpdater::onCheckTimer);
    m_lastCanCheck = canCheckForUpdates();
    scheduleNextCheck();
}

FeedUpdater::~FeedUpdater() {
    // A request still running would otherwise keep its coroutine suspended for ever.
    // Cancelling resumes it at once; it sees `m_alive` cleared and unwinds without touching us.
    *m_alive = false;
    if (m_activeRequest)
        m_activeRequest->cancel();
}

bool FeedUpdater::readFlag(const QString& key, bool fallback) const {
    return m_settings->boolValue(key).value_or(fallback);
}

void FeedUpdater::writeFlag(const QString& key, bool value) {
    (void)m_settings->setValue(key, value);
}

bool FeedUpdater::automaticallyChecksForUpdates() const {
    return readFlag(checksKey, true);
}

void FeedUpdater::setAutomaticallyChecksForUpdates(bool value) {
    writeFlag(checksKey, value);
    scheduleNextCheck();
}

bool FeedUpdater::automaticallyDownloadsUpdates() const {
    return readFlag(downloadsKey, false);
}

void FeedUpdater::setAutomaticallyDownloadsUpdates(bool value) {
    writeFlag(downloadsKey, value);
}

void FeedUpdater::setUpdateCheckInterval(double seconds) {
    // A feed is not a service to poll: under a minute is taken for a mistake.
    if (!std::isfinite(seconds) || seconds <= 0)
        return;
    m_interval = std::chrono::seconds(qint64(std::clamp(seconds, 60.0, 365.0 * 86400.0)));
    scheduleNextCheck();
}

bool FeedUpdater::canCheckForUpdates() const {
    return !m_busy && !m_options.feedUrl.isEmpty();
}

void FeedUpdater::setBusy(bool busy) {
    m_busy = busy;
    const bool can = canCheckForUpdates();
    if (can != m_lastCanCheck) {
        m_lastCanCheck = can;
        Q_EMIT canCheckForUpdatesChanged(can);
    }
    // The timer skips its turn while busy: whatever work ends, the schedule goes on.
    if (!busy)
        scheduleNextCheck();
}

bool FeedUpdater::isRunningAsReplaceableAppImage() const {
    return UpdateInstaller::canReplace(m_options.appImagePath);
}

QDateTime FeedUpdater::lastCheckTime() const {
    bool ok = false;
    const double seconds = m_settings->value(lastCheckKey).toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds <= 0)
        return {};
    return QDateTime::fromMSecsSinceEpoch(qint64(seconds * 1000), Qt::UTC);
}

QDateTime FeedUpdater::nextCheckDue() const {
    if (!automaticallyChecksForUpdates() || m_options.feedUrl.isEmpty())
        return {};
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QDateTime last = lastCheckTime();
    // A last check "in the future" means the clock moved back; start counting again.
    QDateTime due = last.isValid() && last <= now ? last.addSecs(m_interval.count()) : now;
    return std::max(due, m_startedAt.addSecs(m_options.firstCheckDelay.count()));
}

void FeedUpdater::scheduleNextCheck() {
    m_timer.stop();
    const QDateTime due = nextCheckDue();
    if (!due.isValid())
        return;
    const qint64 ms = std::clamp(QDateTime::currentDateTimeUtc().msecsTo(due), qint64(0), maxTimerMs);
    m_timer.start(std::chrono::milliseconds(ms));
}

void FeedUpdater::onCheckTimer() {
    // A check or download under way reschedules when it ends (setBusy).
    if (m_busy)
        return;
    if (QDateTime::currentDateTimeUtc() < nextCheckDue()) {
        scheduleNextCheck();
        return;
    }
    check(CheckKind::background);
}

void FeedUpdater::checkForUpdates() {
    if (!canCheckForUpdates())
        return;
    check(CheckKind::userInitiated);
}

QCoro::Task<> FeedUpdater::check(CheckKind kind) {
    QPointer<FeedUpdater> self(this);
    const std::shared_ptr<bool> alive = m_alive;
    if (m_busy || m_options.feedUrl.isEmpty())
        co_return;
    setBusy(true);
    const Result<std::optional<AppcastItem>> result = co_await fetchNewerRelease();
    if (!self || !*alive)
        co_return;
    (void)m_settings->setValue(lastCheckKey, double(QDateTime::currentMSecsSinceEpoch()) / 1000.0);
    finishCheck(kind, result);

    // In the background each build is fetched once per session, successful or not.
    if (kind == CheckKind::background && result.ok() && result.value() && automaticallyDownloadsUpdates() &&
        m_announcedBuild != result.value()->build &&
        (!m_installed || m_installed->build != result.value()->build)) {
        m_announcedBuild = result.value()->build;
        co_await installUpdate(*result.value(), kind);
        if (!self || !*alive)
            co_return;
    }
    setBusy(false);
}

void FeedUpdater::finishCheck(CheckKind kind, const Result<std::optional<AppcastItem>>& result) {
    const bool user = kind == CheckKind::userInitiated;
    if (!result) {
        // Not a warning: an offline machine would write one at every scheduled check.
        qCInfo(lcUpdater).noquote() << "update check failed:" << result.error().description();
        // Background failures (offline, server down) are not worth interrupting anyone for.
        if (user) {
            UpdateMessage message;
            message.kind = UpdateMessage::Kind::warning;
            message.title = QStringLiteral("Update Error");
            message.text = QStringLiteral("Tovi could not check for updates.");
            message.detail = result.error().description();
            m_prompter->show(message);
        }
        return;
    }
    const std::optional<AppcastItem>& found = result.value();
    if (!found) {
        m_found.reset();
        if (user) {
            UpdateMessage message;
            message.title = QStringLiteral("You\u2019re up to date!");
            message.text =
                QStringLiteral("Tovi %1 is the newest version available.").arg(m_options.currentVersion);
            m_prompter->show(message);
        }
        return;
    }
    m_found = *found;
    if (m_installed && m_installed->build == found->build) {
        if (user)
            offerRestart(kind, *found);
        return;
    }
    if (!user && (m_announcedBuild == found->build || automaticallyDownloadsUpdates()))
        return;

    const QString version = found->displayVersion();
    const bool replaceable = isRunningAsReplaceableAppImage();
    if (user) {
        UpdateMessage message;
        message.title = QStringLiteral("Software Update");
        message.text = QStringLiteral("A new version of Tovi is available!");
        message.detail = QStringLiteral("Tovi %1 is now available \u2014 you have %2.")
                             .arg(version, m_options.currentVersion);
        if (!replaceable)
            message.detail += QStringLiteral(
                " Download it now to get a verified copy, then install it through your package manager.");
        message.link = found->releaseNotesLink;
        message.linkLabel = QStringLiteral("Release notes");
        message.acceptAction = downloadAction;
        message.acceptLabel = QStringLiteral("Download");
        message.rejectLabel = QStringLiteral("Later");
        m_prompter->show(message);
        return;
    }
    m_announcedBuild = found->build;
    UpdateNotice notice;
    notice.summary = QStringLiteral("Tovi %1 is available").arg(version);
    if (replaceable) {
        notice.body = QStringLiteral("You have %1. Download and install the new version now?")
                          .arg(m_options.currentVersion);
        notice.action = downloadAction;
        notice.actionLabel = QStringLiteral("Download");
    } else {
        notice.body = QStringLiteral("You have %1. Update Tovi through your package manager.")
                          .arg(m_options.currentVersion);
    }
    m_notifier->notify(notice);
}

QString FeedUpdater::userAgent() const {
    return QStringLiteral("Tovi/%1").arg(m_options.currentVersion);
}

QCoro::Task<> FeedUpdater::waitFor(UpdateRequest* request) {
    QPointer<FeedUpdater> self(this);
    if (request->isDone())
        co_return;
    m_activeRequest = request;
    co_await qCoro(request, &UpdateRequest::done);
    // Still safe while our destructor runs: that is the one time `self` is set but gone soon.
    if (self)
        m_activeRequest = nullptr;
}

QCoro::Task<Result<std::optional<AppcastItem>>> FeedUpdater::fetchNewerRelease() {
    QPointer<FeedUpdater> self(this);
    const std::shared_ptr<bool> alive = m_alive;
    const QUrl feed = m_options.feedUrl;
    if (const Status allowed = UpdateAddressPolicy::check(feed); !allowed)
        co_return allowed.error();

    auto request = std::make_unique<UpdateRequest>(m_network, feed, userAgent());
    QNetworkReply* raw = request->reply();
    auto tooLarge = std::make_shared<bool>(false);
    connect(raw, &QNetworkReply::downloadProgress, request.get(), [raw, tooLarge](qint64 received, qint64) {
        if (received > maxFeedBytes) {
            *tooLarge = true;
            raw->abort();
        }
    });
    co_await waitFor(request.get());
    if (!self || !*alive)
        co_return Error::cancelled();
    if (*tooLarge)
        co_return Error::platform(QStringLiteral("The update feed could not be loaded: it is too large."));
    if (const QString failure = request->failure(); !failure.isEmpty())
        co_return Error::platform(QStringLiteral("The update feed could not be loaded: %1").arg(failure));
    const QByteArray document = raw->readAll();
    Result<QList<AppcastItem>> items = AppcastParser::parse(document);
    if (!items)
        co_return items.error();
    const std::optional<AppcastItem> newest = AppcastParser::newest(items.value());
    const ReleaseVersion current{Version(m_options.currentVersion), Version(m_options.currentBuild)};
    if (!newest || newest->releaseVersion() <= current)
        co_return std::optional<AppcastItem>();
    co_return newest;
}

QCoro::Task<> FeedUpdater::downloadUpdate(CheckKind kind) {
    QPointer<FeedUpdater> self(this);
    const std::shared_ptr<bool> alive = m_alive;
    if (m_busy || !m_found)
        co_return;
    setBusy(true);
    co_await installUpdate(*m_found, kind);
    if (self && *alive)
        setBusy(false);
}

QCoro::Task<> FeedUpdater::installUpdate(AppcastItem item, CheckKind kind) {
    QPointer<FeedUpdater> self(this);
    const std::shared_ptr<bool> alive = m_alive;
    Result<QString> downloaded = co_await downloadVerified(item);
    if (!self || !*alive)
        co_return;
    const QString version = item.displayVersion();
    if (!downloaded) {
        UpdateMessage message;
        message.kind = UpdateMessage::Kind::warning;
        message.title = QStringLiteral("Update Error");
        message.text = QStringLiteral("Tovi %1 could not be downloaded.").arg(version);
        message.detail = downloaded.error().description();
        UpdateNotice notice;
        notice.summary = QStringLiteral("Tovi %1 could not be downloaded").arg(version);
        notice.body = downloaded.error().description();
        report(kind, message, notice);
    } else if (isRunningAsReplaceableAppImage()) {
        const Status installed = UpdateInstaller::replaceAppImage(downloaded.value(), m_options.appImagePath);
        QFile::remove(downloaded.value());
        if (installed) {
            m_installed = item;
            offerRestart(kind, item);
        } else {
            UpdateMessage message;
            message.kind = UpdateMessage::Kind::warning;
            message.title = QStringLiteral("Update Error");
            message.text = QStringLiteral("Tovi %1 could not be installed.").arg(version);
            message.detail = installed.error().description();
            UpdateNotice notice;
            notice.summary = QStringLiteral("Tovi %1 could not be installed").arg(version);
            notice.body = installed.error().description();
            report(kind, message, notice);
        }
    } else {
        m_announcedBuild = item.build;
        UpdateMessage message;
        message.title = QStringLiteral("Software Update");
        message.text = QStringLiteral("Tovi %1 has been downloaded and verified.").arg(version);
        message.detail =
            QStringLiteral("Install it through your package manager. The verified package is at %1")
                .arg(QDir::toNativeSeparators(downloaded.value()));
        UpdateNotice notice;
        notice.summary = QStringLiteral("Tovi %1 is available").arg(version);
        notice.body = QStringLiteral(
                          "Update Tovi through your package manager. A verified package was downloaded to %1")
                          .arg(QDir::toNativeSeparators(downloaded.value()));
        report(kind, message, notice);
    }
}

QCoro::Task<Result<QString>> FeedUpdater::downloadVerified(AppcastItem item) {
    QPointer<FeedUpdater> self(this);
    const std::shared_ptr<bool> alive = m_alive;
    if (const Status allowed = UpdateAddressPolicy::check(item.enclosureUrl); !allowed)
        co_return allowed.error();
    // Refuse before spending bandwidth on something that can never be used.
    if (const Status usable = UpdateSignature::checkInputs(item.edSignature, m_options.publicKey); !usable)
        co_return usable.error();
    // The feed's length narrows the cap, never widens it.
    if (item.enclosureLength > maxDownloadBytes)
        co_return Error::platform(
            QStringLiteral("The update feed announces %1 bytes, more than the %2 bytes Tovi will download.")
                .arg(item.enclosureLength)
                .arg(maxDownloadBytes));

    if (!QDir().mkpath(m_options.downloadDirectory))
        co_return Error::platform(QStringLiteral("The download folder %1 could not be created.")
                                      .arg(QDir::toNativeSeparators(m_options.downloadDirectory)));
    const QString finalPath = QDir(m_options.downloadDirectory).filePath(downloadFileName(item));
    const QString partPath = finalPath + QStringLiteral(".part");
    auto file = std::make_shared<QFile>(partPath);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate))
        co_return Error::platform(
            QStringLiteral("The update could not be saved: %1").arg(file->errorString()));

    const qint64 limit = item.enclosureLength > 0 ? item.enclosureLength : maxDownloadBytes;
    auto overflow = std::make_shared<bool>(false);
    auto writeFailure = std::make_shared<QString>();
    auto request = std::make_unique<UpdateRequest>(m_network, item.enclosureUrl, userAgent());
    QNetworkReply* raw = request->reply();
    // Streamed to disk as it arrives; a large AppImage never sits in memory whole.
    connect(raw, &QNetworkReply::readyRead, request.get(), [raw, file, limit, overflow, writeFailure]() {
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
    if (!self || !*alive) {
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
        co_return discard(
            QStringLiteral("The download is larger than the update feed says, so it was discarded."));
    if (!writeFailure->isEmpty() || !flushed)
        co_return discard(QStringLiteral("The update could not be saved: %1")
                              .arg(writeFailure->isEmpty() ? file->errorString() : *writeFailure));
    if (!failure.isEmpty())
        co_return discard(QStringLiteral("The update could not be downloaded: %1").arg(failure));
    if (item.enclosureLength > 0 && received != item.enclosureLength)
        co_return discard(QStringLiteral("The download has %1 bytes instead of %2, so it was discarded.")
                              .arg(received)
                              .arg(item.enclosureLength));
    if (const Status verified = UpdateSignature::verifyFile(partPath, item.edSignature, m_options.publicKey);
        !verified)
        co_return discard(verified.error().description());

    QFile::remove(finalPath);
    if (!QFile::rename(partPath, finalPath))
        co_return discard(QStringLiteral("The update could not be saved in %1.")
                              .arg(QDir::toNativeSeparators(m_options.downloadDirectory)));
    co_return finalPath;
}

void FeedUpdater::offerRestart(CheckKind kind, const AppcastItem& item) {
    UpdateMessage message;
    message.title = QStringLiteral("Software Update");
    message.text = QStringLiteral("Tovi %1 is installed.").arg(item.displayVersion());
    message.detail = QStringLiteral("Restart Tovi to use the new version.");
    message.acceptAction = restartAction;
    message.acceptLabel = QStringLiteral("Restart");
    message.rejectLabel = QStringLiteral("Later");
    UpdateNotice notice;
    notice.summary = QStringLiteral("Tovi %1 is ready").arg(item.displayVersion());
    notice.body = QStringLiteral("The update is installed. Restart Tovi to use it.");
    notice.action = restartAction;
    notice.actionLabel = QStringLiteral("Restart");
    report(kind, message, notice);
}

void FeedUpdater::report(CheckKind kind, const UpdateMessage& message, const UpdateNotice& notice) {
    if (message.kind == UpdateMessage::Kind::warning)
        qCWarning(lcUpdater).noquote() << notice.summary + u':' << notice.body;
    else
        qCInfo(lcUpdater).noquote() << notice.summary;
    if (kind == CheckKind::userInitiated)
        m_prompter->show(message);
    else
        m_notifier->notify(notice);
}

void FeedUpdater::onAction(const QString& action) {
    // Whoever clicked asked for it: what follows is reported in dialogs.
    if (action == downloadAction)
        downloadUpdate(CheckKind::userInitiated);
    else if (action == restartAction && m_installed)
        m_options.restart(m_options.appImagePath);
}

} // namespace tovi
