#include "ServiceControl.h"

#include "StateLock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace Qt::StringLiterals;

namespace tovi::sim {

namespace {

const QString kPidFile = u"run/daemon.pid"_s;

pid_t readPid(const StateDir& dir) {
    // Tests plant FIFOs and directories at this path; only a regular file is read, and
    // opening never waits for a writer.
    const QByteArray path = QFile::encodeName(dir.path(kPidFile));
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return 0;
    struct stat info {};
    char buffer[64];
    ssize_t n = -1;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (n <= 0)
        return 0;
    bool ok = false;
    const int pid = QByteArray(buffer, n).trimmed().toInt(&ok);
    return ok && pid > 0 ? pid : 0;
}

bool alive(pid_t pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

// Guards against signalling an unrelated process that inherited a stale pid.
bool isOurService(pid_t pid) {
    QFile f(u"/proc/%1/cmdline"_s.arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> words = f.readAll().split('\0');
    return words.size() >= 3 && words.at(1) == "internal" && words.at(2) == "daemon";
}

void closeInheritedDescriptors() {
#ifdef SYS_close_range
    if (::syscall(SYS_close_range, 3U, ~0U, 0U) == 0)
        return;
#endif
    const long max = ::sysconf(_SC_OPEN_MAX);
    for (long fd = 3; fd < (max > 0 ? max : 1024); ++fd)
        ::close(static_cast<int>(fd));
}

// Double fork so the service is re-parented and never becomes our zombie; setsid so the
// app's process group and terminal signals don't reach it; /dev/null for stdio so it never
// holds the pipes of whoever ran "install service" (they read our output to end of file).
bool spawnDetached(const StateDir& dir, QString* error) {
    const QByteArray exe = QFile::encodeName(QCoreApplication::applicationFilePath());
    const QByteArray stateEnv = "TOVI_DIR=" + QFile::encodeName(QDir(dir.root()).absolutePath());
    QList<QByteArray> envStore;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "TOVI_DIR=", 9) != 0)
            envStore.append(QByteArray(*e));
    }
    envStore.append(stateEnv);
    std::vector<char*> envp;
    for (QByteArray& e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    QByteArray a0 = exe, a1 = "internal", a2 = "daemon";
    char* argv[] = {a0.data(), a1.data(), a2.data(), nullptr};

    const pid_t child = ::fork();
    if (child < 0) {
        *error = u"can't start the service: "_s + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (child == 0) {
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0)
            ::_exit(grandchild < 0 ? 1 : 0);
        const int devnull = ::open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            ::dup2(devnull, 0);
            ::dup2(devnull, 1);
            ::dup2(devnull, 2);
        }
        closeInheritedDescriptors();
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        if (::chdir("/") != 0) {
            // The service uses absolute paths only; staying in the old directory is harmless.
        }
        ::execve(argv[0], argv, envp.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        *error = u"can't start the service (fork failed)"_s;
        return false;
    }
    return true;
}

// The service removes its pid file on the way out; a zombie that nobody reaps still
// answers kill(0), so the file is watched as well as the process.
void terminate(const StateDir& dir, pid_t pid) {
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 500 && alive(pid) && readPid(dir) == pid; ++i)
        QThread::msleep(10);
    if (alive(pid) && readPid(dir) == pid)
        ::kill(pid, SIGKILL);
}

} // namespace

pid_t ServiceControl::runningPid(const StateDir& dir) {
    const pid_t pid = readPid(dir);
    return pid != 0 && alive(pid) && isOurService(pid) ? pid : 0;
}

CommandOutcome ServiceControl::install(const StateDir& dir) {
    // Two overlapping restarts would otherwise both start a service.
    StateLock lock(dir, u".service.lock"_s);
    const pid_t old = runningPid(dir);
    if (old != 0)
        terminate(dir, old);
    dir.remove(kPidFile); // stale or just killed
    QString error;
    if (!spawnDetached(dir, &error))
        return CommandOutcome::fail(1, error);
    for (int i = 0; i < 1000; ++i) {
        const pid_t pid = readPid(dir);
        if (pid != 0 && pid != old && alive(pid))
            return CommandOutcome::ok("Service installed and started (pid " + QByteArray::number(pid) +
                                      ")\n");
        QThread::msleep(10);
    }
    return CommandOutcome::fail(1, u"the service didn't start within 10 seconds"_s);
}

CommandOutcome ServiceControl::uninstall(const StateDir& dir) {
    StateLock lock(dir, u".service.lock"_s);
    const pid_t pid = runningPid(dir);
    if (pid == 0) {
        dir.remove(kPidFile);
        return CommandOutcome::ok("Service was not running\n");
    }
    terminate(dir, pid);
    if (readPid(dir) == pid)
        dir.remove(kPidFile);
    return CommandOutcome::ok("Service stopped\n");
}

int ServiceControl::runDaemon(const StateDir& dir) {
    // Blocked before the pid file exists, so a stop request can't arrive unhandled.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    ::sigprocmask(SIG_BLOCK, &set, nullptr);

    QString error;
    const pid_t self = ::getpid();
    if (!dir.ensure(&error) || !dir.writeBytes(kPidFile, QByteArray::number(self) + '\n', &error))
        return 1;
    for (;;) {
        int sig = 0;
        if (::sigwait(&set, &sig) != 0)
            continue;
        if (sig == SIGTERM || sig == SIGINT)
            break;
    }
    // A newer service may already have taken the file over.
    if (readPid(dir) == self)
        dir.remove(kPidFile);
    return 0;
}

} // namespace tovi::sim
