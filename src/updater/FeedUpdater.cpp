#include "updater/FeedUpdater.h"

#include "platform/QSettingsUserDefaults.h"

#include "BuildConfig.h"
#include "bridge/AppLocationProbe.h"
#include "model/Logging.h"
#include "platform/DesktopNotifications.h"
#include "updater/AppcastParser.h"
#include "updater/DesktopUpdateNotifier.h"
#include "updater/MessageBoxUpdatePrompter.h"
#include "updater/UpdateAddressPolicy.h"
#include "updater/UpdateFetcher.h"
#include "updater/UpdateInstaller.h"
#include "updater/UpdateNotifier.h"
#include "updater/UpdatePrompter.h"
#include "updater/UpdateRestarter.h"
#include "updater/UpdateTexts.h"

#include <QDBusConnection>
#include <QFile>
#include <QNetworkAccessManager>
#include <QStandardPaths>

#include <cmath>

namespace tovi {

namespace {

// Rechecked at least this often so that time spent in suspend still counts.
constexpr qint64 maxTimerMs = qint64(3600) * 1000;

} // namespace

FeedUpdater::Options FeedUpdater::Options::fromEnvironment(std::shared_ptr<UserDefaults> settings) {
    Options options;
    options.settings = std::move(settings);
    options.feedUrl = UpdateAddressPolicy::configuredFeed();
    options.publicKey = QByteArray(TOVI_UPDATE_PUBLIC_KEY);
    options.currentVersion = QString::fromUtf8(build::version);
    options.currentBuild = QString::fromUtf8(build::buildNumber);
    options.appImagePath = runningAppImage();
    QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (cache.isEmpty())
        cache =
            QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Tovi");
    options.downloadDirectory = cache + QStringLiteral("/updates");
    return options;
}

FeedUpdater::FeedUpdater(Options options, QObject* parent)
    : AppUpdater(parent)
    , m_options(std::move(options))
    , m_settings(m_options.settings ? m_options.settings : std::make_shared<QSettingsUserDefaults>())
    , m_startedAt(QDateTime::currentDateTimeUtc()) {
    m_network = m_options.network ? m_options.network : new QNetworkAccessManager(this);
    m_notifier = m_options.notifier
                     ? m_options.notifier
                     : new DesktopUpdateNotifier(createDesktopNotifications(this), this);
    m_prompter = m_options.prompter ? m_options.prompter : new MessageBoxUpdatePrompter(this);
    m_fetcher =
        std::make_unique<UpdateFetcher>(m_network, QStringLiteral("Tovi/%1").arg(m_options.currentVersion));
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
    // Cleared before the fetcher cancels its transfer: the check or download waiting for it
    // resumes at once, sees `m_alive` cleared and unwinds without touching us.
    *m_alive = false;
    m_fetcher.reset();
}

bool FeedUpdater::automaticallyChecksForUpdates() const {
    return m_settings->get(settings::automaticallyChecksForUpdates);
}

void FeedUpdater::setAutomaticallyChecksForUpdates(bool value) {
    (void)m_settings->set(settings::automaticallyChecksForUpdates, value);
    scheduleNextCheck();
}

bool FeedUpdater::automaticallyDownloadsUpdates() const {
    return m_settings->get(settings::automaticallyDownloadsUpdates);
}

void FeedUpdater::setAutomaticallyDownloadsUpdates(bool value) {
    (void)m_settings->set(settings::automaticallyDownloadsUpdates, value);
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
    const double seconds = m_settings->get(settings::lastUpdateCheck);
    if (seconds <= 0)
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
    (void)m_settings->set(settings::lastUpdateCheck, double(QDateTime::currentMSecsSinceEpoch()) / 1000.0);
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
        if (user)
            m_prompter->show(UpdateTexts::checkFailed(result.error().description()));
        return;
    }
    const std::optional<AppcastItem>& found = result.value();
    if (!found) {
        m_found.reset();
        if (user)
            m_prompter->show(UpdateTexts::upToDate(m_options.currentVersion));
        return;
    }
    m_found = *found;
    if (m_installed && m_installed->build == found->build) {
        if (user)
            report(kind, UpdateTexts::installed(*found));
        return;
    }
    if (!user && (m_announcedBuild == found->build || automaticallyDownloadsUpdates()))
        return;

    const bool replaceable = isRunningAsReplaceableAppImage();
    if (user) {
        m_prompter->show(UpdateTexts::available(*found, m_options.currentVersion, replaceable));
        return;
    }
    m_announcedBuild = found->build;
    m_notifier->notify(UpdateTexts::availableNotice(*found, m_options.currentVersion, replaceable));
}

QCoro::Task<Result<std::optional<AppcastItem>>> FeedUpdater::fetchNewerRelease() {
    QPointer<FeedUpdater> self(this);
    const std::shared_ptr<bool> alive = m_alive;
    const Result<QList<AppcastItem>> items = co_await m_fetcher->fetchFeed(m_options.feedUrl);
    if (!self || !*alive)
        co_return Error::cancelled();
    if (!items)
        co_return items.error();
    // Only a release newer than this one by version, then by build, is worth a word.
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
    Result<QString> downloaded =
        co_await m_fetcher->downloadVerified(item, m_options.downloadDirectory, m_options.publicKey);
    if (!self || !*alive)
        co_return;
    if (!downloaded) {
        report(kind, UpdateTexts::downloadFailed(item, downloaded.error().description()));
    } else if (isRunningAsReplaceableAppImage()) {
        const Status installed = UpdateInstaller::replaceAppImage(downloaded.value(), m_options.appImagePath);
        QFile::remove(downloaded.value());
        if (installed) {
            m_installed = item;
            report(kind, UpdateTexts::installed(item));
        } else {
            report(kind, UpdateTexts::installFailed(item, installed.error().description()));
        }
    } else {
        // Announced now: the background checks do not offer the same build again.
        m_announcedBuild = item.build;
        report(kind, UpdateTexts::downloaded(item, downloaded.value()));
    }
}

void FeedUpdater::report(CheckKind kind, const UpdateTexts::Report& report) {
    if (report.message.kind == UpdateMessage::Kind::warning)
        qCWarning(lcUpdater).noquote()
            << loggableText(report.notice.summary) + u':' << loggableText(report.notice.body);
    else
        qCInfo(lcUpdater).noquote() << loggableText(report.notice.summary);
    if (kind == CheckKind::userInitiated)
        m_prompter->show(report.message);
    else
        m_notifier->notify(report.notice);
}

void FeedUpdater::onAction(const QString& action) {
    // Whoever clicked asked for it: what follows is reported in dialogs.
    if (action == UpdateTexts::downloadAction)
        downloadUpdate(CheckKind::userInitiated);
    else if (action == UpdateTexts::restartAction && m_installed)
        m_options.restart(m_options.appImagePath);
}

} // namespace tovi
