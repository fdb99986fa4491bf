#pragma once

#include "store/StatusStore.h"
#include "support/FakeBrowser.h"
#include "support/FakeClock.h"
#include "support/FakeKeepAwake.h"
#include "support/FakeLoginItem.h"
#include "support/FakeRunner.h"
#include "support/FakeStatusSource.h"
#include "support/MemoryUserDefaults.h"

#include <QHash>

#include <memory>

namespace tovi::testing {

// One set of fakes for a StatusStore. By default the store reads its status through a
// CLIStatusSource over the fake runner, so status commands show up in the runner's
// records; useFakeSource() swaps in a FakeStatusSource instead.
//
// Declare it before the store it feeds: its destructor wakes every pending sleep and opens
// every gate so that no coroutine is left suspended once the store is gone.
struct FakeDependencies {
    FakeDependencies();
    ~FakeDependencies();
    FakeDependencies(const FakeDependencies&) = delete;
    FakeDependencies& operator=(const FakeDependencies&) = delete;

    FakeStatusSource& useFakeSource();
    StatusStoreDependencies make() const;
    void setDaemon(DaemonState state) { *daemon = state; }
    void releaseAll();

    std::shared_ptr<FakeRunner> runner = std::make_shared<FakeRunner>();
    std::shared_ptr<FakeStatusSource> source; // null: status goes through the runner
    std::shared_ptr<MemoryUserDefaults> defaults = std::make_shared<MemoryUserDefaults>();
    std::shared_ptr<DaemonState> daemon = std::make_shared<DaemonState>(DaemonState::makeRunning(4242));
    std::shared_ptr<FakeLoginItem> loginItem = std::make_shared<FakeLoginItem>();
    std::shared_ptr<FakeKeepAwake> keepAwake = std::make_shared<FakeKeepAwake>();
    std::shared_ptr<FakeBrowser> browser = std::make_shared<FakeBrowser>();
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    std::shared_ptr<AppLocation> location = std::make_shared<AppLocation>(AppLocation::elsewhere);
    std::chrono::milliseconds interval{5000};
    QString webOrigin = QStringLiteral("https://tovi.test");
    // The CLI's configuration as "config get/set" see it; a key never set reads as "".
    std::shared_ptr<QHash<QString, QString>> config = std::make_shared<QHash<QString, QString>>();
};

// Snapshot JSON that the CLI could print, for scripting "internal status".
QByteArray statusJson(std::optional<bool> authenticated = true);
QStringList statusArguments();
QStringList profileListArguments();
QStringList accountMeArguments();

} // namespace tovi::testing
