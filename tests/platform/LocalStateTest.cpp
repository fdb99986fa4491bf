#include "platform/BoottimeClock.h"
#include "platform/InstanceLock.h"
#include "platform/QSettingsUserDefaults.h"
#include "platform/XdgAutostartLoginItem.h"
#include "support/TestUtil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The platform's state outside any bus: the instance lock, the login item, the settings, the clock.
using namespace tovi;
using namespace tovi::test;
using namespace std::chrono_literals;
using Outcome = InstanceLock::Outcome;

namespace {

// Starts a lock holder in its own process and returns the outcome it printed.
QString startHolder(QProcess& process, const QString& directory) {
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/platform_lock_holder"),
                  {directory});
    while (!process.canReadLine() && process.waitForReadyRead(10000)) {
    }
    return QString::fromUtf8(process.readLine()).trimmed();
}

} // namespace

TEST(InstanceLock, OneCopyPerUserAcrossProcessesAndCrashes) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString directory = temp.path() + QStringLiteral("/share/Tovi");
    const mode_t previousMask = ::umask(022);
    InstanceLock lock(directory);
    EXPECT_EQ(lock.lockFD(), -1);
    EXPECT_EQ(lock.acquire(), Outcome::acquired);
    ::umask(previousMask);
    EXPECT_EQ(lock.filePath(), directory + QStringLiteral("/instance.lock"));
    ASSERT_GE(lock.lockFD(), 0);
    EXPECT_EQ(QFileInfo(lock.filePath()).size(), 0) << "missing parent directories are created";
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(lock.filePath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    // A CLI service started by the app must not inherit, and so keep, the lock.
    EXPECT_TRUE(::fcntl(lock.lockFD(), F_GETFD) & FD_CLOEXEC);
    EXPECT_EQ(::fcntl(lock.lockFD(), F_GETFL) & O_ACCMODE, O_RDWR);

    // A second copy, in this process or another, is refused and keeps nothing open.
    InstanceLock second(directory);
    EXPECT_EQ(second.acquire(), Outcome::heldByAnotherCopy);
    EXPECT_EQ(second.lockFD(), -1);
    QProcess refused;
    EXPECT_EQ(startHolder(refused, directory), QStringLiteral("heldByAnotherCopy"));
    ::close(lock.lockFD());

    // A holder that dies without cleaning up takes the lock with it.
    QProcess holder;
    ASSERT_EQ(startHolder(holder, directory), QStringLiteral("acquired"));
    EXPECT_EQ(InstanceLock(directory).acquire(), Outcome::heldByAnotherCopy);
    holder.kill();
    ASSERT_TRUE(holder.waitForFinished());
    InstanceLock relaunch(directory);
    EXPECT_EQ(relaunch.acquire(), Outcome::acquired);
    ::close(relaunch.lockFD());
}

TEST(InstanceLock, ALockThatCannotBeTakenRunsUnguardedUnlessHeldElsewhere) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    // A regular file where the directory should be: neither mkdir nor open can succeed, even as root.
    const QString blocker = temp.path() + QStringLiteral("/share");
    QFile(blocker).open(QIODevice::WriteOnly);
    InstanceLock lock(blocker + QStringLiteral("/Tovi"));
    EXPECT_EQ(lock.acquire(), Outcome::acquiredUnguarded);
    EXPECT_LT(lock.lockFD(), 0);
    EXPECT_FALSE(QFileInfo::exists(lock.filePath()));

    // File systems without flock support still start the application.
    EXPECT_EQ(InstanceLock::outcomeOfLockFailure(EWOULDBLOCK), Outcome::heldByAnotherCopy);
    for (int error : {ENOLCK, EINVAL, EIO})
        EXPECT_EQ(InstanceLock::outcomeOfLockFailure(error), Outcome::acquiredUnguarded) << error;
}

