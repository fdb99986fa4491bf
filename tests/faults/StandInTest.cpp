// The stand-in CLI's own controls, where the rest of this suite would not notice a fault:
// a rule that silently matched nothing, never ran out or printed a small document would let
// the checks above pass vacuously, and a service that kept a pipe or waited on a planted FIFO
// would hang whoever started or stopped it.

#include "FaultSandbox.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace tovi::faults {
namespace {

const QStringList kStatus{u"internal"_qs, u"status"_qs, u"--stdout-format=json"_qs};

bool processExists(qint64 pid) {
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == 0;
}

qint64 daemonPid(const FaultSandbox& box) {
    return readFile(box.pidFilePath()).trimmed().toLongLong();
}

QStringList openDescriptors(qint64 pid) {
    QStringList targets;
    const QDir fds(u"/proc/%1/fd"_qs.arg(pid));
    for (const QString& fd : fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)) {
        char target[512] = {};
        const ssize_t n =
            ::readlink(QFile::encodeName(fds.filePath(fd)).constData(), target, sizeof(target) - 1);
        if (n > 0)
            targets << QString::fromLocal8Bit(target, n);
    }
    return targets;
}

TEST(StandIn, ScenarioRulesMatchByPrefixCountDownAndPad) {
    FaultSandbox box;
    ASSERT_TRUE(box.isValid());
    box.setScenario(R"({"rules":[{"match":["internal","status"],"exit":3,"stderr":"boom\n","times":2}]})");
    EXPECT_EQ(box.sim({u"account"_qs, u"me"_qs, u"--stdout-format=json"_qs}), 0)
        << "other commands are untouched";
    QByteArray out;
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(box.sim(kStatus, &out), 3);
        EXPECT_TRUE(out.isEmpty());
    }
    EXPECT_EQ(box.sim(kStatus), 0) << "the rule was used up";

    box.setScenario(R"({"rules":[{"match":["internal"],"output":"huge","huge_mib":3}]})");
    ASSERT_EQ(box.sim(kStatus, &out), 0);
    EXPECT_GE(out.size(), 3 * 1024 * 1024);
    EXPECT_TRUE(QJsonDocument::fromJson(out).object().contains(u"spaces"_qs))
        << "huge output is still one valid document";

    box.clearScenario();
    ASSERT_EQ(box.sim(kStatus, &out), 0);
    EXPECT_LT(out.size(), 1024 * 1024) << "clearing ends the padding";
}

// The soak run measures memory under churn; a churn that changed nothing would measure idling.
TEST(StandIn, ChurnChangesTheSnapshotOnEveryCall) {
    FaultSandbox box;
    ASSERT_TRUE(box.isValid());
    box.setScenario(R"({"churn":true})");
    auto status = [&box] {
        QByteArray out;
        EXPECT_EQ(box.sim(kStatus, &out), 0);
        return QJsonDocument::fromJson(out).object();
    };
    QJsonObject previous = status();
    for (int i = 0; i < 3; ++i) {
        const QJsonObject next = status();
        EXPECT_NE(next.value(u"spaces"_qs), previous.value(u"spaces"_qs));
        EXPECT_NE(next.value(u"notifications"_qs), previous.value(u"notifications"_qs));
        // The node counts stay consistent with the nodes listed.
        int online = 0;
        for (const QJsonValue& n : next.value(u"spaces"_qs).toObject().value(u"nodes"_qs).toArray())
            online += n.toObject().value(u"online"_qs).toBool() ? 1 : 0;
        EXPECT_EQ(next.value(u"nodes"_qs).toObject().value(u"online"_qs).toInt(), online);
        previous = next;
    }
}

TEST(StandIn, ServiceStartsDetachedRestartsAndStopsEvenOverAPlantedFifo) {
    FaultSandbox box;
    ASSERT_TRUE(box.isValid());
    const QStringList install{u"install"_qs, u"service"_qs};
    const QStringList uninstall{u"uninstall"_qs, u"service"_qs};

    ASSERT_EQ(box.sim(install), 0);
    const qint64 pid = daemonPid(box);
    ASSERT_GT(pid, 0) << "the pid file exists when install service returns";
    EXPECT_TRUE(processExists(pid));
    // Detached: no pipe of whoever ran "install service" stays open in the service.
    for (const QString& target : openDescriptors(pid))
        EXPECT_FALSE(target.contains(u"pipe:"_qs)) << target.toStdString();

    ASSERT_EQ(box.sim(install), 0);
    const qint64 restarted = daemonPid(box);
    EXPECT_NE(restarted, pid);
    EXPECT_TRUE(processExists(restarted));

    ::kill(static_cast<pid_t>(restarted), SIGTERM);
    EXPECT_TRUE(spinUntil([&] { return !QFile::exists(box.pidFilePath()); }));

    // A stale pid file (a process that is gone) doesn't stop a fresh start.
    box.writePidFile("999999\n");
    ASSERT_EQ(box.sim(install), 0);
    EXPECT_NE(daemonPid(box), 999999);
    EXPECT_TRUE(processExists(daemonPid(box)));
    ASSERT_EQ(box.sim(uninstall), 0);
    EXPECT_FALSE(QFile::exists(box.pidFilePath()));

    // Stopping must not wait for a writer.
    ASSERT_EQ(::mkfifo(QFile::encodeName(box.pidFilePath()).constData(), 0600), 0);
    EXPECT_EQ(box.sim(uninstall), 0);
}

} // namespace
} // namespace tovi::faults
