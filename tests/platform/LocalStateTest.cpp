// The platform outside any bus: the instance lock, the login item, settings, the clock, translations.
#include "platform/BoottimeClock.h"
#include "platform/InstanceLock.h"
#include "platform/QSettingsUserDefaults.h"
#include "platform/Translations.h"
#include "platform/XdgAutostartLoginItem.h"
#include "support/TestUtil.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovi;
using namespace tovi::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using Outcome = InstanceLock::Outcome;

namespace {

const auto entryFile = [](const QString& configDir) {
    return configDir + u"/autostart/dev.tovi.Tovi.desktop"_s;
};
const auto readLines = [](const QString& path) { return QString::fromUtf8(readFile(path)).split(u'\n'); };

// Open timerfds of this process: descriptor -> its fdinfo text.
QMap<QString, QString> timerfds() {
    QMap<QString, QString> found;
    const QDir fds(u"/proc/self/fd"_s);
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
        if (QFile::symLinkTarget(fds.filePath(fd)).contains("timerfd"_L1))
            found.insert(fd, QString::fromUtf8(readFile(u"/proc/self/fdinfo/"_s + fd)));
    }
    return found;
}

QCoro::Task<> sleepAndRecord(Clock* clock, std::chrono::milliseconds duration, std::vector<int>* order) {
    co_await clock->sleepFor(duration);
    order->push_back(int(duration.count()));
}

} // namespace

TEST(InstanceLock, OneCopyPerUserAcrossProcessesAndCrashesAndUnguardedWhenItCannotBeTaken) {
    QTemporaryDir temp;
    const QString directory = temp.path() + u"/share/Tovi"_s;
    const mode_t previousMask = ::umask(022);
    InstanceLock lock(directory);
    EXPECT_EQ(lock.lockFD(), -1);
    EXPECT_EQ(lock.acquire(), Outcome::acquired);
    ::umask(previousMask);
    EXPECT_EQ(lock.filePath(), directory + u"/instance.lock"_s);
    ASSERT_GE(lock.lockFD(), 0);
    EXPECT_EQ(QFileInfo(lock.filePath()).size(), 0) << "missing parent directories are created";
    struct stat st {};
    ASSERT_EQ(::fstat(lock.lockFD(), &st), 0);
    EXPECT_EQ((st.st_mode & 07777), 0644);
    // A CLI service started by the app must not inherit, and so keep, the lock.
    EXPECT_TRUE(::fcntl(lock.lockFD(), F_GETFD) & FD_CLOEXEC);
    EXPECT_EQ(::fcntl(lock.lockFD(), F_GETFL) & O_ACCMODE, O_RDWR);
    InstanceLock second(directory);
    EXPECT_EQ(second.acquire(), Outcome::heldByAnotherCopy);
    EXPECT_EQ(second.lockFD(), -1) << "a refused copy keeps nothing open";
    ::close(lock.lockFD());
    // Another process holds it (flock(1) takes the same kind of lock) until it dies, cleaning up or not.
    QProcess holder;
    holder.start(u"flock"_s, {u"-no"_s, lock.filePath(), u"sh"_s, u"-c"_s, u"echo acquired; exec cat"_s});
    while (!holder.canReadLine() && holder.waitForReadyRead(10000)) {
    }
    ASSERT_EQ(QString::fromUtf8(holder.readLine()), u"acquired\n"_s);
    EXPECT_EQ(InstanceLock(directory).acquire(), Outcome::heldByAnotherCopy);
    holder.kill();
    ASSERT_TRUE(holder.waitForFinished());
    InstanceLock relaunch(directory);
    EXPECT_EQ(relaunch.acquire(), Outcome::acquired);
    ::close(relaunch.lockFD());
    // A regular file where the directory should be: neither mkdir nor open can succeed, even as root.
    writeFile(temp.path() + u"/file"_s, "");
    InstanceLock unopenable(temp.path() + u"/file/Tovi"_s);
    EXPECT_EQ(unopenable.acquire(), Outcome::acquiredUnguarded);
    EXPECT_LT(unopenable.lockFD(), 0);
    EXPECT_FALSE(QFileInfo::exists(unopenable.filePath()));
    // File systems without flock support still start the application.
    EXPECT_EQ(InstanceLock::outcomeOfLockFailure(EWOULDBLOCK), Outcome::heldByAnotherCopy);
    for (int error : {ENOLCK, EINVAL, EIO})
        EXPECT_EQ(InstanceLock::outcomeOfLockFailure(error), Outcome::acquiredUnguarded) << error;
}

