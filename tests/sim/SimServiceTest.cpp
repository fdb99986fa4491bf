#include "SimSandbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using tovi::test::SimSandbox;

namespace {

bool processExists(qint64 pid) {
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == 0;
}

// Waits for an effect of another process; the bound only stops a broken sim from hanging.
template <typename Predicate> bool eventually(Predicate done) {
    for (int i = 0; i < 1000; ++i) {
        if (done())
            return true;
        QThread::msleep(10);
    }
    return done();
}

QStringList openDescriptors(qint64 pid) {
    QStringList targets;
    const QDir fds(u"/proc/%1/fd"_s.arg(pid));
    for (const QString& fd : fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)) {
        char target[512] = {};
        const ssize_t n =
            ::readlink(QFile::encodeName(fds.filePath(fd)).constData(), target, sizeof(target) - 1);
        if (n > 0)
            targets << QString::fromLocal8Bit(target, n);
    }
    return targets;
}

// Services of this sandbox, found by the state directory in their environment.
QList<qint64> servicesOf(const SimSandbox& sim) {
    QList<qint64> pids;
    const QByteArray marker = "TOVI_DIR=" + QFile::encodeName(sim.stateDir());
    for (const QString& entry : QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        QFile cmdline(u"/proc/"_s + entry + u"/cmdline"_s);
        QFile environ(u"/proc/"_s + entry + u"/environ"_s);
        if (!numeric || !cmdline.open(QIODevice::ReadOnly) || !environ.open(QIODevice::ReadOnly))
            continue;
        if (cmdline.readAll().contains(QByteArray("internal\0daemon", 15)) &&
            environ.readAll().split('\0').contains(marker))
            pids << pid;
    }
    return pids;
}

} // namespace

TEST(SimService, OverlappingRestartsLeaveExactlyOneService) {
    SimSandbox sim;
    QList<QProcess*> installs;
    for (int i = 0; i < 3; ++i)
        installs << sim.start({u"install"_s, u"service"_s});
    for (QProcess* p : installs)
        EXPECT_EQ(SimSandbox::finish(p).exitCode, 0);
    const QList<qint64> services = servicesOf(sim);
    ASSERT_EQ(services.size(), 1);
    EXPECT_EQ(services.first(), sim.daemonPid());
    ASSERT_EQ(sim.run({u"uninstall"_s, u"service"_s}).exitCode, 0);
    EXPECT_TRUE(eventually([&] { return servicesOf(sim).isEmpty(); }));
}

TEST(SimService, InstallServiceStartsRestartsAndStopsOnSigterm) {
    SimSandbox sim;
    EXPECT_EQ(sim.daemonPid(), 0);

    const SimSandbox::Run first = sim.run({u"install"_s, u"service"_s});
    ASSERT_EQ(first.exitCode, 0) << first.err.constData();
    const qint64 pid = sim.daemonPid();
    ASSERT_GT(pid, 0) << "the pid file exists when install service returns";
    EXPECT_TRUE(processExists(pid));
    // Detached: no pipe of whoever ran "install service" stays open in the service.
    for (const QString& target : openDescriptors(pid))
        EXPECT_FALSE(target.contains(u"pipe:"_s)) << target.toStdString();

    const SimSandbox::Run again = sim.run({u"install"_s, u"service"_s});
    ASSERT_EQ(again.exitCode, 0) << again.err.constData();
    const qint64 restarted = sim.daemonPid();
    EXPECT_GT(restarted, 0);
    EXPECT_NE(restarted, pid);
    EXPECT_TRUE(processExists(restarted));

    ::kill(static_cast<pid_t>(restarted), SIGTERM);
    EXPECT_TRUE(eventually([&] { return !QFile::exists(sim.statePath(u"run/daemon.pid"_s)); }));

    // A stale pid file (a process that is gone) doesn't stop a fresh start.
    QFile stale(sim.statePath(u"run/daemon.pid"_s));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("999999\n");
    stale.close();
    ASSERT_EQ(sim.run({u"install"_s, u"service"_s}).exitCode, 0);
    EXPECT_NE(sim.daemonPid(), 999999);
    EXPECT_TRUE(processExists(sim.daemonPid()));
    ASSERT_EQ(sim.run({u"uninstall"_s, u"service"_s}).exitCode, 0);
    EXPECT_FALSE(QFile::exists(sim.statePath(u"run/daemon.pid"_s)));

    // A FIFO planted at the pid file's path: stopping must not wait for a writer.
    ASSERT_EQ(::mkfifo(QFile::encodeName(sim.statePath(u"run/daemon.pid"_s)).constData(), 0600), 0);
    const SimSandbox::Run overFifo = sim.run({u"uninstall"_s, u"service"_s});
    EXPECT_EQ(overFifo.exitStatus, QProcess::NormalExit);
    EXPECT_EQ(overFifo.exitCode, 0);
}
