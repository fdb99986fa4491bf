#pragma once

#include "model/AppLocation.h"
#include "model/DaemonState.h"
#include "model/Records.h"
#include "model/Result.h"
#include "platform/Settings.h"
#include "store/StoreTypes.h"
#include "store/TaskHandle.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <qcoro/qcorotask.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace tovi {

class Browser;
class CLICommandRunner;
class Clock;
class KeepAwake;
class LoginItem;
class StatusSource;
class UserDefaults;

// Everything the store is built from. The constructor takes them as given (a null `source`
// becomes a CLIStatusSource over `cliRunner`); withLiveDependencies() (store/LiveDependencies.h)
// fills every other null member with the live implementation, as shared() does.
struct StatusStoreDependencies {
    std::shared_ptr<StatusSource> source;
    std::chrono::milliseconds interval{5000};
    std::shared_ptr<CLICommandRunner> cliRunner;
    std::shared_ptr<UserDefaults> defaults;
    std::function<DaemonState()> daemonStateProvider;
    std::shared_ptr<LoginItem> loginItem;
    std::shared_ptr<KeepAwake> keepAwake;
    std::shared_ptr<Browser> browser;
    std::shared_ptr<Clock> clock;
    std::function<AppLocation()> appLocation;
    QString webOrigin; // empty: the configured service web origin
    // How long the automatic CLI update may run before it is ended and counts as failed.
    std::chrono::milliseconds autoUpdateTimeLimit{std::chrono::minutes(10)};
};

