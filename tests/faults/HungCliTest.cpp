// A status command that hangs must hang nothing but itself.

#include "FaultSandbox.h"

#include "platform/QSettingsUserDefaults.h"
#include "ui/FooterViewModel.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>

#include <gtest/gtest.h>

namespace tovi::faults {
namespace {

using namespace std::chrono_literals;

bool ruleStillPending(FaultSandbox& box) {
    return readFile(box.toviDir() + u"/scenario.json"_qs).contains("sleep_ms");
}

// The first status command of the launch sleeps for 20 seconds. Meanwhile the event loop
// keeps turning, the user can restart the service (which runs and refreshes on its own),
// and once the slow command returns the polling loop carries on with its next pass.
TEST(HungCli, TheEventLoopAndOtherActionsKeepGoingWhileAStatusRunHangs) {
    FaultSandbox box;
    ASSERT_TRUE(box.isValid());
    // The service counts as running (this process), so the launch installs nothing; only the
    // user's restart starts the stand-in's service, which the sandbox stops afterwards.
    box.writePidFile(QByteArray::number(QCoreApplication::applicationPid()) + '\n');
    QSettingsUserDefaults(box.settingsPath()).setValue(u"autoUpdateCLI"_qs, false);
    // The second rule only counts the status commands that follow the slow one.
    box.setScenario(R"({"rules":[{"match":["internal","status"],"sleep_ms":20000,"times":1},
                                 {"match":["internal","status"],"times":1000}]})");
    const auto statusRunsAfterTheSlowOne = [&box] {
        const QJsonArray rules =
            QJsonDocument::fromJson(readFile(box.toviDir() + u"/scenario.json"_qs))[u"rules"_qs].toArray();
        return 1000 - rules.last()[u"times"_qs].toInt();
    };

    StatusStoreDependencies deps;
    deps.interval = 200ms;
    std::unique_ptr<StatusStore> store = box.makeStore(std::move(deps));
    std::unique_ptr<FaultSandbox::Window> window = box.makeWindow(*store);
    FooterViewModel& footer = *window->menu->footer();
    int snapshots = 0;
    QObject::connect(store.get(), &StatusStore::statusChanged, [&snapshots] { ++snapshots; });

    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(20);

    store->start();
    ASSERT_TRUE(spinUntil([&] { return !ruleStillPending(box); })) << "the slow status command never started";
    ASSERT_TRUE(store->bootstrapTask()) << "the launch's refresh is the slow one";

    // The timer fires while the child sleeps.
    const int ticksAtHang = ticks;
    ASSERT_TRUE(spinUntil([&] { return ticks >= ticksAtHang + 10; }));
    EXPECT_TRUE(store->bootstrapTask());
    EXPECT_EQ(snapshots, 0);

    // Refresh, clicked again and again, waits for the hung command instead of starting more.
    for (int click = 0; click < 3; ++click)
        footer.refresh();

    // A user action runs to its end, refresh included, beside the hung command: it needs a
    // reading taken after its own command.
    bool spinnerShown = false;
    QObject::connect(store.get(), &StatusStore::isMaintainingChanged, [&] {
        if (store->isMaintaining())
            spinnerShown = footer.showSpinner();
    });
    bool restarted = false;
    auto restart = [](StatusStore* s, bool* done) -> QCoro::Task<> {
        co_await s->restartService();
        *done = true;
    }(store.get(), &restarted);
    ASSERT_TRUE(spinUntil([&] { return restarted; }));
    EXPECT_TRUE(spinnerShown);
    EXPECT_TRUE(store->bootstrapTask()) << "the slow command should still be running";
    EXPECT_EQ(store->maintenanceMessage(), u"Daemon restarted"_qs);
    EXPECT_EQ(footer.maintenanceMessage(), u"Daemon restarted"_qs);
    EXPECT_FALSE(store->isMaintaining());
    EXPECT_FALSE(footer.showSpinner());
    EXPECT_EQ(snapshots, 1) << "the restart's own refresh brings a snapshot";
    EXPECT_EQ(statusRunsAfterTheSlowOne(), 1) << "each Refresh started a status command of its own";
    EXPECT_EQ(store->lastError(), std::nullopt);
    EXPECT_TRUE(store->daemonState().running);
    EXPECT_EQ(footer.serviceText(), u"Service running"_qs);

    // The slow command returns; the launch ends and the polling loop runs its next passes.
    ASSERT_TRUE(spinUntil([&] { return !store->bootstrapTask(); }));
    const int afterLaunch = snapshots;
    EXPECT_EQ(afterLaunch, 2);
    ASSERT_TRUE(spinUntil([&] { return snapshots >= afterLaunch + 2; })) << "no polling pass followed";
    EXPECT_EQ(store->lastError(), std::nullopt);
    EXPECT_TRUE(bannersOf(footer.banners()).isEmpty());
}

} // namespace
} // namespace tovi::faults
