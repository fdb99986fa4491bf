#pragma once

#include "model/Result.h"
#include "updater/AppUpdater.h"
#include "updater/AppcastItem.h"
#include "updater/UpdateTexts.h"

#include <QByteArray>
#include <QDateTime>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;

namespace tovi {

class UserDefaults;
class UpdateFetcher;
class UpdateNotifier;
class UpdatePrompter;

// The application's own updater: reads a signed appcast feed, tells the user about a newer
// release (a dialog when they asked, a desktop notification otherwise), and, when allowed,
// downloads it, checks its Ed25519 signature and swaps it in for the running AppImage.
// Installations made by a package manager are left to that package manager.
//
// This class holds the schedule, the stored choices and the decisions (what is new, what
// was already said, what follows a download); the transfers are UpdateFetcher's and the
// wording is UpdateTexts'.
class FeedUpdater : public AppUpdater {
    Q_OBJECT
public:
    struct Options {
        // The application's one settings instance (the updater's keys are its "updater/…");
        // null: the per-user file.
        std::shared_ptr<UserDefaults> settings;
        QUrl feedUrl;         // empty: updates are not configured for this build
        QByteArray publicKey; // base64 raw Ed25519 key
        QString currentVersion;
        QString currentBuild;
        QString appImagePath;      // empty when not running as an AppImage
        QString downloadDirectory; // where downloads are kept
        // Null members are created as children of the updater with their live kind.
        QNetworkAccessManager* network = nullptr;
        UpdateNotifier* notifier = nullptr;
        UpdatePrompter* prompter = nullptr;
        std::function<void(const QString& appImagePath)> restart;
        // Automatic checks leave the first moments after launch to the application itself.
        std::chrono::seconds firstCheckDelay{30};

        // This build and this session: build settings, environment and standard paths.
        static Options fromEnvironment(std::shared_ptr<UserDefaults> settings);
    };

    enum class CheckKind { userInitiated, background };

    explicit FeedUpdater(Options options, QObject* parent = nullptr);
    ~FeedUpdater() override;

    bool automaticallyChecksForUpdates() const override;
    void setAutomaticallyChecksForUpdates(bool value) override;
    bool automaticallyDownloadsUpdates() const override;
    void setAutomaticallyDownloadsUpdates(bool value) override;
    void setUpdateCheckInterval(double seconds) override;
    bool canCheckForUpdates() const override;
    bool hasUpdateFeed() const override { return !m_options.feedUrl.isEmpty(); }
    void checkForUpdates() override;

    // One whole check, including what follows it without the user (background downloads).
    // Does nothing while another check or download runs.
    QCoro::Task<> check(CheckKind kind);
    // Downloads, verifies and (for an AppImage) installs the update found by the last
    // check; reports through dialogs when the user asked for it, else through notices.
    QCoro::Task<> downloadUpdate(CheckKind kind);

    std::chrono::seconds updateCheckInterval() const { return m_interval; }
    QDateTime lastCheckTime() const;
    // When the next automatic check runs; invalid while automatic checks are off.
    QDateTime nextCheckDue() const;
    std::optional<AppcastItem> foundUpdate() const { return m_found; }
    bool isRunningAsReplaceableAppImage() const;

private:
    QCoro::Task<Result<std::optional<AppcastItem>>> fetchNewerRelease();
    QCoro::Task<> installUpdate(AppcastItem item, CheckKind kind);
    void finishCheck(CheckKind kind, const Result<std::optional<AppcastItem>>& result);
    void setBusy(bool busy);
    void scheduleNextCheck();
    void onCheckTimer();
    void onAction(const QString& action);
    void report(CheckKind kind, const UpdateTexts::Report& report);

    Options m_options;
    std::shared_ptr<UserDefaults> m_settings;
    QPointer<QNetworkAccessManager> m_network;
    QPointer<UpdateNotifier> m_notifier;
    QPointer<UpdatePrompter> m_prompter;
    QTimer m_timer;
    QDateTime m_startedAt;
    std::chrono::seconds m_interval{3600};
    bool m_busy = false;
    bool m_lastCanCheck = false;
    std::optional<AppcastItem> m_found;
    // Builds already announced in the background this session, and the one installed
    // and waiting for a restart: neither is announced again every hour.
    QString m_announcedBuild;
    std::optional<AppcastItem> m_installed;
    std::unique_ptr<UpdateFetcher> m_fetcher;
    // Cleared first thing in the destructor, while QPointers to us still look valid.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace tovi
