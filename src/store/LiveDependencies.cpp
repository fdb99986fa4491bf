#include "store/LiveDependencies.h"

#include "bridge/AppLocationProbe.h"
#include "bridge/DaemonStateProbe.h"
#include "bridge/ProcessCLICommandRunner.h"
#include "platform/BoottimeClock.h"
#include "platform/DBusKeepAwake.h"
#include "platform/DesktopBrowser.h"
#include "platform/QSettingsUserDefaults.h"
#include "platform/XdgAutostartLoginItem.h"
#include "store/StatusSource.h"

#include "BuildConfig.h"

#include <QtGlobal>

namespace tovi {

StatusStoreDependencies withLiveDependencies(StatusStoreDependencies deps) {
    if (!deps.cliRunner)
        deps.cliRunner = std::make_shared<ProcessCLICommandRunner>();
    if (!deps.source)
        deps.source = std::make_shared<CLIStatusSource>(deps.cliRunner);
    if (!deps.defaults)
        deps.defaults = std::make_shared<QSettingsUserDefaults>();
    if (!deps.daemonStateProvider)
        deps.daemonStateProvider = &readDaemonState;
    if (!deps.loginItem)
        deps.loginItem = std::make_shared<XdgAutostartLoginItem>();
    if (!deps.keepAwake)
        deps.keepAwake = std::make_shared<DBusKeepAwake>();
    if (!deps.browser)
        deps.browser = std::make_shared<DesktopBrowser>();
    if (!deps.clock)
        deps.clock = std::make_shared<BoottimeClock>();
    if (!deps.appLocation)
        deps.appLocation = &currentAppLocation;
    if (const auto interval = developerPollInterval())
        deps.interval = *interval;
    return deps;
}

std::optional<std::chrono::milliseconds> developerPollInterval(const QByteArray& value) {
    bool ok = false;
    // Digits only: toLongLong alone would take " 50" or "+50".
    for (char c : value) {
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    const qlonglong ms = value.toLongLong(&ok);
    if (!ok || ms <= 0)
        return std::nullopt;
    return std::chrono::milliseconds(ms);
}

std::optional<std::chrono::milliseconds> developerPollInterval() {
    if constexpr (build::developerSwitches)
        return developerPollInterval(qgetenv("TOVI_DEV_POLL_INTERVAL_MS"));
    else
        return std::nullopt;
}

} // namespace tovi
