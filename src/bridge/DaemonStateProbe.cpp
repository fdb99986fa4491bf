#include "bridge/DaemonStateProbe.h"

#include "bridge/ExecutableLocator.h"
#include "bridge/StrictUtf8.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <limits>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovi {
namespace {

// Kept as bytes so that a TOVI_DIR which is not valid UTF-8 still names the right file.
QByteArray pidFilePathBytes() {
    QByteArray stateDirectory;
    if (qEnvironmentVariableIsSet("TOVI_DIR"))
        stateDirectory = qgetenv("TOVI_DIR"); // used as given; empty means the working directory
    else
        stateDirectory = homeDirectoryBytes() + "/.tovi";

    QByteArray path = stateDirectory;
    if (!path.isEmpty() && !path.endsWith('/'))
        path += '/';
    return path + "run/daemon.pid";
}

// A pid with the blanks a writer may put around it fits in this many bytes; a longer file
// is not a pid file, and reading it whole (the GUI thread probes at every refresh) could
// take any amount of memory and time.
constexpr qsizetype pidFileLimit = 64;

// Reads at most pidFileLimit + 1 bytes of a regular file, so that an over-long one can be
// told apart. Anything else (a FIFO, a device) could block the caller's thread forever,
// and the caller is the GUI thread.
std::optional<QByteArray> readPidFilePrefix(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    char buffer[pidFileLimit + 1];
    qsizetype length = 0;
    while (length < qsizetype(sizeof buffer)) {
        const ssize_t n = ::read(fd, buffer + length, sizeof buffer - size_t(length));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        length += n;
    }
    ::close(fd);
    if (length > pidFileLimit)
        return std::nullopt;
    return QByteArray(buffer, length);
}

} // namespace

QString daemonPidFilePath() {
    return QFile::decodeName(pidFilePathBytes());
}

std::optional<std::int32_t> parsePidFileContents(const QByteArray& contents) {
    const std::optional<QString> text = decodeUtf8Strictly(contents);
    if (!text)
        return std::nullopt;
    const QString trimmed = text->trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;

    qsizetype i = 0;
    bool negative = false;
    if (trimmed[0] == u'+' || trimmed[0] == u'-') {
        negative = trimmed[0] == u'-';
        ++i;
    }
    if (i == trimmed.size())
        return std::nullopt;
    // Accumulated in 64 bits and checked at every digit, so no length of input overflows.
    constexpr std::int64_t limit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
    std::int64_t magnitude = 0;
    for (; i < trimmed.size(); ++i) {
        const char16_t c = trimmed[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > limit)
            return std::nullopt;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max() || value < 1)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

DaemonState daemonStateForKillResult(std::int32_t pid, int result, int errnoValue) {
    if (result == 0 || errnoValue == EPERM)
        return DaemonState::makeRunning(pid);
    return DaemonState::stopped();
}

DaemonState readDaemonState() {
    const std::optional<QByteArray> contents = readPidFilePrefix(pidFilePathBytes());
    if (!contents)
        return DaemonState::stopped();
    const std::optional<std::int32_t> pid = parsePidFileContents(*contents);
    if (!pid)
        return DaemonState::stopped();
    const int result = ::kill(*pid, 0);
    return daemonStateForKillResult(*pid, result, result == 0 ? 0 : errno);
}

} // namespace tovi