namespace {

QString entryFile(const QString& configDir) {
    return configDir + QStringLiteral("/autostart/dev.tovi.Tovi.desktop");
}

QStringList readLines(const QString& path) {
    return QString::fromUtf8(readFile(path)).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

TEST(XdgAutostartLoginItem, EnablingWritesTheEntryThatStartsExactlyTheExecutableAndDisablingRemovesIt) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString config = temp.path() + QStringLiteral("/config");
    XdgAutostartLoginItem item(config, QStringLiteral("/opt/Tovi/tovi-tray"));
    EXPECT_EQ(item.entryPath(), entryFile(config));
    EXPECT_FALSE(item.isEnabled());

    const Status enabled = item.setEnabled(true);
    ASSERT_TRUE(enabled.ok()) << qPrintable(enabled.error().description());
    EXPECT_TRUE(item.isEnabled());
    const QStringList lines = readLines(entryFile(config));
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), QStringLiteral("[Desktop Entry]"));
    for (const char* expected :
         {"Type=Application", "Name=Tovi", "Exec=/opt/Tovi/tovi-tray", "Icon=dev.tovi.Tovi",
          "X-GNOME-Autostart-Delay=3", "X-KDE-autostart-after=panel", "X-LXQt-Need-Tray=true",
          "X-GNOME-Autostart-enabled=true"})
        EXPECT_TRUE(lines.contains(QLatin1String(expected))) << expected;
    EXPECT_EQ(QDir(config + QStringLiteral("/autostart")).entryList(QDir::Files | QDir::Hidden).size(), 1)
        << "no temporary file left behind";

    // Enabling again rewrites in place; disabling removes; a missing file is already off.
    EXPECT_TRUE(item.setEnabled(true).ok());
    EXPECT_TRUE(item.isEnabled());
    EXPECT_TRUE(item.setEnabled(false).ok());
    EXPECT_FALSE(QFile::exists(entryFile(config)));
    EXPECT_FALSE(item.isEnabled());
    EXPECT_TRUE(item.setEnabled(false).ok());

    // Exec quoting, then the value's own escapes: a launcher must get back exactly this one argument.
    const struct {
        const char* executable;
        const char* exec;
    } quoted[] = {
        {"/home/u/My Apps/tovi-tray", R"(Exec="/home/u/My Apps/tovi-tray")"},
        {"/home/u/100% real/tovi", R"(Exec="/home/u/100%% real/tovi")"},
        {"/home/u/$HOME/`x`/tovi", R"(Exec="/home/u/\\$HOME/\\`x\\`/tovi")"},
        {R"(/home/u/back\slash/tovi)", R"(Exec="/home/u/back\\\\slash/tovi")"},
    };
    for (const auto& row : quoted) {
        XdgAutostartLoginItem awkward(config, QString::fromUtf8(row.executable));
        ASSERT_TRUE(awkward.setEnabled(true).ok());
        EXPECT_TRUE(readLines(entryFile(config)).contains(QLatin1String(row.exec))) << row.exec;
    }
}

TEST(XdgAutostartLoginItem, EntriesTheSessionWouldSkipReadAsDisabled) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    XdgAutostartLoginItem item(temp.path(), QStringLiteral("/usr/bin/tovi-tray"));
    const QString path = entryFile(temp.path());
    const struct {
        const char* contents;
        bool enabled;
    } cases[] = {
        {"[Desktop Entry]\nType=Application\nExec=x\n", true},
        {"[Desktop Entry]\nHidden=true\n", false},
        {"[Desktop Entry]\nHidden=false\n", true},
        {"[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n", false},
        // Keys of other groups, and comments, say nothing about the entry itself.
        {"[Desktop Entry]\nExec=x\n[Desktop Action quit]\nHidden=true\nX-GNOME-Autostart-enabled=false\n",
         true},
        {"# Hidden=true\n[Desktop Entry]\nExec=x\n", true},
    };
    for (const auto& c : cases) {
        writeFile(path, c.contents);
        EXPECT_EQ(item.isEnabled(), c.enabled) << c.contents;
    }

    // Switching on over an entry the user hid makes it live again.
    writeFile(path, "[Desktop Entry]\nHidden=true\n");
    ASSERT_TRUE(item.setEnabled(true).ok());
    EXPECT_TRUE(item.isEnabled());
}

