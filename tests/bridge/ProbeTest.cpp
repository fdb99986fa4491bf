// Where things are: the CLI to run, this application, and the daemon's pid file.
#include "bridge/AppLocationProbe.h"
#include "bridge/DaemonStateProbe.h"
#include "bridge/ExecutableLocator.h"
#include "support/TestUtil.h"
#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovi;
using namespace tovi::test;

namespace {

// One machine layout below a temporary root; a row says what is at which candidate ("place=kind").
struct Layout {
    QTemporaryDir root;
    QString path(const QString& place) const {
        static const QHash<QString, QString> special{{u"app"_qs, u"bundle/Tovi"_qs},
                                                     {u"bundled"_qs, u"bundle/tovi"_qs},
                                                     {u"home"_qs, u"home/.local/bin/tovi"_qs},
                                                     {u"cwd"_qs, u"tovi"_qs}};
        return root.filePath(special.value(place, place + u"/tovi"_qs));
    }
    // exe, plain (not executable), dir, symlink (to the application), dangling (a link to nothing),
    // tolink (a link to an executable elsewhere).
    void make(const QString& place, const QString& kind) const {
        const QString at = path(place);
        QDir().mkpath(QFileInfo(at).absolutePath());
        if (kind == u"exe" || kind == u"plain")
            writeFile(at, "x", kind == u"exe" ? kExecutable : kPlain);
        else if (kind == u"dir")
            QDir().mkpath(at);
        else if (kind == u"tolink")
            make(u"elsewhere"_qs, u"exe"_qs);
        if (kind == u"symlink" || kind == u"dangling" || kind == u"tolink") {
            const QString target = kind == u"symlink"  ? path(u"app"_qs)
                                   : kind == u"tolink" ? path(u"elsewhere"_qs)
                                                       : root.filePath(u"gone"_qs);
            EXPECT_TRUE(QFile::link(target, at));
        }
    }
    // The search path has an empty and a relative entry, which would mean the working directory.
    ExecutableLocator locator() const {
        return {path(u"app"_qs),
                root.filePath(u"home"_qs),
                {path(u"system"_qs)},
                {path(u"brew"_qs), path(u"linuxbrew"_qs)},
                QFile::encodeName(root.filePath(u"path-a"_qs)) +
                    "::relative:" + QFile::encodeName(root.filePath(u"path-b"_qs)) + "/"};
    }
};

} // namespace

TEST(ExecutableLocator, TriesCandidatesInOrderAndSkipsTheApplicationItself) {
    const QString allFixed = u" system=exe home=exe brew=exe linuxbrew=exe"_qs;
    const struct {
        QString layout;
        const char* expected; // nullptr: nothing qualifies
    } rows[] = {
        // Beside Tovi, a different file named tovi wins, execute permission or not.
        {u"bundled=exe"_qs + allFixed, "bundled"},
        {u"bundled=plain"_qs + allFixed, "bundled"},
        // A link to the application is the application; a dangling one is nothing.
        {u"bundled=symlink"_qs + allFixed, "system"},
        {u"bundled=dangling"_qs + allFixed, "system"},
        {u"system=plain home=dir linuxbrew=exe"_qs, "linuxbrew"},
        {u"home=tolink brew=exe"_qs, "home"},
        {u"brew=exe linuxbrew=exe path-a=exe"_qs, "brew"},
        {u"brew=plain path-a=exe path-b=exe"_qs, "path-a"},
        {u"path-a=plain path-b=exe"_qs, "path-b"},
        {u"cwd=exe relative=exe system=plain home=dangling"_qs, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.layout.toStdString());
        Layout layout;
        const ScopedCurrentDir cwd(layout.root.path());
        layout.make(u"app"_qs, u"exe"_qs);
        for (const QString& entry : row.layout.split(u' ', Qt::SkipEmptyParts))
            layout.make(entry.section(u'=', 0, 0), entry.section(u'=', 1));
        const QString none = u"(none)"_qs;
        EXPECT_EQ(layout.locator().locate().value_or(none),
                  row.expected ? layout.path(QString::fromLatin1(row.expected)) : none);
    }
}

