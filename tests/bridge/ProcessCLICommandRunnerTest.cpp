#include "bridge/ProcessCLICommandRunner.h"
#include "bridge/ChildDescriptors.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"
#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace tovi;
using namespace tovi::test;

namespace {

class RunnerTest : public ::testing::Test {
protected:
    // Children inherit the environment; a login shell must read our profile, not the user's.
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(at("home"))); }
    // Some homes here have names that are not UTF-8, which QTemporaryDir cannot remove.
    ~RunnerTest() override { removeTree(QFile::encodeName(m_root.path())); }
    QString at(const char* path) const { return m_root.filePath(QString::fromUtf8(path)); }
    // The application lives in `bundle/`, so `bundle/tovi` is the CLI, and there is no other candidate.
    ExecutableLocator locator() const { return {at("bundle/Tovi"), at("home"), {}, {}, QByteArray()}; }
    void installCli(const QByteArray& body) const { writeScript(at("bundle/tovi"), body); }
    Result<QByteArray> run(QStringList arguments = {}) const {
        ProcessCLICommandRunner runner(locator());
        return awaitResult(runner.run(std::move(arguments)));
    }
    QTemporaryDir m_root;
    const ScopedEnv m_home{"HOME", QFile::encodeName(at("home"))};
};

} // namespace

TEST_F(RunnerTest, OutcomeFollowsTheExitStatusWithStandardErrorAsTheMessage) {
    // code 0: success with `out` exactly; else a failure with that code, standard error and message.
    const struct {
        const char* body;
        int code;
        QByteArray out;
        const char16_t *stderrText, *message;
    } cases[] = {
        {"printf '\\x00\\xff\\r\\n'", 0, QByteArray("\x00\xff\r\n", 4), u"", u""},
        {"printf out; printf 'noise on stderr\\n' >&2", 0, "out", u"", u""},
        {"printf '  \\n\\t\\n' >&2; exit 1", 1, {}, u"  \n\t\n", u"tovi exited with code 1"},
        {"printf 'café ✓\\n' >&2; exit 7", 7, {}, u"café ✓\n", u"tovi exited with code 7: café ✓"},
        // Standard error that is not UTF-8 is dropped whole, not patched with replacements.
        {"printf 'bad \\xff\\xfe\\n' >&2; exit 5", 5, {}, u"", u"tovi exited with code 5"},
        // Ended by a signal: the signal number is the code.
        {"printf 'ended\\n' >&2; kill -TERM $$", 15, {}, u"ended\n", u"tovi exited with code 15: ended"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        installCli(c.body);
        const Result<QByteArray> result = run();
        if (c.code == 0) {
            ASSERT_TRUE(result.ok()) << result.error().description().toStdString();
            EXPECT_EQ(result.value(), c.out);
            continue;
        }
        ASSERT_FALSE(result.ok()) << "stdout: " << result.value().toStdString();
        EXPECT_EQ(result.error().kind, Error::Kind::CliFailed);
        EXPECT_EQ(result.error().code, c.code);
        EXPECT_EQ(result.error().stderrText, QString::fromUtf16(c.stderrText));
        EXPECT_EQ(result.error().description(), QString::fromUtf16(c.message));
    }
}

TEST_F(RunnerTest, ArgumentsEnvironmentAndWorkingDirectoryReachTheChildUnchanged) {
    installCli(
        "for a in \"$@\"; do printf '[%s]' \"$a\"; done; printf '\\n%s\\n%s' \"$TOVI_TEST_MARK\" \"$PWD\"");
    const ScopedEnv mark("TOVI_TEST_MARK", QByteArray("marked value"));
    const QString workDir = at("work dir");
    ASSERT_TRUE(QDir().mkpath(workDir));
    const ScopedCurrentDir cwd(workDir);
    const Result<QByteArray> result = run({u"internal"_qs, u"a b"_qs, QString(), u"*"_qs, u"$HOME;ls"_qs,
                                           u"--stdout-format=json"_qs, u"ünï\n2"_qs});
    ASSERT_TRUE(result.ok()) << result.error().description().toStdString();
    EXPECT_EQ(QString::fromUtf8(result.value()),
              u"[internal][a b][][*][$HOME;ls][--stdout-format=json][ünï\n2]\nmarked value\n"_qs + workDir);
    // The debug log names each run, without what follows an account subcommand (a claim token).
    const LogCapture log;
    ASSERT_TRUE(run({u"account"_qs, u"claim"_qs, u"tok-secret-9"_qs, u"--wait"_qs}).ok());
    ASSERT_TRUE(run({u"status"_qs, u"--json"_qs}).ok());
    const QString ran = u"tovi.cli debug: run "_qs + at("bundle/tovi");
    EXPECT_EQ(log.all(), (QStringList{ran + u" account claim …"_qs, u"tovi.cli debug: exit status 0"_qs,
                                      ran + u" status --json"_qs, u"tovi.cli debug: exit status 0"_qs}));
}

TEST_F(RunnerTest, MegabyteOnEachStreamCompletesAndOnlyAMegabyteOfStandardErrorIsKept) {
    // Standard error comes first: reading standard output to its end before it would never finish.
    // Of three megabytes, one is kept, cut back to a whole character ("x", then two-byte ones).
    installCli(
        "{ printf x; yes é | tr -d '\\n' | head -c 3145728; } >&2; head -c 1048576 /dev/zero | tr '\\0' o; "
        "exit ${1:-0}");
    const Result<QByteArray> ok = run();
    ASSERT_TRUE(ok.ok()) << ok.error().description().toStdString();
    EXPECT_EQ(ok.value(), QByteArray(1048576, 'o'));
    const Result<QByteArray> failed = run({u"9"_qs});
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().code, 9);
    EXPECT_EQ(failed.error().stderrText, u"x"_qs + QString(1048575 / 2, u'é'));
}

