// What the window shows when the CLI is missing, cannot start, fails, dies, hangs or prints
// something other than a snapshot, and that the last good snapshot survives it.

#include "FaultSandbox.h"

#include "platform/QSettingsUserDefaults.h"
#include "store/CLICommands.h"
#include "ui/FooterViewModel.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <cstring>

#include <errno.h>
#include <signal.h>
#include <sys/stat.h>

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
        out.append({banner.toMap()[u"message"_qs].toString(), banner.toMap()[u"hasRetry"_qs].toBool()});
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

// A sandbox, prepared by `before`, with a store and window counting the snapshots read (by their time).
struct Launched {
    explicit Launched(StatusStoreDependencies deps = {}, const Arrange& before = {})
        : store((before ? before(box) : void(), box.makeStore(std::move(deps)))) {
        QObject::connect(store.get(), &StatusStore::lastUpdatedChanged, [this] { ++snapshots; });
    }
    FaultSandbox box;
    std::unique_ptr<StatusStore> store;
    FaultSandbox::Window window{*store};
    FooterViewModel& footer = *window.menu.footer();
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
        {"partial snapshot",
         onStatus(R"("output":"partial","sections":["spaces","usage"])"),
         {},
         false,
         u"Unavailable sections: spaces, usage."_qs},
    };
    for (const CliFault& row : rows) {
        SCOPED_TRACE(row.name);
        Launched app;
        QCoro::waitFor(app.store->refresh());
        ASSERT_EQ(app.store->lastError(), std::nullopt);
        ASSERT_EQ(app.snapshots, 1);
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
            EXPECT_EQ(app.footer.cliVersion(), goodVersion);
            EXPECT_EQ(bannersOf(app.footer.banners()), (QList<std::pair<QString, bool>>{{shown, false}}));
        } else {
            EXPECT_EQ(app.store->lastError(), std::nullopt);
            EXPECT_EQ(app.snapshots, 2);
            EXPECT_TRUE(bannersOf(app.footer.banners()).isEmpty());
            EXPECT_EQ(app.footer.showPartialWarning(), !row.partialTooltip.isEmpty());
            EXPECT_EQ(app.footer.partialTooltip(), row.partialTooltip);
        }
        app.box.setScenario({});
        app.box.installSimCli();
        QCoro::waitFor(app.store->refresh());
        EXPECT_TRUE(bannersOf(app.footer.banners()).isEmpty());
        EXPECT_FALSE(app.footer.showPartialWarning());
        EXPECT_EQ(app.footer.cliVersion(), goodVersion);
    }
}

// 50 MiB decode or fail in a line or two, over 64 MiB is cut off, and the run's memory is given back.
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
        // Objects the run let go of are deleted by the event loop, as in the application.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_LT(liveHeapBytes() - before, qint64(8) << 20);
    }
}

// The launch's status command sleeps 20 s. Meanwhile a restart runs and refreshes on its own (so
// the event loop turns), and once the slow command returns the polling loop carries on.
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
    store.start();
    ASSERT_TRUE(spinUntil([&] { return !scenarioFile().contains("sleep_ms"); }))
        << "the slow run never began";
    ASSERT_TRUE(store.bootstrapTask()) << "the launch's refresh is the slow one";
    EXPECT_EQ(app.snapshots, 0);
    // Refresh, clicked again and again, waits for the hung command instead of starting more.
    for (int click = 0; click < 3; ++click)
        app.footer.refresh();
    // A restart runs to its end, refresh included, beside the hung command.
    bool restarted = false;
    auto restart = [](StatusStore* s, bool* done) -> QCoro::Task<> {
        co_await s->restartService();
        *done = true;
    }(&store, &restarted);
    ASSERT_TRUE(spinUntil([&] { return restarted; }));
    EXPECT_TRUE(store.bootstrapTask()) << "the slow command should still be running";
    EXPECT_EQ(app.footer.maintenanceMessage(), u"Daemon restarted"_qs);
    EXPECT_FALSE(store.isMaintaining());
    EXPECT_EQ(app.snapshots, 1) << "the restart's own refresh brings a snapshot";
    EXPECT_EQ(statusRunsAfterTheSlowOne(), 1) << "each Refresh started a status command of its own";
    EXPECT_EQ(store.lastError(), std::nullopt);
    EXPECT_EQ(app.footer.serviceText(), u"Service running"_qs);
    // The slow command returns, older news than the restart's reading and not shown; the launch
    // ends and the polling loop runs its next passes.
    ASSERT_TRUE(spinUntil([&] { return !store.bootstrapTask(); }));
    EXPECT_EQ(app.snapshots, 1);
    ASSERT_TRUE(spinUntil([&] { return app.snapshots >= 4; })) << "no polling pass followed";
    EXPECT_EQ(store.lastError(), std::nullopt);
    EXPECT_TRUE(bannersOf(app.footer.banners()).isEmpty());
}

