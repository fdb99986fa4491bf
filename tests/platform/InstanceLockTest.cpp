#include "platform/InstanceLock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovi;
using Outcome = InstanceLock::Outcome;

namespace {

QString holderPath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/platform_lock_holder");
}

// Starts a lock holder in its own process and returns the outcome it printed.
QString startHolder(QProcess& process, const QString& directory) {
    process.start(holderPath(), QStringList{directory});
    if (!process.waitForStarted())
        return QStringLiteral("<not started>");
    while (!process.canReadLine() && process.state() == QProcess::Running)
        process.waitForReadyRead(10000);
    return QString::fromUtf8(process.readLine()).trimmed();
}

} // namespace

TEST(InstanceLock, FirstLaunchCreatesAnEmptyPrivateDescriptorLockFile) {
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

    // Another open of the same file, as a second copy would do, is refused and closed.
    InstanceLock second(directory);
    EXPECT_EQ(second.acquire(), Outcome::heldByAnotherCopy);
    EXPECT_EQ(second.lockFD(), -1);

    ::close(lock.lockFD());
}

TEST(InstanceLock, OneCopyPerUserAcrossProcessesAndCrashes) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString directory = temp.path() + QStringLiteral("/Tovi");

    QProcess first;
    ASSERT_EQ(startHolder(first, directory), QStringLiteral("acquired"));

    InstanceLock here(directory);
    EXPECT_EQ(here.acquire(), Outcome::heldByAnotherCopy);
    QProcess second;
    EXPECT_EQ(startHolder(second, directory), QStringLiteral("heldByAnotherCopy"));
    second.waitForFinished();

    // The holder dies without cleaning up: the lock goes with it.
    first.kill();
    ASSERT_TRUE(first.waitForFinished());
    InstanceLock relaunch(directory);
    EXPECT_EQ(relaunch.acquire(), Outcome::acquired);

    ::close(relaunch.lockFD());
}

TEST(InstanceLock, UnopenableLockFileRunsUnguarded) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    // A regular file where the directory should be: neither mkdir nor open can succeed,
    // whatever the user's privileges.
    QFile blocker(temp.path() + QStringLiteral("/share"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    InstanceLock lock(blocker.fileName() + QStringLiteral("/Tovi"));
    EXPECT_EQ(lock.acquire(), Outcome::acquiredUnguarded);
    EXPECT_LT(lock.lockFD(), 0);
    EXPECT_FALSE(QFileInfo::exists(lock.filePath()));
}

TEST(InstanceLock, OnlyALockHeldElsewhereMeansAnotherCopy) {
    EXPECT_EQ(InstanceLock::outcomeOfLockFailure(EWOULDBLOCK), Outcome::heldByAnotherCopy);
    // Home directories on file systems without flock support still start the application.
    for (int error : {ENOLCK, EINVAL, EBADF, EIO})
        EXPECT_EQ(InstanceLock::outcomeOfLockFailure(error), Outcome::acquiredUnguarded) << error;
}
