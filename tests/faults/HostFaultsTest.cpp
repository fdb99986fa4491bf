// Faults of the machine around the application: the daemon's pid file and state directory,
// the settings file, the autostart directory and the session bus. Each kind is here once,
// seen through the window; the platform tests hold the variants.

#include "FaultSandbox.h"

#include "bridge/DaemonStateProbe.h"
#include "platform/DBusKeepAwake.h"
#include "platform/QSettingsUserDefaults.h"
#include "platform/XdgAutostartLoginItem.h"
#include "ui/FooterViewModel.h"
#include "ui/SettingsViewModel.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace tovi::faults {
namespace {

using Arrange = std::function<void(FaultSandbox&)>;

// A process id that named a process a moment ago and names none now.
qint64 deadPid() {
    QProcess child;
    child.start(u"/bin/true"_qs, {});
    child.waitForFinished();
    return child.processId() > 0 ? child.processId() : 0;
}

QByteArray ownPid() {
    return QByteArray::number(QCoreApplication::applicationPid());
}

struct PidFault {
    const char* name;
    Arrange arrange;
    bool running;
};

// Whatever is found where the pid file should be, the window says running or stopped and
// nothing else; no content can block the GUI thread or crash the probe. One row per kind of
// problem: the parser's own tests hold every variant of a malformed number.
TEST(HostFaults, EveryPidFileProblemReadsAsStoppedAndOnlyALiveProcessAsRunning) {
    const QList<PidFault> rows = {
        {"no pid file", [](FaultSandbox&) {}, false},
        {"this process, with blanks around it",
         [](FaultSandbox& box) { box.writePidFile(" \t" + ownPid() + "\n\n"); }, true},
        {"digits then letters", [](FaultSandbox& box) { box.writePidFile(ownPid() + "abc"); }, false},
        {"a megabyte of digits", [](FaultSandbox& box) { box.writePidFile(QByteArray(1 << 20, '7')); },
         false},
        {"a process that has exited",
         [](FaultSandbox& box) { box.writePidFile(QByteArray::number(deadPid()) + "\n"); }, false},
        // A FIFO nobody writes to: a blocking read would freeze the window for good.
        {"a FIFO without a writer",
         [](FaultSandbox& box) {
             QDir().mkpath(QFileInfo(box.pidFilePath()).absolutePath());
             ASSERT_EQ(::mkfifo(QFile::encodeName(box.pidFilePath()).constData(), 0600), 0);
         },
         false},
        {"TOVI_DIR names a regular file",
         [](FaultSandbox& box) {
             writeFile(box.root() + u"/plain"_qs, ownPid());
             qputenv("TOVI_DIR", QFile::encodeName(box.root() + u"/plain"_qs));
         },
         false},
    };
    for (const PidFault& row : rows) {
        SCOPED_TRACE(row.name);
        FaultSandbox box;
        ASSERT_TRUE(box.isValid());
        std::unique_ptr<StatusStore> store = box.makeStore();
        std::unique_ptr<FaultSandbox::Window> window = box.makeWindow(*store);
        FooterViewModel& footer = *window->menu->footer();
        // Start from the other answer, so that the row's answer has to be produced.
        if (!row.running)
            box.writePidFile(ownPid());
        QCoro::waitFor(store->refresh());
        ASSERT_EQ(store->daemonState().running, !row.running);
        QFile::remove(box.pidFilePath());

        row.arrange(box);
        QCoro::waitFor(store->refresh());
        EXPECT_EQ(store->daemonState().running, row.running);
        if (row.running) {
            EXPECT_EQ(store->daemonState().pid, QCoreApplication::applicationPid());
        }
        EXPECT_EQ(footer.serviceText(), row.running ? u"Service running"_qs : u"Service stopped"_qs);
        EXPECT_EQ(footer.showStart(), !row.running);
    }
}

// Root may signal anyone, so a process of another user is only "another user's" to a probe
// that runs as someone else: the probe helper runs as nobody against a pid file naming this
// (root's) process, where kill(pid, 0) fails with EPERM.
TEST(HostFaults, AProcessOfAnotherUserCountsAsRunning) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run the probe as another user";
    FaultSandbox box;
    ASSERT_TRUE(box.isValid());
    const QString probe = QString::fromUtf8(TOVI_FAULTS_PID_PROBE);
    // The helper, as nobody, must reach its own binary and the pid file.
    for (const QString& dir : {box.root(), box.home(), box.toviDir(), box.toviDir() + u"/run"_qs}) {
        QDir().mkpath(dir);
        ::chmod(QFile::encodeName(dir).constData(), 0755);
    }