// The real tovi-tray with no display, no session bus (main's) and a locale Tovi has no translation
// for gets as far as its first status command, stays up, and ends on SIGTERM like the Quit item. It
// takes the AppImage of the program that started it for neither its login item nor its updates, and
// neither blocks on nor replaces FIFOs at the settings file and the autostart entry.
TEST(TrayProcess, StartsAsksForTheStatusAndEndsCleanlyOnSigterm) {
    for (const bool fifos : {false, true}) {
        SCOPED_TRACE(fifos ? "FIFOs at the settings file and the autostart entry" : "plain");
        FaultSandbox box;
        const QString entry = box.home() + u"/.config/autostart/dev.tovi.Tovi.desktop"_qs;
        if (fifos) {
            for (const QString& path : {box.settingsPath(), entry}) {
                ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
                ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            }
        } else {
            QSettingsUserDefaults settings(box.settingsPath());
            settings.setValue(u"autoUpdateCLI"_qs, false);
        }
        writeFile(box.pidFilePath(), QByteArray::number(QCoreApplication::applicationPid()) + '\n');
        const QString runtime = box.home() + u"/runtime"_qs;
        QDir().mkdir(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "TOVI_UPDATE_FEED", "LANGUAGE"})
            env.remove(QLatin1String(name));
        const QString otherImage = box.home() + u"/Applications/Other.AppImage"_qs;
        writeFile(otherImage, "#!/bin/sh\n");
        env.insert(u"APPIMAGE"_qs, otherImage);
        env.insert(u"APPDIR"_qs, runtime);
        // Leaks of the toolkit at exit are not this test's to judge; other sanitizer reports are.
        env.insert(u"ASAN_OPTIONS"_qs, u"detect_leaks=0"_qs);
        env.insert(u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs);
        env.insert(u"XDG_RUNTIME_DIR"_qs, runtime);
        for (const QString& name : {u"LC_ALL"_qs, u"LANG"_qs})
            env.insert(name, u"de_DE.UTF-8"_qs);
        QProcess tray;
        tray.setProcessEnvironment(env);
        tray.start(QString::fromUtf8(TOVI_TRAY_PATH), {});
        ASSERT_TRUE(tray.waitForStarted());
        // The stand-in writes its snapshot on the first status command.
        const auto asked = [&] { return QFileInfo::exists(box.toviDir() + u"/status.json"_qs); };
        EXPECT_TRUE(spinUntil([&] { return asked() || tray.state() == QProcess::NotRunning; }));
        EXPECT_TRUE(asked()) << "the launch never got going";
        ASSERT_FALSE(tray.waitForFinished(2000)) << "it ended by itself";
        ASSERT_EQ(tray.state(), QProcess::Running) << "it ended by itself";
        ::kill(static_cast<pid_t>(tray.processId()), SIGTERM);
        EXPECT_TRUE(tray.waitForFinished(30000))
            << "no exit within 30 s of SIGTERM"; // else killed with `tray`
        EXPECT_EQ(std::pair(tray.exitStatus(), tray.exitCode()), std::pair(QProcess::NormalExit, 0));
        if (fifos) {
            for (const QString& path : {box.settingsPath(), entry})
                EXPECT_EQ(QFileInfo(path).isFile(), false) << qPrintable(path) << " was replaced";
        } else {
            EXPECT_FALSE(readFile(entry).contains("Other.AppImage"))
                << "the login item starts another program";
        }
        const QByteArray errors = tray.readAllStandardError();
        EXPECT_FALSE(errors.contains("Sanitizer")) << errors.toStdString();
        EXPECT_FALSE(errors.contains("runtime error:")) << errors.toStdString();
    }
}

} // namespace
} // namespace tovi::faults

// As on a desktop whose buses are gone, set before main (the suite shares the tests' own) and so
// before Qt keeps a connection for the process's life; without the system bus, keep-awake cannot
// fall back to the machine's logind.
namespace {
[[maybe_unused]] const bool busesGone = [] {
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tovi-faults/bus");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/tovi-faults/system-bus");
    return true;
}();
} // namespace
