#include "bridge/ProcessCLICommandRunner.h"
#include "bridge/ChildDescriptors.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

using namespace tovi;
using namespace tovi::test;

namespace {

class RunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        // Children inherit the environment; a login shell must read our profile, not the user's.
        m_home =
            std::make_unique<ScopedEnv>("HOME", QFile::encodeName(m_root.filePath(QStringLiteral("home"))));
        ASSERT_TRUE(QDir().mkpath(m_root.filePath(QStringLiteral("home"))));
    }

    // A runner whose application lives in `bundle/`, so that `bundle/tovi` is the CLI, and
    // whose fixed candidates can never exist.
    ExecutableLocator locator() const {
        ExecutableLocator locator;
        locator.applicationExecutable = m_root.filePath(QStringLiteral("bundle/Tovi"));
        locator.homeDirectory = m_root.filePath(QStringLiteral("home"));
        locator.systemCandidates = QStringList{m_root.filePath(QStringLiteral("absent/tovi"))};
        locator.packageManagerCandidates = QStringList{};
        locator.searchPath = QByteArray();
        return locator;
    }
    QString cliPath() const { return m_root.filePath(QStringLiteral("bundle/tovi")); }
    void installCli(const QByteArray& body) const { writeScript(cliPath(), body); }

    Result<QByteArray> run(QStringList arguments = {}) const {
        ProcessCLICommandRunner runner(locator());
        return awaitResult(runner.run(std::move(arguments)));
    }

    QTemporaryDir m_root;
    std::unique_ptr<ScopedEnv> m_home;
};

void expectFailure(const Result<QByteArray>& result, int code, const QString& stderrText,
                   const QString& message) {
    ASSERT_FALSE(result.ok()) << "stdout: " << result.value().toStdString();
    EXPECT_EQ(result.error().kind, Error::Kind::CliFailed);
    EXPECT_EQ(result.error().code, code);
    EXPECT_EQ(result.error().stderrText, stderrText);
    EXPECT_EQ(result.error().description(), message);
}

} // namespace

