#include "bridge/DaemonStateProbe.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

using namespace tovi;
using namespace tovi::test;

TEST(DaemonState, PidFileContentsParseOnlyAsOnePositiveDecimal) {
    struct Case {
        QByteArray contents;
        std::optional<std::int32_t> pid;
    };
    const Case cases[] = {
        {"4321\n", 4321},
        {" \t4321 \n\n", 4321},
        {"+42", 42},
        {"2147483647", 2147483647},
        {"\xc2\xa0"
         "12\xe2\x80\xa8",
         12}, // no-break space, line separator
        {"4321abc", std::nullopt},
        {"1 2", std::nullopt},
        {"0", std::nullopt},
        {"-5", std::nullopt},
        {"2147483648", std::nullopt},
        {"", std::nullopt},
        {"+", std::nullopt},
        {"++1", std::nullopt},
        {"0x10", std::nullopt},
        {QByteArray("1\0", 2), std::nullopt},
        {"\xd9\xa3", std::nullopt}, // ARABIC-INDIC DIGIT THREE
        {"\xff"
         "12",
         std::nullopt},
        {"12\xe2\x82", std::nullopt}, // truncated sequence at the end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.contents.toHex(' ').toStdString());
        EXPECT_EQ(parsePidFileContents(c.contents), c.pid);
    }
}

TEST(DaemonState, KillResultMapsToState) {
    EXPECT_EQ(daemonStateForKillResult(10, 0, 0), DaemonState::makeRunning(10));
    EXPECT_EQ(daemonStateForKillResult(10, -1, EPERM), DaemonState::makeRunning(10));
    EXPECT_EQ(daemonStateForKillResult(10, -1, ESRCH), DaemonState::stopped());
    EXPECT_EQ(daemonStateForKillResult(10, -1, EINVAL), DaemonState::stopped());
}

TEST(DaemonState, PidFilePathFollowsToviDirOrHome) {
    const ScopedEnv home("HOME", QByteArray("/home/someone"));
    struct Case {
        std::optional<QByteArray> toviDir;
        QString path;
    };
    const Case cases[] = {
        {std::nullopt, QStringLiteral("/home/someone/.tovi/run/daemon.pid")},
        {QByteArray("/srv/tovi"), QStringLiteral("/srv/tovi/run/daemon.pid")},
        {QByteArray("~/state/"), QStringLiteral("~/state/run/daemon.pid")},
        {QByteArray(""), QStringLiteral("run/daemon.pid")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.toviDir ? c.toviDir->toStdString() : std::string("(unset)"));
        const ScopedEnv toviDir("TOVI_DIR", c.toviDir);
        EXPECT_EQ(daemonPidFilePath(), c.path);
    }
}

TEST(DaemonState, ReadsThePidFileAndTestsTheProcess) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const ScopedEnv toviDir("TOVI_DIR", QFile::encodeName(root.path()));
    const QString pidFile = root.filePath(QStringLiteral("run/daemon.pid"));
    const QByteArray self = QByteArray::number(::getpid());

    EXPECT_EQ(readDaemonState(), DaemonState::stopped()) << "no run directory";
    ASSERT_TRUE(QDir().mkpath(root.filePath(QStringLiteral("run"))));
    EXPECT_EQ(readDaemonState(), DaemonState::stopped()) << "no pid file";

    struct Case {
        QByteArray contents;
        DaemonState expected;
    };
    const Case cases[] = {
        {self + "\n", DaemonState::makeRunning(::getpid())},
        // Process 1 always exists; unprivileged, the test reads it through EPERM.
        {"1\n", DaemonState::makeRunning(1)},
        {self + "abc", DaemonState::stopped()},
        // Only a short prefix is ever read: blanks that keep the file within it still parse,
        // anything longer is not a pid file, however valid its start.
        {QByteArray(40, ' ') + self + "\n", DaemonState::makeRunning(::getpid())},
        {self + QByteArray(64, '\n'), DaemonState::stopped()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.contents.toStdString());
        writeFile(pidFile, c.contents);
        EXPECT_EQ(readDaemonState(), c.expected);
    }

    ASSERT_TRUE(QFile::remove(pidFile));
    ASSERT_TRUE(QDir().mkpath(pidFile));
    EXPECT_EQ(readDaemonState(), DaemonState::stopped()) << "a directory where the file belongs";
    ASSERT_TRUE(QDir().rmdir(pidFile));

    // A FIFO would block a plain read until a writer came along.
    ASSERT_EQ(::mkfifo(QFile::encodeName(pidFile).constData(), 0600), 0);
    EXPECT_EQ(readDaemonState(), DaemonState::stopped()) << "a FIFO";
    ASSERT_TRUE(QFile::remove(pidFile));
}