    auto probeAsNobody = [&](const QByteArray& pidFile, QByteArray* out) {
        writeFile(box.pidFilePath(), pidFile,
                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                      QFileDevice::ReadOther);
        QProcess helper;
        helper.start(u"setpriv"_qs,
                     {u"--reuid=65534"_qs, u"--regid=65534"_qs, u"--clear-groups"_qs, u"--"_qs, probe});
        if (!helper.waitForFinished(60000))
            return false;
        *out = helper.readAllStandardOutput();
        return helper.exitStatus() == QProcess::NormalExit && helper.exitCode() == 0;
    };

    QByteArray out;
    if (!probeAsNobody(ownPid() + '\n', &out))
        GTEST_SKIP() << "setpriv could not run the probe as nobody on this machine";
    const QList<QByteArray> lines = out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2) << out.toStdString();
    EXPECT_EQ(lines[0], "running " + ownPid());
    EXPECT_TRUE(lines[1].startsWith("kill -1 ")) << "the probe did not meet EPERM: " << out.toStdString();

    // The same helper as nobody still tells a process that is gone.
    ASSERT_TRUE(probeAsNobody(QByteArray::number(deadPid()) + '\n', &out));
    EXPECT_TRUE(out.startsWith("stopped\n")) << out.toStdString();
}

// ---- settings ---------------------------------------------------------------------------

struct SettingsFault {
    const char* name;
    Arrange arrange;
    // The choices the file holds, which the window must show.
    bool keepAwake, historySync, autoUpdateCLI;
    // What the window's message area says at once ("" for nothing), and after a switch.
    QString messageAtLaunch, messageAfterSwitch;
};

// A damaged settings file keeps every choice Qt could read and is set aside before it is
// rewritten; a file that cannot be written leaves the switches showing what is stored. Root
// ignores permission bits, so the unwritable place is a file where the directory should be.
TEST(HostFaults, BrokenSettingsKeepTheUsersChoicesAndSayWhatHappened) {
    const QList<SettingsFault> rows = {
        {"damaged file",
         [](FaultSandbox& box) {
             writeFile(box.settingsPath(),
                       "[General]\ndidRegisterLoginItem=true\nkeepAwake=true\nhistorySync="
                       "true\nautoUpdateCLI=false\n[section\n\"oops=1\n");
         },
         true, true, false,
         u"Part of Tovi's settings file could not be read; the settings that could be read "
         u"are kept, and the file as it was is saved as %1.damaged."_qs,
         u"Part of Tovi's settings file could not be read; the settings that could be read are kept, and the "
         u"file as it was is saved as %1.damaged."_qs},
        {"a regular file where the settings directory should be",
         [](FaultSandbox& box) { writeFile(box.configHome() + u"/Tovi"_qs, "keepAwake=true\n"); },
         false,
         false,
         true,
         {},
         u"Couldn't save Tovi's settings to %1."_qs},
    };
    for (const SettingsFault& row : rows) {
        SCOPED_TRACE(row.name);
        FaultSandbox box;
        ASSERT_TRUE(box.isValid());
        row.arrange(box);
        const QByteArray blockerBefore = readFile(box.configHome() + u"/Tovi"_qs);

        std::unique_ptr<StatusStore> store = box.makeStore();
        std::unique_ptr<FaultSandbox::Window> window = box.makeWindow(*store);
        SettingsViewModel& settings = *window->menu->settings();
        FooterViewModel& footer = *window->menu->footer();
        EXPECT_EQ(store->historySyncEnabled(), row.historySync);
        EXPECT_EQ(store->keepAwake(), row.keepAwake);
        EXPECT_EQ(store->autoUpdateCLI(), row.autoUpdateCLI);
        EXPECT_EQ(settings.keepAwake(), row.keepAwake);
        EXPECT_EQ(settings.syncAgentHistory(), row.historySync);
        EXPECT_EQ(footer.maintenanceMessage(), row.messageAtLaunch.arg(box.settingsFile()));

        // The application still gets its status.
        QCoro::waitFor(store->refresh());
        EXPECT_EQ(store->lastError(), std::nullopt);
        EXPECT_TRUE(store->status().has_value());

        // A switch either reaches the disk or springs back and says why.
        settings.setKeepAwake(!row.keepAwake);
        const bool saved = row.messageAfterSwitch.isEmpty() || row.messageAfterSwitch == row.messageAtLaunch;
        EXPECT_EQ(settings.keepAwake(), saved ? !row.keepAwake : row.keepAwake);
        EXPECT_EQ(store->isKeepAwakeActive(), saved ? !row.keepAwake : row.keepAwake);
        EXPECT_EQ(footer.maintenanceMessage(), row.messageAfterSwitch.arg(box.settingsFile()));

        // What reached the disk (this process' own settings objects share a cache).
        const QByteArray onDisk = readFile(box.settingsFile());
        if (saved) {
            const auto line = [](const char* key, bool value) {
                return QByteArray(key) + (value ? "=true\n" : "=false\n");
            };
            EXPECT_TRUE(onDisk.contains(line("keepAwake", !row.keepAwake))) << onDisk.toStdString();
            EXPECT_TRUE(onDisk.contains(line("historySync", row.historySync))) << onDisk.toStdString();
            EXPECT_TRUE(onDisk.contains(line("autoUpdateCLI", row.autoUpdateCLI))) << onDisk.toStdString();
            EXPECT_TRUE(onDisk.contains("didRegisterLoginItem=true\n")) << onDisk.toStdString();
        } else {
            EXPECT_TRUE(onDisk.isEmpty());
        }
        // Whatever stood in the way is left as it was.
        EXPECT_EQ(readFile(box.configHome() + u"/Tovi"_qs), blockerBefore);
    }
}

