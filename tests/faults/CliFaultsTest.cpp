// What the window shows when the CLI is missing, cannot start, fails, dies, hangs or prints
// something other than a snapshot, and that the last good snapshot survives it.

#include "FaultSandbox.h"

#include "platform/QSettingsUserDefaults.h"
#include "store/CLICommands.h"
#include "ui/FooterViewModel.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>

#include <errno.h>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's count of live heap bytes (its header is not always installed).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace tovi::faults {
namespace {

using namespace std::chrono_literals;
using Arrange = std::function<void(FaultSandbox&)>;

// Live heap bytes (the sanitizer's count when built with it), to see a large run give memory back.
qint64 liveHeapBytes() {
#if defined(__SANITIZE_ADDRESS__)
    return static_cast<qint64>(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 info = mallinfo2();
    return static_cast<qint64>(info.uordblks + info.hblkhd);
#endif
}

// The footer's banners as (message, hasRetry) pairs, in display order.
QList<std::pair<QString, bool>> bannersOf(const QVariantList& banners) {
    QList<std::pair<QString, bool>> out;
    for (const QVariant& banner : banners)
        out.append(
            {banner.toMap().value(u"message"_qs).toString(), banner.toMap().value(u"hasRetry"_qs).toBool()});
    return out;
}

// A stand-in scenario whose rules each answer the status command with their fields.
QByteArray statusRules(const QList<const char*>& rules) {
    const QJsonArray words = QJsonArray::fromStringList(CLICommands::status().first(2));
    QByteArrayList out;
    for (const char* fields : rules)
        out << "{\"match\":" + QJsonDocument(words).toJson(QJsonDocument::Compact) + ',' + fields + '}';
    return "{\"rules\":[" + out.join(',') + "]}";
}
Arrange onStatus(const char* fields) {
    return [fields](FaultSandbox& box) { box.setScenario(statusRules({fields})); };
}
Arrange script(const char* body) {
    return [body](FaultSandbox& box) { box.installScriptCli(QByteArray(body)); };
}

// A sandbox, prepared by `before`, with a store and its window that count the snapshots read (each
// one stamps its time; the same snapshot again notifies no view).
struct Launched {
    explicit Launched(StatusStoreDependencies deps = {}, const Arrange& before = {})
        : store((before ? before(box) : void(), box.makeStore(std::move(deps)))) {
        QObject::connect(store.get(), &StatusStore::lastUpdatedChanged, [this] { ++snapshots; });
    }
    FaultSandbox box;
    std::unique_ptr<StatusStore> store;
    std::unique_ptr<FaultSandbox::Window> window = box.makeWindow(*store);
    FooterViewModel& footer = *window->menu->footer();
    int snapshots = 0;
};

struct CliFault {
    const char* name;
    Arrange arrange;
    QString error;               // exactly what lastError and the one banner say; empty when the run succeeds
    bool systemWorded = false;   // `error` is worded by the system: the text need only contain it
    QString partialTooltip = {}; // non-empty: a successful partial snapshot, with this warning
};

// Each fault comes after a good pass and goes away again: its own text, then nothing.
TEST(CliFaults, EachFaultShowsItsOwnTextKeepsTheLastGoodSnapshotAndClearsOnRecovery) {
    const CliFault rows[] = {
        {"CLI missing", [](FaultSandbox& box) { box.removeCli(); }, u"Couldn't find the tovi CLI."_qs},
        // Beside the application "tovi" is taken without an execute test: the system refuses it.
        {"CLI without execute permission",
         [](FaultSandbox& box) {
             box.removeCli();
             writeFile(box.bundledCliPath(), "#!/bin/bash\necho '{}'\n", test::kPlain);
         },
         QString::fromLocal8Bit(std::strerror(EACCES)), true},
        {"exit 3 with standard error", onStatus(R"("exit":3,"stderr":"boom\n")"),
         u"tovi exited with code 3: boom"_qs},
        {"killed by SIGKILL", onStatus(R"("signal":9)"), u"tovi exited with code 9"_qs},
        {"torn JSON document", script(R"(printf '{"authenticated": true, "cli": {"current_version": "1.2')"),
         u"tovi's output isn't valid JSON (unterminated string at offset 56)."_qs},
        {"no output at all", onStatus(R"("output":"empty")"),
         u"tovi printed no output where JSON was expected."_qs},
        {"warnings on standard error with exit 0", onStatus(R"("stderr":"warning: slow network\n")"), {}},
        {"partial snapshot",
         onStatus(R"("output":"partial","sections":["spaces","usage"])"),
         {},
         false,
         u"Unavailable sections: spaces, usage."_qs},
    };
    for (const CliFault& row : rows) {
        SCOPED_TRACE(row.name);
        Launched app;
        ASSERT_TRUE(app.box.isValid());
        QCoro::waitFor(app.store->refresh());
        ASSERT_EQ(app.store->lastError(), std::nullopt);
        ASSERT_EQ(app.snapshots, 1);
        const std::optional<QDateTime> goodTime = app.store->lastUpdated();
        const QString goodVersion = app.store->status()->cli.value().currentVersion.value();
        row.arrange(app.box);
        QCoro::waitFor(app.store->refresh());
        if (!row.error.isEmpty()) {
            const QString shown = app.store->lastError().value_or(QString());
            if (row.systemWorded)
                EXPECT_TRUE(shown.contains(row.error)) << shown.toStdString();
            else
                EXPECT_EQ(shown, row.error);
            // The window goes on showing the previous snapshot beside the error.
            EXPECT_EQ(app.snapshots, 1);
            EXPECT_EQ(app.store->lastUpdated(), goodTime);
            EXPECT_EQ(app.store->status()->cli->currentVersion, goodVersion);
            EXPECT_EQ(app.footer.cliVersion(), goodVersion);
            EXPECT_EQ(bannersOf(app.footer.banners()), (QList<std::pair<QString, bool>>{{shown, false}}));
            EXPECT_FALSE(app.footer.showPartialWarning());
        } else {
            EXPECT_EQ(app.store->lastError(), std::nullopt);
            EXPECT_EQ(app.snapshots, 2);
            EXPECT_TRUE(bannersOf(app.footer.banners()).isEmpty());
            EXPECT_EQ(app.footer.showPartialWarning(), !row.partialTooltip.isEmpty());
            EXPECT_EQ(app.footer.partialTooltip(), row.partialTooltip);
        }
        EXPECT_FALSE(app.store->isRefreshing());
        app.box.setScenario({});
        app.box.installSimCli();
        QCoro::waitFor(app.store->refresh());
        EXPECT_EQ(app.store->lastError(), std::nullopt);
        EXPECT_TRUE(bannersOf(app.footer.banners()).isEmpty());
        EXPECT_FALSE(app.footer.showPartialWarning());
        EXPECT_EQ(app.footer.cliVersion(), goodVersion);
    }
}

// 50 MiB either decode or fail with a message of ordinary length, more than 64 MiB is cut off,
// and the memory a run took is given back once it is over.
TEST(CliFaults, LargeOutputDecodesOrFailsCleanlyAndGivesItsMemoryBack) {
    const struct {
        const char* name;
        Arrange arrange;
        QString errorStart; // empty: decodes
    } rows[] = {
        {"a valid snapshot padded to 50 MiB", onStatus(R"("output":"huge","huge_mib":50)"), {}},
        {"50 MiB that are not JSON", script("head -c 52428800 /dev/zero | tr '\\0' 'x'"),
         u"tovi's output isn't valid JSON ("_qs},
        {"a valid snapshot padded to 65 MiB", onStatus(R"("output":"huge","huge_mib":65)"),
         u"tovi printed more than 64 MiB"_qs},
        {"50 MiB on both streams",
         script("head -c 52428800 /dev/zero | tr '\\0' 'e' >&2 & head -c 52428800 /dev/zero | tr '\\0' ' '; "
                "wait"),
         u"tovi printed no output where JSON was expected."_qs},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Launched app;
        // One ordinary pass first, so whatever a first run allocates for good is in the baseline.
        QCoro::waitFor(app.store->refresh());
        ASSERT_EQ(app.store->lastError(), std::nullopt);
        const qint64 before = liveHeapBytes();
        row.arrange(app.box);
        QCoro::waitFor(app.store->refresh());
        const QString error = app.store->lastError().value_or(QString());
        EXPECT_EQ(error.isEmpty(), row.errorStart.isEmpty()) << error.left(200).toStdString();
        EXPECT_TRUE(error.startsWith(row.errorStart)) << error.left(200).toStdString();
        EXPECT_LT(error.size(), 2048); // a banner is a line or two, never the CLI's whole output
        ASSERT_TRUE(app.store->status().has_value());
        // Objects the run let go of are deleted by the event loop, as in the application.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_LT(liveHeapBytes() - before, qint64(8) << 20);
    }
}

// The launch's status command sleeps 20 s. Meanwhile the event loop turns, a restart runs and
// refreshes on its own, and once the slow command returns the polling loop carries on.
TEST(HungCli, TheEventLoopAndOtherActionsKeepGoingWhileAStatusRunHangs) {
    StatusStoreDependencies deps;
    deps.interval = 200ms;
    Launched app(std::move(deps), [](FaultSandbox& box) {
        // The service counts as running (this process), so the launch installs nothing.
        writeFile(box.pidFilePath(), QByteArray::number(QCoreApplication::applicationPid()) + '\n');
        QSettingsUserDefaults(box.settingsPath()).setValue(u"autoUpdateCLI"_qs, false);
        // The second rule only counts the status commands after the slow one.
        box.setScenario(statusRules({R"("sleep_ms":20000,"times":1)", R"("times":1000)"}));
    });
    FaultSandbox& box = app.box;
    StatusStore& store = *app.store;
    const auto scenarioFile = [&] { return readFile(box.toviDir() + u"/scenario.json"_qs); };
    const auto statusRunsAfterTheSlowOne = [&] {
        return 1000 -
               QJsonDocument::fromJson(scenarioFile())[u"rules"_qs].toArray().last()[u"times"_qs].toInt();
    };
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(20);
    store.start();
    ASSERT_TRUE(spinUntil([&] { return !scenarioFile().contains("sleep_ms"); }))
        << "the slow run never began";
    ASSERT_TRUE(store.bootstrapTask()) << "the launch's refresh is the slow one";
    const int ticksAtHang = ticks;
    ASSERT_TRUE(spinUntil([&] { return ticks >= ticksAtHang + 10; }));
    EXPECT_TRUE(store.bootstrapTask());
    EXPECT_EQ(app.snapshots, 0);
    // Refresh, clicked again and again, waits for the hung command instead of starting more.
    for (int click = 0; click < 3; ++click)
        app.footer.refresh();
    // A restart runs to its end, refresh included, beside the hung command.
    bool spinnerShown = false;
    QObject::connect(&store, &StatusStore::isMaintainingChanged, [&] {
        if (store.isMaintaining())
            spinnerShown = app.footer.showSpinner();
    });
    bool restarted = false;
    auto restart = [](StatusStore* s, bool* done) -> QCoro::Task<> {
        co_await s->restartService();
        *done = true;
    }(&store, &restarted);
    ASSERT_TRUE(spinUntil([&] { return restarted; }));
    EXPECT_TRUE(spinnerShown);
    EXPECT_TRUE(store.bootstrapTask()) << "the slow command should still be running";
    EXPECT_EQ(app.footer.maintenanceMessage(), u"Daemon restarted"_qs);
    EXPECT_FALSE(store.isMaintaining() || app.footer.showSpinner());
    EXPECT_EQ(app.snapshots, 1) << "the restart's own refresh brings a snapshot";
    EXPECT_EQ(statusRunsAfterTheSlowOne(), 1) << "each Refresh started a status command of its own";
    EXPECT_EQ(store.lastError(), std::nullopt);
    EXPECT_EQ(app.footer.serviceText(), u"Service running"_qs);
    // The slow command returns; the launch ends and the polling loop runs its next passes.
    ASSERT_TRUE(spinUntil([&] { return !store.bootstrapTask(); }));
    EXPECT_EQ(app.snapshots, 2);
    ASSERT_TRUE(spinUntil([&] { return app.snapshots >= 4; })) << "no polling pass followed";
    EXPECT_EQ(store.lastError(), std::nullopt);
    EXPECT_TRUE(bannersOf(app.footer.banners()).isEmpty());
}

} // namespace
} // namespace tovi::faults

// As on a desktop whose buses are gone, set before Qt keeps a connection for the process's life;
// without the system bus, keep-awake cannot fall back to the machine's logind.
int main(int argc, char** argv) {
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tovi-faults/bus");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/tovi-faults/system-bus");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