TEST(AppLocation, PathsClassifyAndTheBundleIsTheAppImageWhenThereIsOne) {
    const QString home = u"/home/ada"_qs;
    // Linux: an AppImage's mount and /tmp do not persist; package-managed, /opt and per-user installs do.
    const std::pair<AppLocation, QStringList> rows[] = {
        {AppLocation::applicationsFolder,
         {u"/Applications/Tovi.app"_qs, u"/usr/bin"_qs, u"/opt/tovi/bin"_qs, home + u"/.local/bin"_qs,
          home + u"/Applications/Tovi.AppImage"_qs}},
        {AppLocation::temporary,
         {u"/Volumes/Tovi/Tovi.app"_qs, u"/private/var/folders/x1/T/AppTranslocation/4F2/d/Tovi.app"_qs,
          u"/tmp/.mount_ToviXy12/usr/bin"_qs, u"/tmp/Tovi.AppImage"_qs}},
        {AppLocation::elsewhere,
         {home + u"/Downloads/Tovi.app"_qs, u"/applications/Tovi.app"_qs, u"/Applications"_qs,
          u"/home/adam/Applications/Tovi.app"_qs, u"/tmpfiles/Tovi"_qs, u"/usr"_qs,
          u"/home/adam/.local/bin"_qs}},
    };
    for (const auto& [expected, paths] : rows)
        for (const QString& path : paths)
            EXPECT_EQ(classifyAppLocation(path, home), expected) << path.toStdString();
    // The bundle is the AppImage when Tovi runs from one: the executable inside the image's mount.
    const QString image = home + u"/Applications/Tovi.AppImage"_qs, mount = u"/tmp/.mount_ToviXy12"_qs;
    const struct {
        QString appImage, appDir, executable;
        bool trusted;
    } images[] = {
        {image, mount, mount + u"/usr/bin/tovi-tray"_qs, true},
        {image, mount + u"/"_qs, mount + u"/usr/bin/tovi-tray (deleted)"_qs, true}, // replaced meanwhile
        {image, mount, u"/usr/bin/tovi-tray"_qs, false},          // inherited from another image
        {image, mount, mount + u"2/usr/bin/tovi-tray"_qs, false}, // a sibling mount
        {image, u""_qs, mount + u"/usr/bin/tovi-tray"_qs, false},
        {image, u"/"_qs, u"/usr/bin/tovi-tray"_qs, false},
        {u"Tovi.AppImage"_qs, mount, mount + u"/usr/bin/tovi-tray"_qs, false},
        {u""_qs, mount, mount + u"/usr/bin/tovi-tray"_qs, false},
    };
    for (const auto& row : images)
        EXPECT_EQ(trustedAppImage(row.appImage, row.appDir, row.executable), row.trusted ? image : QString())
            << row.appDir.toStdString() << ' ' << row.executable.toStdString();
    // This test runs from no image: whatever it inherits (as from a terminal an AppImage started), the
    // bundle is the executable's own directory.
    const ScopedEnv appImage("APPIMAGE", QByteArray("/home/ada/Applications/Other.AppImage"));
    // A folder the build is never in (a build under /tmp would be inside an APPDIR of /tmp).
    const ScopedEnv appDir("APPDIR", QByteArray("/nonexistent/Other.AppDir"));
    EXPECT_EQ(runningAppImage(), QString());
    EXPECT_EQ(currentBundlePath(), QCoreApplication::applicationDirPath());
}