struct AutostartFault {
    const char* name;
    Arrange arrange;
    // The reason the system gives, after "Couldn't write <entry>: ".
    QString reason;
};

// "Open at Login" that cannot be written says which file and why, and springs back.
TEST(HostFaults, AnUnwritableAutostartEntryIsReportedAndTheSwitchSpringsBack) {
    const QList<AutostartFault> rows = {
        {"a config directory under /proc",
         [](FaultSandbox& box) { box.setAutostartConfigDir(u"/proc/self"_qs); },
         u"No such file or directory"_qs},
    };
    for (const AutostartFault& row : rows) {
        SCOPED_TRACE(row.name);
        FaultSandbox box;
        ASSERT_TRUE(box.isValid());
        row.arrange(box);
        const XdgAutostartLoginItem item(box.autostartConfigDir(), box.appExecutable());

        std::unique_ptr<StatusStore> store = box.makeStore();
        std::unique_ptr<FaultSandbox::Window> window = box.makeWindow(*store);
        SettingsViewModel& settings = *window->menu->settings();
        FooterViewModel& footer = *window->menu->footer();
        EXPECT_FALSE(settings.openAtLogin());

        settings.setOpenAtLogin(true);
        EXPECT_FALSE(store->launchAtLoginEnabled());
        EXPECT_FALSE(settings.openAtLogin());
        ASSERT_TRUE(store->maintenanceMessage().has_value());
        const QString message = *store->maintenanceMessage();
        const QString prefix = u"Couldn't write "_qs + item.entryPath() + u": "_qs;
        EXPECT_TRUE(message.startsWith(prefix)) << message.toStdString();
        EXPECT_GT(message.size(), prefix.size()) << "no reason given";
        EXPECT_EQ(message.mid(prefix.size()), row.reason);
        EXPECT_TRUE(footer.showMaintenanceMessage());
        EXPECT_EQ(footer.maintenanceMessage(), message);

        // No entry can exist there, so switching off what cannot be on is not an error.
        settings.setOpenAtLogin(false);
        EXPECT_FALSE(settings.openAtLogin());
        EXPECT_EQ(store->maintenanceMessage(), std::nullopt)
            << store->maintenanceMessage().value_or(QString()).toStdString();
    }
}

// ---- session bus --------------------------------------------------------------------------

// Without a session bus (this suite's main points it nowhere) keep-awake quietly does nothing.
TEST(HostFaults, WithoutASessionBusKeepAwakeDoesNothingAndReportsNothing) {
    ASSERT_FALSE(QDBusConnection::sessionBus().isConnected());
    FaultSandbox box;
    ASSERT_TRUE(box.isValid());
    auto keepAwake = std::make_shared<DBusKeepAwake>();
    QSignalSpy settled(keepAwake.get(), &DBusKeepAwake::activitySettled);

    StatusStoreDependencies deps;
    deps.keepAwake = keepAwake;
    std::unique_ptr<StatusStore> store = box.makeStore(std::move(deps));
    std::unique_ptr<FaultSandbox::Window> window = box.makeWindow(*store);
    SettingsViewModel& settings = *window->menu->settings();

    settings.setKeepAwake(true);
    EXPECT_TRUE(settings.keepAwake());
    ASSERT_TRUE(spinUntil([&] { return !settled.isEmpty(); }));
    EXPECT_EQ(settled.first().at(1).toBool(), false);
    EXPECT_EQ(keepAwake->heldCount(), 0);
    settings.setKeepAwake(false);
    EXPECT_FALSE(settings.keepAwake());
    EXPECT_EQ(store->maintenanceMessage(), std::nullopt);
    EXPECT_EQ(store->lastError(), std::nullopt);

    // Starting the store with the preference on takes the same quiet path. (The service
    // counts as running, so the launch starts none.)
    box.writePidFile(QByteArray::number(QCoreApplication::applicationPid()));
    settings.setKeepAwake(true);
    store->start();
    ASSERT_TRUE(spinUntil([&] { return !store->bootstrapTask(); }));
    EXPECT_EQ(store->lastError(), std::nullopt);
    EXPECT_TRUE(store->isKeepAwakeActive());
    EXPECT_EQ(keepAwake->heldCount(), 0);
}

} // namespace
} // namespace tovi::faults