TEST(XdgAutostartLoginItem, DefaultsComeFromTheEnvironmentAndFailuresNameTheFile) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    {
        const ScopedEnv config("XDG_CONFIG_HOME", QFile::encodeName(temp.path()));
        const ScopedEnv image("APPIMAGE", std::nullopt);
        EXPECT_EQ(XdgAutostartLoginItem().entryPath(), entryFile(temp.path()));
        EXPECT_EQ(XdgAutostartLoginItem::defaultExecutablePath(), QCoreApplication::applicationFilePath());
    }
    {
        // Inside an AppImage the image is what must start, not its temporary mount.
        const ScopedEnv image("APPIMAGE", QByteArray("/home/u/Apps/Tovi-x86_64.AppImage"));
        EXPECT_EQ(XdgAutostartLoginItem::defaultExecutablePath(),
                  QStringLiteral("/home/u/Apps/Tovi-x86_64.AppImage"));
    }

    // The config directory is a regular file: nothing can be created beneath it.
    const QString blocker = temp.path() + QStringLiteral("/config");
    writeFile(blocker, "not a directory");
    XdgAutostartLoginItem blocked(blocker, QStringLiteral("/usr/bin/tovi-tray"));
    const Status on = blocked.setEnabled(true);
    ASSERT_FALSE(on.ok());
    EXPECT_EQ(on.error().kind, Error::Kind::Platform);
    EXPECT_EQ(on.error().description(),
              QStringLiteral("Couldn't write %1: Not a directory").arg(entryFile(blocker)));
    EXPECT_FALSE(blocked.isEnabled());
    EXPECT_TRUE(blocked.setEnabled(false).ok()) << "no directory, no entry: already off";
}

namespace {

QString key(const char* name) {
    return QString::fromLatin1(name);
}

} // namespace

TEST(QSettingsUserDefaults, ValuesSurviveARestartWithTheirTypesAndOnlyTrueOrFalseAreBooleans) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString path = temp.path() + QStringLiteral("/Tovi.conf");
    {
        QSettingsUserDefaults defaults(path);
        EXPECT_FALSE(defaults.value(key("keepAwake")).isValid());
        EXPECT_EQ(defaults.boolValue(key("keepAwake")), std::nullopt);
        EXPECT_EQ(defaults.doubleValue(key("lastCliUpdate")), 0.0);
        defaults.setValue(key("didRegisterLoginItem"), true);
        defaults.setValue(key("keepAwake"), false);
        defaults.setValue(key("lastCliUpdate"), 1700000000.25);
        EXPECT_EQ(defaults.boolValue(key("didRegisterLoginItem")), true) << "readable before any restart";
    }
    // Written through without an explicit flush, with the keys at the top level.
    const QByteArray text = readFile(path);
    EXPECT_TRUE(text.contains("didRegisterLoginItem=true") && text.contains("keepAwake=false") &&
                !text.contains("[Tovi]"))
        << text.constData();
    QSettingsUserDefaults reopened(path);
    EXPECT_EQ(reopened.boolValue(key("didRegisterLoginItem")), true);
    EXPECT_EQ(reopened.boolValue(key("keepAwake")), false);
    EXPECT_EQ(reopened.doubleValue(key("lastCliUpdate")), 1700000000.25);

    // The rest stays readable raw.
    const QString written = temp.path() + QStringLiteral("/Written.conf");
    writeFile(written, "[General]\nkeepAwake=yes\nhistorySync=1\nautoUpdateCLI=TRUE\nlastCliUpdate=soon\n");
    QSettingsUserDefaults words(written);
    for (const char* name : {"keepAwake", "historySync", "autoUpdateCLI"})
        EXPECT_EQ(words.boolValue(key(name)), std::nullopt) << name;
    EXPECT_EQ(words.doubleValue(key("lastCliUpdate")), 0.0);
    EXPECT_EQ(words.value(key("keepAwake")).toString(), QStringLiteral("yes"));
}

