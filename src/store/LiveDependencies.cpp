#include "store/LiveDependencies.h"

#include "bridge/ProcessCLICommandRunner.h"
#include "platform/BoottimeClock.h"
#include "platform/DBusKeepAwake.h"
#include "platform/DesktopBrowser.h"
#include "platform/QSettingsUserDefaults.h"
#include "platform/XdgAutostartLoginItem.h"
#include "store/StatusSource.h"

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
    return deps;
}

} // namespace tovi