TEST(XdgAutostartLoginItem, WritesAnEntryThatStartsExactlyTheExecutableAndReadsSkippedEntriesAsOff) {
    QTemporaryDir temp;
    const QString config = temp.path() + u"/config"_s;
    XdgAutostartLoginItem item(config, u"/opt/Tovi/tovi-tray"_s);
    EXPECT_EQ(item.entryPath(), entryFile(config));
    EXPECT_FALSE(item.isEnabled());
    ASSERT_TRUE(item.setEnabled(true).ok());
    ASSERT_TRUE(item.isEnabled());
    const QStringList lines = readLines(entryFile(config));
    EXPECT_EQ(lines.value(0), u"[Desktop Entry]"_s);
    for (const char* expected :
         {"Type=Application", "Name=Tovi", "Exec=/opt/Tovi/tovi-tray", "Icon=dev.tovi.Tovi",
          "X-GNOME-Autostart-Delay=3", "X-KDE-autostart-after=panel", "X-LXQt-Need-Tray=true",
          "X-GNOME-Autostart-enabled=true"})
        EXPECT_TRUE(lines.contains(QLatin1String(expected))) << expected;
    EXPECT_EQ(QDir(config + u"/autostart"_s).entryList(QDir::Files | QDir::Hidden).size(), 1)
        << "no temporary file left behind";
    // Enabling again rewrites in place; disabling removes; a missing file is already off.
    EXPECT_TRUE(item.setEnabled(true).ok());
    EXPECT_TRUE(item.isEnabled());
    EXPECT_TRUE(item.setEnabled(false).ok());
    EXPECT_FALSE(QFile::exists(entryFile(config)));
    EXPECT_FALSE(item.isEnabled());
    EXPECT_TRUE(item.setEnabled(false).ok());
    // Exec quoting, then the value's own escapes: GLib's own launcher (what GNOME's autostart
    // uses) accepts the entry and starts exactly this executable.
    const QString started = temp.path() + u"/started"_s;
    for (const char* folder :
         {"My Apps", "100% real", "$HOME `x` ~ $(y)", R"(back\slash "q" 'q')", "50%%;a=b&|<>*?#", "plain"}) {
        const QString executable = temp.path() + u'/' + QString::fromUtf8(folder) + u"/tovi-tray"_s;
        writeFile(executable, "#!/bin/sh\nprintf %s \"$0\" > \"$TOVI_TEST_STARTED\"\n", kExecutable);
        QFile::remove(started);
        ASSERT_TRUE(XdgAutostartLoginItem(config, executable).setEnabled(true).ok());
        QProcess glib;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"TOVI_TEST_STARTED"_s, started);
        glib.setProcessEnvironment(env);
        glib.start(u"/usr/bin/python3"_s,
                   {u"-c"_s,
                    u"import sys, gi; gi.require_version('Gio', '2.0'); from gi.repository import Gio\n"
                    u"info = Gio.DesktopAppInfo.new_from_filename(sys.argv[1])\n"
                    u"print('refused' if info is None else info.launch([], None))"_s,
                    entryFile(config)});
        ASSERT_TRUE(glib.waitForFinished(30000));
        EXPECT_EQ(glib.readAllStandardOutput().trimmed(), "True")
            << folder << glib.readAllStandardError().data();
        EXPECT_TRUE(spinUntil([&] { return QFileInfo(started).size() > 0; })) << folder;
        EXPECT_EQ(QString::fromUtf8(readFile(started)), executable) << folder;
    }
    EXPECT_TRUE(readLines(entryFile(config)).contains(u"Exec="_s + temp.path() + u"/plain/tovi-tray"_s))
        << "an ordinary path is written as it is";
    for (const auto& [contents, on] : {
             std::pair{"[Desktop Entry]\nHidden=true\n", false},
             {"[Desktop Entry]\nHidden=false\n", true},
             {"[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n", false},
             // Keys of other groups, and comments, say nothing about the entry itself.
             {"[Desktop Entry]\n[Desktop Action quit]\nHidden=true\nX-GNOME-Autostart-enabled=false\n", true},
             {"# Hidden=true\n[Desktop Entry]\nExec=x\n", true},
         }) {
        writeFile(entryFile(config), contents);
        EXPECT_EQ(item.isEnabled(), on) << contents;
    }
    writeFile(entryFile(config), "[Desktop Entry]\nHidden=true\n");
    EXPECT_TRUE(item.setEnabled(true).ok()) << "switching on over a hidden entry revives it";
    EXPECT_TRUE(item.isEnabled()) << "switching on over a hidden entry revives it";
    // Defaults from the environment (which AppImage Tovi runs from is the location probe's to say).
    {
        const ScopedEnv config("XDG_CONFIG_HOME", QFile::encodeName(temp.path()));
        EXPECT_EQ(XdgAutostartLoginItem().entryPath(), entryFile(temp.path()));
        EXPECT_EQ(XdgAutostartLoginItem::defaultExecutablePath(), QCoreApplication::applicationFilePath());
    }
    // The config directory is a regular file: nothing can be created beneath it.
    const QString blocker = temp.path() + u"/blocker"_s;
    writeFile(blocker, "not a directory");
    XdgAutostartLoginItem blocked(blocker, u"/usr/bin/tovi-tray"_s);
    const Status on = blocked.setEnabled(true);
    ASSERT_FALSE(on.ok());
    EXPECT_EQ(on.error().kind, Error::Kind::Platform);
    EXPECT_EQ(on.error().description(), u"Couldn't write %1: Not a directory"_s.arg(entryFile(blocker)));
    EXPECT_FALSE(blocked.isEnabled());
    EXPECT_TRUE(blocked.setEnabled(false).ok()) << "no directory, no entry: already off";
}