TEST_F(RunnerTest, StreamsAreReadToTheirEndAndStandardInputIsEmpty) {
    // A process the CLI leaves behind still holds both streams: what it prints after the
    // child's exit belongs to the run, on either stream.
    installCli("printf early; { sleep 1; printf late; printf ' and more' >&2; } & exit ${1:-0}");
    const Result<QByteArray> ok = run();
    ASSERT_TRUE(ok.ok()) << ok.error().description().toStdString();
    EXPECT_EQ(ok.value(), "earlylate");
    const Result<QByteArray> failed = run({u"3"_qs});
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().description(), u"tovi exited with code 3: and more"_qs);

    // One that holds them for good: the run ends after the wait, and the process lives on,
    // writing into the pipe the runner still empties (a closed one would kill it).
    const QString survived = at("survived");
    installCli("printf early; { sleep 0.5; printf late; printf late >&2; echo $BASHPID >\"$1\"; exec sleep "
               "600; } &");
    const Result<QByteArray> held = awaitResult(ProcessCLICommandRunner::execute(
        QFile::encodeName(at("bundle/tovi")), {survived}, std::nullopt, std::chrono::milliseconds(100)));
    ASSERT_TRUE(held.ok()) << held.error().description().toStdString();
    EXPECT_TRUE(held.value().startsWith("early"));
    ASSERT_TRUE(spinUntil([&] { return readFile(survived).endsWith('\n'); })) << "the leftover died writing";
    EXPECT_EQ(::kill(readFile(survived).trimmed().toInt(), SIGKILL), 0);

    // Standard input is the null device, whatever the application's own is (here a pipe that
    // never ends): a CLI that reads it sees its end at once.
    int heldInput[2];
    ASSERT_EQ(::pipe(heldInput), 0);
    const int ownStdin = ::dup(STDIN_FILENO);
    ::dup2(heldInput[0], STDIN_FILENO);
    installCli("cat; printf 'read to the end'");
    ProcessCLICommandRunner runner(locator());
    const Result<QByteArray> reader = awaitResult(runner.run({}, std::chrono::seconds(20)));
    ::dup2(ownStdin, STDIN_FILENO);
    for (int fd : {ownStdin, heldInput[0], heldInput[1]})
        ::close(fd);
    ASSERT_TRUE(reader.ok()) << reader.error().description().toStdString();
    EXPECT_EQ(reader.value(), "read to the end");
}