// The one observable model of the application: the latest status snapshot and every
// value the window shows, kept fresh by a polling loop, plus every user action. All of it
// lives on the GUI thread; operations give way only while they await a CLI run, another
// task or a sleep.
class StatusStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<tovi::InternalStatus> status READ status NOTIFY statusChanged)
    Q_PROPERTY(std::optional<QString> lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(std::optional<QDateTime> lastUpdated READ lastUpdated NOTIFY lastUpdatedChanged)
    Q_PROPERTY(bool isRefreshing READ isRefreshing NOTIFY isRefreshingChanged)
    Q_PROPERTY(tovi::DaemonState daemonState READ daemonState NOTIFY daemonStateChanged)
    Q_PROPERTY(bool isMaintaining READ isMaintaining NOTIFY isMaintainingChanged)
    Q_PROPERTY(
        std::optional<QString> maintenanceMessage READ maintenanceMessage NOTIFY maintenanceMessageChanged)
    Q_PROPERTY(bool launchAtLoginEnabled READ launchAtLoginEnabled NOTIFY launchAtLoginEnabledChanged)
    Q_PROPERTY(tovi::BootstrapState bootstrapState READ bootstrapState NOTIFY bootstrapStateChanged)
    Q_PROPERTY(bool historySyncEnabled READ historySyncEnabled NOTIFY historySyncEnabledChanged)
    Q_PROPERTY(bool historySyncApplying READ historySyncApplying NOTIFY historySyncApplyingChanged)
    Q_PROPERTY(std::optional<QString> historySyncError READ historySyncError NOTIFY historySyncErrorChanged)
    Q_PROPERTY(tovi::SignInPhase signInPhase READ signInPhase NOTIFY signInPhaseChanged)
    Q_PROPERTY(std::optional<QString> signInError READ signInError NOTIFY signInErrorChanged)
    Q_PROPERTY(QList<tovi::Profile> profiles READ profiles NOTIFY profilesChanged)
    Q_PROPERTY(std::optional<QString> teamId READ teamId NOTIFY teamIdChanged)
    Q_PROPERTY(bool autoUpdateCLI READ autoUpdateCLI WRITE setAutoUpdateCLI NOTIFY autoUpdateCLIChanged)
    Q_PROPERTY(bool keepAwake READ keepAwake WRITE setKeepAwake NOTIFY keepAwakeChanged)
    Q_PROPERTY(bool notificationsEnabled READ notificationsEnabled WRITE setNotificationsEnabled NOTIFY
                   notificationsEnabledChanged)

public:
    explicit StatusStore(StatusStoreDependencies dependencies, QObject* parent = nullptr);
    ~StatusStore() override;

    // The process-wide store, created on first use with the live collaborators.
    static StatusStore& shared();
    // The settings the store was made with: the one instance over the settings file, for the
    // other parts that keep settings (the updater).
    const std::shared_ptr<UserDefaults>& settings() const { return m_deps.defaults; }

    // Fields.
    const std::optional<InternalStatus>& status() const { return m_status; }
    const std::optional<QString>& lastError() const { return m_lastError; }
    const std::optional<QDateTime>& lastUpdated() const { return m_lastUpdated; }
    bool isRefreshing() const { return m_isRefreshing; }
    DaemonState daemonState() const { return m_daemonState; }
    bool isMaintaining() const { return m_isMaintaining; }
    const std::optional<QString>& maintenanceMessage() const { return m_maintenanceMessage; }
    bool launchAtLoginEnabled() const { return m_launchAtLoginEnabled; }
    BootstrapState bootstrapState() const { return m_bootstrapState; }
    TaskHandlePtr bootstrapTask() const { return m_bootstrapTask; }
    bool historySyncEnabled() const { return m_historySyncEnabled; }
    bool historySyncApplying() const { return m_historySyncApplying; }
    const std::optional<QString>& historySyncError() const { return m_historySyncError; }
    TaskHandlePtr historySyncTask() const { return m_historySyncTask; }
    const QSet<QString>& pendingHistoryProfiles() const { return m_pendingHistoryProfiles; }
    SignInPhase signInPhase() const { return m_signInPhase; }
    const std::optional<QString>& signInError() const { return m_signInError; }
    const QList<Profile>& profiles() const { return m_profiles; }
    TaskHandlePtr signInTask() const { return m_signInTask; }
    const std::optional<QString>& teamId() const { return m_teamId; }
    TaskHandlePtr pollTask() const { return m_pollTask; }

    // Derived.
    bool autoUpdateCLI() const;
    bool keepAwake() const;            // the stored "keepAwake" preference
    bool notificationsEnabled() const; // the stored "notifications" preference, on by default
    QString webOrigin() const;
    AppLocation appLocation() const;

    // Hands `url` to the user's browser when it is a web address (see isWebAddress); anything
    // else is refused and logged. True when it was handed over.
    bool openAddress(const QUrl& url) const;

    // Core and polling.
    void start();
    // A reading of the status. The poll and the menu's Refresh call this: while a reading is
    // in flight they wait for it instead of starting another status command.
    QCoro::Task<> refresh();

    // Service control and CLI maintenance.
    TaskHandlePtr startBootstrap();
    QCoro::Task<> autoUpdateCLIIfDue();
    QCoro::Task<> restartService();
    QCoro::Task<> updateCLI();

    // Sign-in and profiles.
    void startSignIn(std::optional<QString> profile);
    void cancelSignIn();
    QCoro::Task<> loadProfiles();
    QCoro::Task<> fetchTeamId();
    // The team's page at `segments` (each one path segment, identifiers included); none
    // without a team or when a segment cannot be one.
    std::optional<QUrl> teamURL(const QStringList& segments) const;
    QUrl serviceURL(const QString& path) const; // the web origin followed by `path`
    QCoro::Task<> switchProfile(QString name);
    QCoro::Task<> removeProfile(QString name);
    QCoro::Task<> signOut();

    // Agent history sync.
    void setHistorySyncEnabled(bool value);
    TaskHandlePtr applyHistorySetting();
    QCoro::Task<> awaitHistorySync(QStringList names);
    QCoro::Task<Status> syncHistoryPass(bool enabled, QStringList profiles);
    static Result<bool> readHistoryDisabled(const QByteArray& output, const QString& key);

    // Preferences.
    void registerLoginItemOnFirstLaunch();
    void setLaunchAtLogin(bool enabled);
    void applyKeepAwake(bool enabled);
    void setKeepAwake(bool enabled);            // the switch: stores "keepAwake", then applies it
    void setAutoUpdateCLI(bool enabled);        // stores "autoUpdateCLI"
    void setNotificationsEnabled(bool enabled); // stores "notifications"
    bool isKeepAwakeActive() const { return m_keepAwakeActivity.has_value(); }
    // The switch is on and no inhibitor on this desktop would hold it; stays so until one does.
    bool keepAwakeUnavailable() const { return m_keepAwakeUnavailable; }

Q_SIGNALS:
    void statusChanged();
    void lastErrorChanged();
    void lastUpdatedChanged();
    void isRefreshingChanged();
    void daemonStateChanged();
    void isMaintainingChanged();
    void maintenanceMessageChanged();
    void launchAtLoginEnabledChanged();
    void bootstrapStateChanged();
    void historySyncEnabledChanged();
    void historySyncApplyingChanged();
    void historySyncErrorChanged();
    void signInPhaseChanged();
    void signInErrorChanged();
    void profilesChanged();
    void teamIdChanged();
    void autoUpdateCLIChanged();
    void notificationsEnabledChanged();
    void keepAwakeChanged();
    void keepAwakeUnavailableChanged();

private:
    // Setters that notify only on a changed value (profiles on every assignment).
    void setStatus(std::optional<InternalStatus> value);
    void setLastError(std::optional<QString> value);
    void setLastUpdated(std::optional<QDateTime> value);
    void setIsRefreshing(bool value);
    void setDaemonState(DaemonState value);
    void setIsMaintaining(bool value);
    void setMaintenanceMessage(std::optional<QString> value);
    void setLaunchAtLoginEnabledField(bool value);
    void setBootstrapState(BootstrapState value);
    void setHistorySyncEnabledField(bool value);
    void setHistorySyncApplying(bool value);
    void setHistorySyncError(std::optional<QString> value);
    void setSignInPhase(SignInPhase value);
    void setSignInError(std::optional<QString> value);
    void setProfiles(QList<Profile> value);
    void setTeamId(std::optional<QString> value);

    QCoro::Task<> pollLoop(TaskHandlePtr handle, TaskHandlePtr bootstrap);
    // A reading that starts now, for an action that must see its own effect: one in flight
    // began before the action and may tell of the state before it.
    QCoro::Task<> refreshAfterChange();
    QCoro::Task<> fetchStatus(quint64 reading);
    QCoro::Task<> runMaintenance(QStringList arguments, QString successMessage);
    QCoro::Task<> runProfileCommand(QStringList arguments, QString successMessage);
    // One user-requested command at a time: a second request while one runs is dropped.
    // Its outcome goes to maintenanceMessage; the account commands also reload profiles
    // and team before the final refresh.
    QCoro::Task<> runExclusive(QStringList arguments, QString successMessage, bool reloadsAccount);
    QCoro::Task<> bootstrapBody(TaskHandlePtr handle);
    QCoro::Task<> bootstrap();
    QCoro::Task<> historySyncLoop(TaskHandlePtr handle);
    QCoro::Task<> signInBody(TaskHandlePtr handle, std::optional<QString> profile);
    QCoro::Task<> signIn(TaskHandlePtr handle, std::optional<QString> profile);
    void endSignIn(const TaskHandlePtr& handle, const std::optional<Error>& error);
    // Saves a switch's value. One that cannot be saved still holds for this run (the settings
    // keep it in memory), and maintenanceMessage says why it will not outlast it.
    void saveSwitch(const Setting<bool>& setting, bool value);
    QString installCommandLine() const;
    double nowSeconds() const;

    StatusStoreDependencies m_deps;

    std::optional<InternalStatus> m_status;
    std::optional<QString> m_lastError;
    std::optional<QDateTime> m_lastUpdated;
    bool m_isRefreshing = false;
    DaemonState m_daemonState;
    bool m_isMaintaining = false;
    std::optional<QString> m_maintenanceMessage;
    bool m_launchAtLoginEnabled = false;
    BootstrapState m_bootstrapState;
    TaskHandlePtr m_bootstrapTask;
    bool m_historySyncEnabled = false;
    bool m_historySyncApplying = false;
    std::optional<QString> m_historySyncError;
    TaskHandlePtr m_historySyncTask;
    QSet<QString> m_pendingHistoryProfiles;
    SignInPhase m_signInPhase;
    std::optional<QString> m_signInError;
    QList<Profile> m_profiles;
    TaskHandlePtr m_signInTask;
    std::optional<QString> m_teamId;
    TaskHandlePtr m_pollTask;
    // The status fetch in flight, which later refreshes join instead of starting another.
    TaskHandlePtr m_refreshTask;
    // Readings are numbered as they start; one that finishes after a later-started one has
    // been shown is older news and is dropped.
    quint64 m_readingsStarted = 0;
    quint64 m_readingShown = 0;
    std::optional<int> m_keepAwakeActivity;
    bool m_keepAwakeUnavailable = false;
};

} // namespace tovi