TEST_F(RunnerTest, SuccessGivesStandardOutputBytesExactly) {
    struct Case {
        const char* body;
        QByteArray expected;
    };
    const Case cases[] = {
        {"printf 'hello\\n'", "hello\n"},
        {"printf '\\x00\\xff\\r\\n'", QByteArray("\x00\xff\r\n", 4)},
        {"printf out; printf 'noise on stderr\\n' >&2", "out"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        installCli(c.body);
        const Result<QByteArray> result = run();
        ASSERT_TRUE(result.ok()) << result.error().description().toStdString();
        EXPECT_EQ(result.value(), c.expected);
    }
}

TEST_F(RunnerTest, NonZeroStatusFailsWithCodeStandardErrorAndMessage) {
    struct Case {
        const char* body;
        int code;
        QString stderrText;
        QString message;
    };
    const Case cases[] = {
        {"printf 'boom\\n' >&2; exit 2", 2, QStringLiteral("boom\n"),
         QStringLiteral("tovi exited with code 2: boom")},
        {"printf '  \\n\\t\\n' >&2; exit 1", 1, QStringLiteral("  \n\t\n"),
         QStringLiteral("tovi exited with code 1")},
        {"printf 'caf\\xc3\\xa9 \\xe2\\x9c\\x93\\n' >&2; exit 7", 7, QStringLiteral(u"café ✓\n"),
         QStringLiteral(u"tovi exited with code 7: café ✓")},
        // Standard error that is not UTF-8 is dropped whole, not patched with replacements.
        {"printf 'bad \\xff\\xfe\\n' >&2; exit 5", 5, QString(), QStringLiteral("tovi exited with code 5")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        installCli(c.body);
        expectFailure(run(), c.code, c.stderrText, c.message);
    }
}

TEST_F(RunnerTest, ChildEndedBySignalReportsTheSignalNumber) {
    installCli("printf 'terminating\\n' >&2; kill -TERM $$");
    expectFailure(run(), 15, QStringLiteral("terminating\n"),
                  QStringLiteral("tovi exited with code 15: terminating"));
}

TEST_F(RunnerTest, ArgumentsEnvironmentAndWorkingDirectoryReachTheChildUnchanged) {
    installCli(
        "for a in \"$@\"; do printf '[%s]' \"$a\"; done; printf '\\n%s\\n%s' \"$TOVI_TEST_MARK\" \"$PWD\"");
    const ScopedEnv mark("TOVI_TEST_MARK", QByteArray("marked value"));
    const QString workDir = m_root.filePath(QStringLiteral("work dir"));
    ASSERT_TRUE(QDir().mkpath(workDir));
    const ScopedCurrentDir cwd(workDir);

    const QStringList arguments{
        QStringLiteral("internal"), QStringLiteral("a b"),      QString(),
        QStringLiteral("*"),        QStringLiteral("$HOME;ls"), QStringLiteral("--stdout-format=json"),
        QStringLiteral(u"ünï\n2")};
    const Result<QByteArray> result = run(arguments);
    ASSERT_TRUE(result.ok()) << result.error().description().toStdString();
    EXPECT_EQ(
        QString::fromUtf8(result.value()),
        QStringLiteral(u"[internal][a b][][*][$HOME;ls][--stdout-format=json][ünï\n2]\nmarked value\n") +
            workDir);

    // The debug log names each run, without what follows an account subcommand (a claim token).
    const tovi::test::LogCapture log;
    const QStringList claim{QStringLiteral("account"), QStringLiteral("claim"),
                            QStringLiteral("tok-secret-9"), QStringLiteral("--wait")};
    ASSERT_TRUE(run(claim).ok());
    ASSERT_TRUE(run(QStringList{QStringLiteral("status"), QStringLiteral("--json")}).ok());
    EXPECT_EQ(log.all(),
              (QStringList{
                  QStringLiteral(u"tovi.cli debug: run ") + cliPath() + QStringLiteral(u" account claim …"),
                  QStringLiteral("tovi.cli debug: exit status 0"),
                  QStringLiteral("tovi.cli debug: run ") + cliPath() + QStringLiteral(" status --json"),
                  QStringLiteral("tovi.cli debug: exit status 0")}));
}

TEST_F(RunnerTest, MegabyteOnEachStreamCompletesAndOnlyAMegabyteOfStandardErrorIsKept) {
    // Standard error is filled first: a runner that read standard output to its end before
    // touching standard error would never finish. Three megabytes of it are one kept.
    installCli(
        "head -c 3145728 /dev/zero | tr '\\0' e >&2; head -c 1048576 /dev/zero | tr '\\0' o; exit ${1:-0}");
    const Result<QByteArray> ok = run();
    ASSERT_TRUE(ok.ok()) << ok.error().description().toStdString();
    EXPECT_EQ(ok.value(), QByteArray(1048576, 'o'));

    const QStringList failing{QStringLiteral("9")};
    const Result<QByteArray> failed = run(failing);
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().code, 9);
    EXPECT_EQ(failed.error().stderrText, QString(1048576, u'e'));
}

TEST_F(RunnerTest, ARunPastItsTimeLimitIsEndedAndFails) {
    const QString pidFile = m_root.filePath(QStringLiteral("child.pid"));
    installCli("echo $$ > \"$1\"; exec sleep 600");
    ProcessCLICommandRunner runner(locator());
    const Result<QByteArray> result =
        awaitResult(runner.run(QStringList{pidFile}, std::chrono::milliseconds(300)));
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().kind, Error::Kind::CliStopped);
    EXPECT_EQ(result.error().description(), QStringLiteral("tovi didn't finish within 1 second"));
    const pid_t child = readFile(pidFile).trimmed().toInt();
    ASSERT_GT(child, 0);
    EXPECT_NE(::kill(child, 0), 0) << "the child still runs";

    // Within the limit nothing changes.
    installCli("printf quick");
    const Result<QByteArray> quick = awaitResult(runner.run(QStringList{}, std::chrono::minutes(10)));
    ASSERT_TRUE(quick.ok()) << quick.error().description().toStdString();
    EXPECT_EQ(quick.value(), "quick");
}