TEST_F(RunnerTest, ARunPastItsTimeLimitIsEndedAndFails) {
    const QString pidFile = at("child.pid");
    installCli("echo $$ > \"$1\"; exec sleep 600");
    ProcessCLICommandRunner runner(locator());
    const Result<QByteArray> result = awaitResult(runner.run({pidFile}, std::chrono::milliseconds(300)));
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().kind, Error::Kind::CliStopped);
    EXPECT_EQ(result.error().description(), u"tovi didn't finish within 1 second"_qs);
    const pid_t child = readFile(pidFile).trimmed().toInt();
    ASSERT_GT(child, 0);
    EXPECT_NE(::kill(child, 0), 0) << "the child still runs";
    // Within the limit nothing changes.
    installCli("printf quick");
    const Result<QByteArray> quick = awaitResult(runner.run({}, std::chrono::minutes(10)));
    ASSERT_TRUE(quick.ok()) << quick.error().description().toStdString();
    EXPECT_EQ(quick.value(), "quick");
}

TEST_F(RunnerTest, FindsTheCliWhenItAppearsAndRunsShellLinesThroughALoginBash) {
    writeFile(at("home/.bash_profile"), "export TOVI_LOGIN_MARK=from-profile\n");
    ProcessCLICommandRunner runner(locator());
    EXPECT_FALSE(awaitResult(runner.isInstalled()));
    const Result<QByteArray> missing = awaitResult(runner.run({u"internal"_qs}));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().kind, Error::Kind::CliNotFound);
    EXPECT_EQ(missing.error().description(), u"Couldn't find the tovi CLI."_qs);
    // The shell needs no CLI.
    const Result<QByteArray> login =
        awaitResult(runner.runShell(u"printf '%s|%s' \"$TOVI_LOGIN_MARK\" \"$0\" | tr a-z A-Z"_qs));
    ASSERT_TRUE(login.ok()) << login.error().description().toStdString();
    EXPECT_EQ(login.value(), "FROM-PROFILE|/BIN/BASH");
    EXPECT_EQ(awaitResult(runner.runShell(u"exit 4"_qs)).error().code, 4);
    // Installed while the application runs: found by the next call.
    installCli("printf installed");
    EXPECT_TRUE(awaitResult(runner.isInstalled()));
    const Result<QByteArray> after = awaitResult(runner.run({}));
    ASSERT_TRUE(after.ok());
    EXPECT_EQ(after.value(), "installed");
    // A file the system cannot run fails to start with the system's message.
    writeFile(at("bundle/tovi"), "\177ELFgarbage", kExecutable);
    const Result<QByteArray> garbage = awaitResult(runner.run({}));
    ASSERT_FALSE(garbage.ok());
    EXPECT_EQ(garbage.error().kind, Error::Kind::ProcessStart);
    EXPECT_EQ(garbage.error().description(), QString::fromLocal8Bit(std::strerror(ENOEXEC)));
    // A CLI under a home whose name is not UTF-8 is found and runs.
    const QByteArray home = QFile::encodeName(m_root.path()) + "/h\xe9me";
    writeNativeScript(home + "/.local/bin/tovi", "printf 'ran %s' \"$1\"");
    const ScopedEnv homeEnv("HOME", home);
    ExecutableLocator unsetHome = locator();
    unsetHome.homeDirectory.reset();
    unsetHome.applicationExecutable = at("elsewhere/Tovi");
    ProcessCLICommandRunner native(unsetHome);
    EXPECT_TRUE(awaitResult(native.isInstalled()));
    const Result<QByteArray> ran = awaitResult(native.run({u"ünï"_qs}));
    ASSERT_TRUE(ran.ok()) << ran.error().description().toStdString();
    EXPECT_EQ(QString::fromUtf8(ran.value()), u"ran ünï"_qs);
}