TEST(DaemonState, ThePidFileWhereTheCliKeepsItHoldsOnePositiveDecimalOfARunningProcess) {
    const std::pair<QByteArray, std::int32_t> valid[] = {
        {"4321\n", 4321},           {" \t4321 \n\n", 4321},         {"+42", 42},
        {"2147483647", 2147483647}, {"\302\24012\342\200\250", 12}, // no-break space, line separator
    };
    for (const auto& [contents, pid] : valid)
        EXPECT_EQ(parsePidFileContents(contents), pid) << contents.toStdString();
    // Arabic-Indic digit three, a byte that is not UTF-8, a sequence cut at the end.
    for (const QByteArray& contents :
         {QByteArray("4321abc"), QByteArray("1 2"), QByteArray("0"), QByteArray("-5"),
          QByteArray("2147483648"), QByteArray(""), QByteArray("+"), QByteArray("++1"), QByteArray("0x10"),
          QByteArray("1\0", 2), QByteArray("\xd9\xa3"), QByteArray("\37712"), QByteArray("12\xe2\x82")})
        EXPECT_EQ(parsePidFileContents(contents), std::nullopt) << contents.toHex(' ').toStdString();
    EXPECT_EQ(daemonStateForKillResult(10, 0, 0), DaemonState::makeRunning(10));
    EXPECT_EQ(daemonStateForKillResult(10, -1, EPERM), DaemonState::makeRunning(10));
    EXPECT_EQ(daemonStateForKillResult(10, -1, ESRCH), DaemonState::stopped());
    EXPECT_EQ(daemonStateForKillResult(10, -1, EINVAL), DaemonState::stopped());
    const ScopedEnv home("HOME", QByteArray("/home/someone"));
    const std::pair<std::optional<QByteArray>, const char*> paths[] = {
        {std::nullopt, "/home/someone/.tovi/run/daemon.pid"},
        {QByteArray("/srv/tovi"), "/srv/tovi/run/daemon.pid"},
        {QByteArray("~/state/"), "~/state/run/daemon.pid"},
        {QByteArray(""), "run/daemon.pid"},
    };
    for (const auto& [dir, path] : paths) {
        const ScopedEnv set("TOVI_DIR", dir);
        EXPECT_EQ(daemonPidFilePath(), QString::fromUtf8(path));
    }
    QTemporaryDir root;
    const ScopedEnv toviDir("TOVI_DIR", QFile::encodeName(root.path()));
    const QString pidFile = root.filePath(u"run/daemon.pid"_qs);
    const QByteArray self = QByteArray::number(::getpid());
    EXPECT_EQ(readDaemonState(), DaemonState::stopped()) << "no run directory";
    ASSERT_TRUE(QDir().mkpath(root.filePath(u"run"_qs)));
    EXPECT_EQ(readDaemonState(), DaemonState::stopped()) << "no pid file";
    const std::pair<QByteArray, DaemonState> cases[] = {
        {self + "\n", DaemonState::makeRunning(::getpid())},
        // Process 1 always exists; unprivileged, the test reads it through EPERM.
        {"1\n", DaemonState::makeRunning(1)},
        // Only a short prefix is read: blanks within it still parse, anything longer is no pid file.
        {QByteArray(40, ' ') + self + "\n", DaemonState::makeRunning(::getpid())},
        {self + QByteArray(64, '\n'), DaemonState::stopped()},
    };
    for (const auto& [contents, expected] : cases) {
        writeFile(pidFile, contents);
        EXPECT_EQ(readDaemonState(), expected) << contents.toStdString();
    }
    ASSERT_TRUE(QFile::remove(pidFile));
    ASSERT_TRUE(QDir().mkpath(pidFile));
    EXPECT_EQ(readDaemonState(), DaemonState::stopped()) << "a directory where the file belongs";
    ASSERT_TRUE(QDir().rmdir(pidFile));
    // A FIFO would block a plain read until a writer came along.
    ASSERT_EQ(::mkfifo(QFile::encodeName(pidFile).constData(), 0600), 0);
    EXPECT_EQ(readDaemonState(), DaemonState::stopped()) << "a FIFO";
}
