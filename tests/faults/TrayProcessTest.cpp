// The real tovi-tray executable, headless in a sandboxed home, under faults of its
// surroundings: it starts, stays up, keeps its settings file intact and ends on SIGTERM.

#include "FaultSandbox.h"

#include "platform/QSettingsUserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <signal.h>

namespace tovi::faults {
namespace {

using namespace std::chrono_literals;

QString trayPath() {
    return QString::fromUtf8(TOVI_TRAY_PATH);
}

// The sandbox's environment (already in this process) plus a desktop with no session bus
// and no update feed.
QProcessEnvironment trayEnvironment(FaultSandbox& box) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs);
    env.insert(u"DBUS_SESSION_BUS_ADDRESS"_qs, u"unix:path=/nonexistent/tovi-faults/bus"_qs);
    const QString runtime = box.root() + u"/runtime"_qs;
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    env.insert(u"XDG_RUNTIME_DIR"_qs, runtime);
    env.remove(u"TOVI_UPDATE_FEED"_qs);
    env.remove(u"APPIMAGE"_qs);
    env.remove(u"DISPLAY"_qs);
    env.remove(u"WAYLAND_DISPLAY"_qs);
    // A sanitizer build reports errors by aborting; leaks of the toolkit are not ours to judge here.
    if (!env.contains(u"ASAN_OPTIONS"_qs))
        env.insert(u"ASAN_OPTIONS"_qs, u"detect_leaks=0:abort_on_error=1"_qs);
    return env;
}

struct TrayRun {
    QProcess process;

    void start(const QProcessEnvironment& env) {
        process.setProcessEnvironment(env);
        process.setProgram(trayPath());
        process.start();
    }
    bool running() const { return process.state() == QProcess::Running; }
    // Waits `span` and tells whether the process is still there afterwards.
    bool stillRunningAfter(std::chrono::milliseconds span) {
        return !process.waitForFinished(static_cast<int>(span.count())) && running();
    }
    // SIGTERM, as a session logout sends it; whether it then ended on its own.
    bool terminate() {
        if (!running())
            return false;
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        if (process.waitForFinished(30000))
            return true;
        process.kill();
        process.waitForFinished();
        return false;
    }
    // SIGTERM quits through the event loop, like the Quit item: a normal exit with 0.
    bool endedCleanly() const {
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
    QByteArray errors() { return process.readAllStandardError(); }
};

QByteArray sanitizerReport(const QByteArray& stderrText) {
    for (const char* marker : {"AddressSanitizer", "runtime error:", "LeakSanitizer"}) {
        const qsizetype at = stderrText.indexOf(marker);
        if (at >= 0)
            return stderrText.mid(at, 2000);
    }
    return {};
}

void writeHealthySettings(FaultSandbox& box) {
    QSettingsUserDefaults defaults(box.settingsPath());
    defaults.setValue(u"didRegisterLoginItem"_qs, true);
    defaults.setValue(u"autoUpdateCLI"_qs, false);
    defaults.setValue(u"keepAwake"_qs, true);
    defaults.setValue(u"historySync"_qs, false);
    defaults.setValue(u"lastCliUpdate"_qs, 1700000000.0);
}

// The service counts as running (this test process), so no launch starts a real one.
void markServiceRunning(FaultSandbox& box) {
    box.writePidFile(QByteArray::number(QCoreApplication::applicationPid()) + '\n');
}

bool statusWasAskedFor(FaultSandbox& box) {
    // The stand-in writes its snapshot on the first status command.
    return QFileInfo::exists(box.toviDir() + u"/status.json"_qs);
}

struct TrayFault {
    const char* name;
    std::function<void(FaultSandbox&, QProcessEnvironment&)> arrange;
    // The sign that the launch got as far as its first status pass (or install attempt).
    std::function<bool(FaultSandbox&)> launched;
    // Whether the settings file must be byte-identical afterwards.
    bool settingsUntouched;
};

TEST(TrayProcess, StartsStaysUpKeepsItsSettingsAndEndsOnSigtermWhateverTheSurroundings) {
    // The web origin of the CLI-missing row: it is asked for the install script and hangs up,
    // so the download fails.
    QTcpServer origin;
    ASSERT_TRUE(origin.listen(QHostAddress::LocalHost));
    int scriptRequests = 0;
    QObject::connect(&origin, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* socket = origin.nextPendingConnection()) {
            ++scriptRequests;
            socket->close();
            socket->deleteLater();
        }
    });
    const QString originUrl = u"http://127.0.0.1:%1"_qs.arg(origin.serverPort());

    const QList<TrayFault> rows = {
        {"no session bus, keep-awake on",
         [](FaultSandbox& box, QProcessEnvironment&) {
             writeHealthySettings(box);
             markServiceRunning(box);
         },
         statusWasAskedFor, true},
        {"damaged settings file",
         [](FaultSandbox& box, QProcessEnvironment&) {
             writeFile(box.settingsPath(),
                       QByteArray("keepAwake=true\n[General\n\"oops=1\nhistorySync=true\n\xff\xfe\x00", 48));
             markServiceRunning(box);
         },
         statusWasAskedFor, false},
        {"a regular file where the data directory should be",
         [](FaultSandbox& box, QProcessEnvironment& env) {
             writeHealthySettings(box);
             markServiceRunning(box);
             writeFile(box.root() + u"/data-file"_qs, "x");
             env.insert(u"XDG_DATA_HOME"_qs, box.root() + u"/data-file"_qs);
         },
         statusWasAskedFor, true},
        // The launch asks for the install script, whose download fails: not an update, so the
        // time of the last one stays as it was (the settings are untouched); the polling loop
        // then runs with no CLI.
        {"CLI missing, its download failing",
         [&](FaultSandbox& box, QProcessEnvironment& env) {
             writeHealthySettings(box);
             box.removeCli();
             env.insert(u"TOVI_WEB_ORIGIN"_qs, originUrl);
         },
         [&](FaultSandbox&) { return scriptRequests > 0; }, true},
    };
    for (const TrayFault& row : rows) {
        SCOPED_TRACE(row.name);
        FaultSandbox box;
        ASSERT_TRUE(box.isValid());
        QProcessEnvironment env = trayEnvironment(box);
        row.arrange(box, env);
        const QByteArray settingsBefore = readFile(box.settingsPath());

        TrayRun tray;
        tray.start(env);
        ASSERT_TRUE(tray.process.waitForStarted(30000));
        EXPECT_TRUE(spinUntil([&] { return row.launched(box) || !tray.running(); }));
        EXPECT_TRUE(row.launched(box)) << "the launch never got going";
        EXPECT_TRUE(tray.stillRunningAfter(3s)) << "exit status " << tray.process.exitCode();

        EXPECT_TRUE(tray.terminate()) << "no exit within 30 s of SIGTERM";
        EXPECT_TRUE(tray.endedCleanly())
            << "exit status " << tray.process.exitStatus() << "/" << tray.process.exitCode();
        const QByteArray errors = tray.errors();
        EXPECT_TRUE(sanitizerReport(errors).isEmpty()) << sanitizerReport(errors).toStdString();

        const QByteArray settingsAfter = readFile(box.settingsPath());
        if (row.settingsUntouched) {
            EXPECT_EQ(settingsAfter, settingsBefore);
        } else {
            // Rewritten whole: a clean file that keeps nothing of the damage.
            EXPECT_FALSE(settingsAfter.contains("oops"));
            QSettings check(box.settingsPath(), QSettings::IniFormat);
            check.allKeys();
            EXPECT_EQ(check.status(), QSettings::NoError);
        }
    }
}

} // namespace
} // namespace tovi::faults