TEST(QSettingsUserDefaults, ADamagedFileKeepsWhatCouldBeReadAndIsSetAsideBeforeItIsRewritten) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    // The user's choices around an unterminated section header.
    const QString damaged = temp.path() + QStringLiteral("/Tovi.conf");
    const QByteArray original =
        "[General]\ndidRegisterLoginItem=true\nautoUpdateCLI=false\n"
        "[updater\nlastCliUpdate=1700000000\n[updater]\nautomaticallyChecksForUpdates=false\n";
    writeFile(damaged, original);
    const auto expectChoices = [](const QSettingsUserDefaults& defaults) {
        EXPECT_EQ(defaults.boolValue(key("didRegisterLoginItem")), true);
        EXPECT_EQ(defaults.boolValue(key("autoUpdateCLI")), false);
        EXPECT_EQ(defaults.boolValue(key("updater/automaticallyChecksForUpdates")), false);
    };
    {
        QSettingsUserDefaults defaults(damaged);
        expectChoices(defaults);
        ASSERT_TRUE(defaults.notice().has_value());
        EXPECT_TRUE(defaults.notice()->contains(defaults.damagedCopyPath()))
            << defaults.notice()->toStdString();
        EXPECT_EQ(readFile(defaults.damagedCopyPath()), original);
        EXPECT_TRUE(defaults.setValue(key("keepAwake"), true).ok());
    }
    QSettingsUserDefaults rewritten(damaged);
    EXPECT_EQ(rewritten.notice(), std::nullopt);
    EXPECT_EQ(rewritten.boolValue(key("keepAwake")), true);
    expectChoices(rewritten);
    EXPECT_EQ(readFile(rewritten.damagedCopyPath()), original) << "the copy was replaced by the clean file";

    // A directory where the file should be, and a file where its directory should be: root ignores
    // permission bits, not these. The write says so and holds for this run.
    const QString blocked = temp.path() + QStringLiteral("/blocked.conf");
    ASSERT_TRUE(QDir().mkpath(blocked));
    for (const QString& path : {blocked, damaged + QStringLiteral("/Tovi.conf")}) {
        SCOPED_TRACE(path.toStdString());
        QSettingsUserDefaults unwritable(path);
        EXPECT_FALSE(unwritable.value(key("keepAwake")).isValid());
        const Status first = unwritable.setValue(key("keepAwake"), true);
        ASSERT_FALSE(first.ok());
        EXPECT_EQ(first.error().description(),
                  QStringLiteral("Couldn't save Tovi's settings to ") + path + QLatin1Char('.'));
        EXPECT_FALSE(unwritable.setValue(key("historySync"), true).ok()) << "a later write passed for saved";
        EXPECT_EQ(unwritable.boolValue(key("keepAwake")), true);
    }
}

namespace {

// Open timerfds of this process: descriptor -> its fdinfo text.
QMap<QString, QString> timerfds() {
    QMap<QString, QString> found;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
        QFile info(QStringLiteral("/proc/self/fdinfo/") + fd);
        if (QFile::symLinkTarget(fds.filePath(fd)).contains(QLatin1String("timerfd")) &&
            info.open(QIODevice::ReadOnly))
            found.insert(fd, QString::fromUtf8(info.readAll()));
    }
    return found;
}

QCoro::Task<> sleepAndRecord(Clock* clock, std::chrono::milliseconds duration, std::vector<int>* order,
                             int id) {
    co_await clock->sleepFor(duration);
    order->push_back(id);
}

} // namespace

TEST(BoottimeClock, SleepsOnAbsoluteBoottimeDeadlinesEndInDeadlineOrderAndLeaveNoDescriptor) {
    BoottimeClock clock;
    const auto before = timerfds();
    EXPECT_TRUE(clock.sleepFor(-5s).isReady()) << "nothing to wait for: done before the loop runs";

    std::vector<int> order;
    QCoro::Task<> longer = sleepAndRecord(&clock, 150ms, &order, 1);
    const auto during = timerfds();
    QCoro::Task<> shorter = sleepAndRecord(&clock, 1ms, &order, 2);
    ASSERT_EQ(during.size(), before.size() + 1) << "the sleep waits on a timerfd";
    for (auto it = during.begin(); it != during.end(); ++it) {
        // CLOCK_BOOTTIME (7) and an absolute deadline: a sleep spanning a suspend ends at once on resume.
        if (!before.contains(it.key())) {
            EXPECT_TRUE(it->contains(QLatin1String("clockid: 7"))) << qPrintable(*it);
            EXPECT_TRUE(it->contains(QLatin1String("settime flags: 01"))) << qPrintable(*it);
        }
    }
    QCoro::waitFor(std::move(longer));
    QCoro::waitFor(std::move(shorter));
    EXPECT_EQ(order, (std::vector<int>{2, 1})) << "the later, shorter sleep ends first";
    EXPECT_EQ(timerfds().keys(), before.keys()) << "each sleep closes its timer";
}