TEST_F(RunnerTest, MissingCliIsNotFoundButTheShellStillWorks) {
    ProcessCLICommandRunner runner(locator());
    EXPECT_FALSE(awaitResult(runner.isInstalled()));
    const Result<QByteArray> result = awaitResult(runner.run(QStringList{QStringLiteral("internal")}));
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().kind, Error::Kind::CliNotFound);
    EXPECT_EQ(result.error().description(), QStringLiteral("Couldn't find the tovi CLI."));

    const Result<QByteArray> shell = awaitResult(runner.runShell(QStringLiteral("printf 'shell ok'")));
    ASSERT_TRUE(shell.ok()) << shell.error().description().toStdString();
    EXPECT_EQ(shell.value(), "shell ok");

    // Installed while the application runs: found by the next call.
    installCli("printf installed");
    EXPECT_TRUE(awaitResult(runner.isInstalled()));
    const Result<QByteArray> after = awaitResult(runner.run(QStringList{}));
    ASSERT_TRUE(after.ok());
    EXPECT_EQ(after.value(), "installed");
}

TEST_F(RunnerTest, ACliUnderAHomeWhoseNameIsNotUtf8IsFoundAndRuns) {
    const QByteArray home = QFile::encodeName(m_root.path()) + "/h\xe9me";
    writeNativeScript(home + "/.local/bin/tovi", "printf 'ran %s' \"$1\"");
    const ScopedEnv homeEnv("HOME", home);
    ExecutableLocator unsetHome = locator();
    unsetHome.homeDirectory.reset();
    ProcessCLICommandRunner runner(unsetHome);
    EXPECT_TRUE(awaitResult(runner.isInstalled()));
    const Result<QByteArray> result = awaitResult(runner.run(QStringList{QStringLiteral(u"ünï")}));
    ASSERT_TRUE(result.ok()) << result.error().description().toStdString();
    EXPECT_EQ(QString::fromUtf8(result.value()), QStringLiteral(u"ran ünï"));
}

TEST_F(RunnerTest, StartFailureCarriesTheSystemsMessage) {
    struct Case {
        const char* name;
        QByteArray contents;
        QFileDevice::Permissions permissions;
        int expectedErrno;
    };
    const Case cases[] = {
        {"not a program the system can run",
         QByteArray("\x7f"
                    "ELFgarbage",
                    10),
         kExecutable, ENOEXEC},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(cliPath(), c.contents, c.permissions);
        ProcessCLICommandRunner runner(locator());
        EXPECT_TRUE(awaitResult(runner.isInstalled()));
        const Result<QByteArray> result = awaitResult(runner.run(QStringList{}));
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error().kind, Error::Kind::ProcessStart);
        EXPECT_EQ(result.error().description(), QString::fromLocal8Bit(std::strerror(c.expectedErrno)));
    }
}

TEST_F(RunnerTest, ShellRunsTheCommandLineThroughALoginBash) {
    writeFile(m_root.filePath(QStringLiteral("home/.bash_profile")), "export TOVI_LOGIN_MARK=from-profile\n");
    ProcessCLICommandRunner runner(locator());

    const Result<QByteArray> login = awaitResult(
        runner.runShell(QStringLiteral("printf '%s|%s' \"$TOVI_LOGIN_MARK\" \"$0\" | tr a-z A-Z")));
    ASSERT_TRUE(login.ok()) << login.error().description().toStdString();
    EXPECT_EQ(login.value(), "FROM-PROFILE|/BIN/BASH");
    EXPECT_EQ(awaitResult(runner.runShell(QStringLiteral("exit 4"))).error().code, 4);
}