TEST(QSettingsUserDefaults, ValuesSurviveARestartWithTheirTypesAndADamagedFileIsSetAsideBeforeItIsRewritten) {
    QTemporaryDir temp;
    const QString path = temp.path() + u"/Tovi.conf"_s;
    {
        QSettingsUserDefaults defaults(path);
        EXPECT_FALSE(defaults.value(u"keepAwake"_s).isValid());
        EXPECT_EQ(defaults.boolValue(u"keepAwake"_s), std::nullopt);
        EXPECT_EQ(defaults.doubleValue(u"lastCliUpdate"_s), 0.0);
        defaults.setValue(u"didRegisterLoginItem"_s, true);
        defaults.setValue(u"keepAwake"_s, false);
        defaults.setValue(u"lastCliUpdate"_s, 1700000000.25);
        EXPECT_EQ(defaults.boolValue(u"didRegisterLoginItem"_s), true) << "readable before any restart";
    }
    // Written through without an explicit flush, with the keys at the top level.
    const QByteArray text = readFile(path);
    EXPECT_TRUE(text.contains("didRegisterLoginItem=true\nkeepAwake=false")) << text.constData();
    EXPECT_FALSE(text.contains("[Tovi]")) << text.constData();
    QSettingsUserDefaults reopened(path);
    EXPECT_EQ(reopened.boolValue(u"didRegisterLoginItem"_s), true);
    EXPECT_EQ(reopened.boolValue(u"keepAwake"_s), false);
    EXPECT_EQ(reopened.doubleValue(u"lastCliUpdate"_s), 1700000000.25);
    // Only true and false are booleans, the rest reads raw; choices around a broken header are kept.
    const QByteArray original =
        "[General]\ndidRegisterLoginItem=true\nkeepAwake=yes\nhistorySync=1\n"
        "autoUpdateCLI=TRUE\nlastCliUpdate=soon\nnan=nan\ninf=-inf\n[updater\nx=1\n[updater]\nauto=false\n";
    writeFile(path, original);
    {
        QSettingsUserDefaults damaged(path);
        EXPECT_EQ(damaged.boolValue(u"didRegisterLoginItem"_s), true);
        EXPECT_EQ(damaged.boolValue(u"updater/auto"_s), false);
        for (const QString& key : {u"keepAwake"_s, u"historySync"_s, u"autoUpdateCLI"_s})
            EXPECT_EQ(damaged.boolValue(key), std::nullopt) << key.toStdString();
        for (const QString& key : {u"lastCliUpdate"_s, u"nan"_s, u"inf"_s})
            EXPECT_EQ(damaged.doubleValue(key), 0.0) << key.toStdString();
        EXPECT_EQ(damaged.value(u"keepAwake"_s).toString(), u"yes"_s);
        ASSERT_TRUE(damaged.notice().has_value());
        EXPECT_TRUE(damaged.notice()->contains(damaged.damagedCopyPath())) << damaged.notice()->toStdString();
        EXPECT_EQ(readFile(damaged.damagedCopyPath()), original);
        EXPECT_TRUE(damaged.setValue(u"historySync"_s, true).ok());
    }
    QSettingsUserDefaults rewritten(path);
    EXPECT_EQ(rewritten.notice(), std::nullopt);
    EXPECT_EQ(rewritten.boolValue(u"historySync"_s), true);
    EXPECT_EQ(rewritten.boolValue(u"updater/auto"_s), false);
    EXPECT_EQ(readFile(rewritten.damagedCopyPath()), original) << "the copy was replaced by the clean file";
}