TEST_F(RunnerTest, ChildSeesOnlyStandardDescriptors) {
    // Descriptors a careless library would leave open across exec, beside Qt's own files.
    const int opened = ::open(QFile::encodeName(at("scratch")).constData(), O_CREAT | O_RDWR, 0600);
    ASSERT_GE(opened, 0);
    // A number of several digits, so the listing must read each of them right.
    const int leakyFile = ::fcntl(opened, F_DUPFD, 987);
    ::close(opened);
    ASSERT_GE(leakyFile, 987);
    int leakyPipe[2];
    ASSERT_EQ(::pipe(leakyPipe), 0);
    QFile qtFile(at("qt-file"));
    ASSERT_TRUE(qtFile.open(QIODevice::WriteOnly));
    installCli("exec /bin/ls -l /proc/self/fd");
    const Result<QByteArray> result = run();
    ASSERT_TRUE(result.ok()) << result.error().description().toStdString();
    QSet<int> seen; // all but the listing's own descriptor of the directory
    static const QRegularExpression entry(uR"((\d+) -> (?!/proc/\d+/fd$))"_qs,
                                          QRegularExpression::MultilineOption);
    for (const QRegularExpressionMatch& m : entry.globalMatch(QString::fromUtf8(result.value())))
        seen.insert(m.captured(1).toInt());
    EXPECT_EQ(seen, (QSet<int>{0, 1, 2})) << result.value().toStdString();
    // Kernels before 5.11 take the listing path in the child; here it runs on the test process.
    const int standardFlags[3] = {::fcntl(0, F_GETFD), ::fcntl(1, F_GETFD), ::fcntl(2, F_GETFD)};
    markDescriptorsCloseOnExecByListing();
    for (int fd : {leakyFile, leakyPipe[0], leakyPipe[1]}) {
        EXPECT_TRUE(::fcntl(fd, F_GETFD) & FD_CLOEXEC) << fd;
        ::close(fd);
    }
    for (int fd = 0; fd < 3; ++fd)
        EXPECT_EQ(::fcntl(fd, F_GETFD), standardFlags[fd]) << fd;
}

TEST_F(RunnerTest, RunOutlivesTheRunnerAndTheAwaitingTask) {
    const QString flags = at("flags");
    ASSERT_TRUE(QDir().mkpath(flags));
    // Waits for the file named by $1 (go, or done), then leaves "done".
    installCli(
        R"(for i in $(seq 600); do [ -e "$2/$1" ] && { touch "$2/done"; exit 0; }; sleep 0.05; done; exit 1)");
    auto runner = std::make_shared<ProcessCLICommandRunner>(locator());
    QCoro::Task<Result<QByteArray>> outlivesRunner = runner->run({u"go"_qs, flags});
    runner.reset();
    writeFile(flags + u"/go"_qs, "");
    const Result<QByteArray> first = awaitResult(std::move(outlivesRunner));
    ASSERT_TRUE(first.ok()) << first.error().description().toStdString();
    // The task is dropped while its child runs: the child must be left to finish.
    ASSERT_TRUE(QFile::remove(flags + u"/go"_qs));
    ASSERT_TRUE(QFile::remove(flags + u"/done"_qs));
    ProcessCLICommandRunner other(locator());
    { QCoro::Task<Result<QByteArray>> dropped = other.run({u"go"_qs, flags}); }
    writeFile(flags + u"/go"_qs, "");
    EXPECT_TRUE(awaitResult(other.run({u"done"_qs, flags})).ok())
        << "the abandoned child did not run to its end";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