TEST_F(RunnerTest, ChildSeesOnlyStandardDescriptors) {
    // Descriptors a careless library would leave open across exec, beside Qt's own files.
    const QString scratch = m_root.filePath(QStringLiteral("scratch"));
    const int leakyFile = ::open(QFile::encodeName(scratch).constData(), O_CREAT | O_RDWR, 0600);
    ASSERT_GE(leakyFile, 0);
    int leakyPipe[2];
    ASSERT_EQ(::pipe(leakyPipe), 0);
    QFile qtFile(m_root.filePath(QStringLiteral("qt-file")));
    ASSERT_TRUE(qtFile.open(QIODevice::WriteOnly));

    installCli("exec /bin/ls -l /proc/self/fd");
    const Result<QByteArray> result = run();
    ::close(leakyFile);
    ::close(leakyPipe[0]);
    ::close(leakyPipe[1]);
    ASSERT_TRUE(result.ok()) << result.error().description().toStdString();

    QSet<int> seen;
    static const QRegularExpression entry(QStringLiteral(R"((\d+) -> (.*)$)"));
    static const QRegularExpression ownListing(QStringLiteral(R"(^/proc/\d+/fd$)"));
    for (const QString& line : QString::fromUtf8(result.value()).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = entry.match(line);
        if (m.hasMatch() && !ownListing.match(m.captured(2)).hasMatch())
            seen.insert(m.captured(1).toInt());
    }
    EXPECT_EQ(seen, (QSet<int>{0, 1, 2})) << result.value().toStdString();
}

TEST_F(RunnerTest, RunOutlivesTheRunnerAndTheAwaitingTask) {
    const QString flags = m_root.filePath(QStringLiteral("flags"));
    ASSERT_TRUE(QDir().mkpath(flags));
    installCli("case \"$1\" in\n"
               "  worker) for i in $(seq 600); do [ -e \"$2/go\" ] && { touch \"$2/done\"; exit 0; }; sleep "
               "0.05; done; exit 1;;\n"
               "  watcher) for i in $(seq 600); do [ -e \"$2/done\" ] && exit 0; sleep 0.05; done; exit 1;;\n"
               "esac");

    auto runner = std::make_shared<ProcessCLICommandRunner>(locator());
    QCoro::Task<Result<QByteArray>> outlivesRunner =
        runner->run(QStringList{QStringLiteral("worker"), flags});
    runner.reset();
    writeFile(flags + QStringLiteral("/go"), "");
    const Result<QByteArray> first = awaitResult(std::move(outlivesRunner));
    ASSERT_TRUE(first.ok()) << first.error().description().toStdString();

    // The task is dropped while its child runs: the child must be left to finish.
    ASSERT_TRUE(QFile::remove(flags + QStringLiteral("/go")));
    ASSERT_TRUE(QFile::remove(flags + QStringLiteral("/done")));
    ProcessCLICommandRunner other(locator());
    { QCoro::Task<Result<QByteArray>> dropped = other.run(QStringList{QStringLiteral("worker"), flags}); }
    writeFile(flags + QStringLiteral("/go"), "");
    const Result<QByteArray> watcher = awaitResult(other.run(QStringList{QStringLiteral("watcher"), flags}));
    EXPECT_TRUE(watcher.ok()) << "the abandoned child did not run to its end";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(ChildDescriptors, ListingFallbackMarksEveryDescriptorAboveStandardError) {
    // Kernels before 5.11 take this path in the child; here it runs on the test process.
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const int standardFlags[3] = {::fcntl(0, F_GETFD), ::fcntl(1, F_GETFD), ::fcntl(2, F_GETFD)};

    markDescriptorsCloseOnExecByListing();

    EXPECT_TRUE(::fcntl(pipeEnds[0], F_GETFD) & FD_CLOEXEC);
    EXPECT_TRUE(::fcntl(pipeEnds[1], F_GETFD) & FD_CLOEXEC);
    for (int fd = 0; fd < 3; ++fd)
        EXPECT_EQ(::fcntl(fd, F_GETFD), standardFlags[fd]) << fd;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
}