// What lies at the settings file's or the autostart entry's path may be no file at all, or one
// too large to be ours. It is never read (a FIFO would block the start for good) nor written
// over (through a link, a write replaces whatever the link leads to); the message says why,
// and a choice made holds for this run. Root too: none of this rests on permission bits.
TEST(HostileFiles, AreNeitherReadNorWrittenAndChoicesHoldForTheRun) {
    QTemporaryDir temp;
    const QString fifo = temp.path() + u"/fifo"_s;
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const auto kindOf = [](const QString& path) {
        struct stat st {};
        return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & S_IFMT : 0u;
    };
    const struct {
        const char* name;
        std::function<void(const QString&)> make;
        const char* reason;
    } rows[] = {
        {"a FIFO", [](const QString& at) { ::mkfifo(QFile::encodeName(at).constData(), 0600); },
         "it is not a regular file"},
        {"a link to a FIFO", [&](const QString& at) { QFile::link(fifo, at); }, "it is not a regular file"},
        {"a directory", [](const QString& at) { QDir().mkpath(at); }, "it is not a regular file"},
        {"a huge file", [](const QString& at) { writeFile(at, QByteArray((1 << 20) + 1, '#')); },
         "it is larger than"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString settingsPath = temp.path() + u"/"_s + QLatin1String(row.name) + u".conf"_s;
        row.make(settingsPath);
        const auto kind = kindOf(settingsPath);
        {
            QSettingsUserDefaults defaults(settingsPath);
            ASSERT_TRUE(defaults.notice().has_value());
            EXPECT_TRUE(defaults.notice()->contains(QLatin1String(row.reason)))
                << defaults.notice()->toStdString();
            EXPECT_FALSE(defaults.value(u"keepAwake"_s).isValid());
            const Status saved = defaults.setValue(u"keepAwake"_s, true);
            ASSERT_FALSE(saved.ok());
            EXPECT_TRUE(
                saved.error().description().startsWith(u"Couldn't save Tovi's settings to "_s + settingsPath))
                << saved.error().description().toStdString();
            EXPECT_FALSE(defaults.setValue(u"historySync"_s, true).ok()) << "a later write passed for saved";
            EXPECT_EQ(defaults.boolValue(u"keepAwake"_s), true);
        }
        EXPECT_EQ(kindOf(settingsPath), kind);

        const QString config = temp.path() + u"/config "_s + QLatin1String(row.name);
        ASSERT_TRUE(QDir().mkpath(config + u"/autostart"_s));
        row.make(entryFile(config));
        XdgAutostartLoginItem item(config, u"/usr/bin/tovi-tray"_s);
        const auto entryKind = kindOf(entryFile(config));
        EXPECT_FALSE(item.isEnabled());
        ASSERT_TRUE(item.notice().has_value());
        EXPECT_TRUE(item.notice()->contains(QLatin1String(row.reason))) << item.notice()->toStdString();
        // An oversized regular file there is no entry of ours; asking for one replaces it.
        const Status on = item.setEnabled(true);
        EXPECT_EQ(on.ok(), entryKind == S_IFREG);
        if (!on.ok()) {
            EXPECT_TRUE(on.error().description().contains(QLatin1String(row.reason)))
                << on.error().description().toStdString();
            EXPECT_EQ(kindOf(entryFile(config)), entryKind);
        }
    }
    EXPECT_EQ(kindOf(fifo), unsigned(S_IFIFO));
}

TEST(BoottimeClock, SleepsOnAbsoluteBoottimeDeadlinesEndInDeadlineOrderAndKeepOneDescriptor) {
    const auto before = timerfds();
    const auto added = [&before] {
        auto now = timerfds();
        for (const QString& fd : before.keys())
            now.remove(fd);
        return now;
    };
    {
        BoottimeClock clock;
        EXPECT_TRUE(clock.sleepFor(-5s).isReady()) << "nothing to wait for: done before the loop runs";
        std::vector<int> order;
        QCoro::Task<> longer = sleepAndRecord(&clock, 150ms, &order);
        const auto during = added();
        ASSERT_EQ(during.size(), 1) << "the sleep waits on a timerfd";
        // CLOCK_BOOTTIME (7), absolute deadline: a sleep spanning a suspend ends at once on resume.
        for (const QLatin1String line : {"clockid: 7"_L1, "settime flags: 01"_L1})
            EXPECT_TRUE(during.first().contains(line)) << qPrintable(during.first());
        QCoro::Task<> shorter = sleepAndRecord(&clock, 1ms, &order);
        QCoro::waitFor(std::move(longer));
        QCoro::waitFor(std::move(shorter));
        EXPECT_EQ(order, (std::vector<int>{1, 150})) << "the later, shorter sleep ends first";
        const auto kept = added();
        EXPECT_EQ(kept.size(), 1) << "one timer is kept for the next sleep, the other closed";
        QCoro::Task<> again = sleepAndRecord(&clock, 1ms, &order);
        EXPECT_EQ(added().keys(), kept.keys()) << "the next sleep reuses the kept timer";
        QCoro::waitFor(std::move(again));
    }
    EXPECT_EQ(timerfds().keys(), before.keys()) << "the clock closes its timer";
}

TEST(Translations, ALocaleWithoutAFileOfItsOwnKeepsTheEnglishTexts) {
    EXPECT_FALSE(installTranslations(QLocale(u"eo"_s)));
}
