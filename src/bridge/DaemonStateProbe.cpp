#include "bridge/DaemonStateProbe.h"

#include "bridge/ExecutableLocator.h"
#include "bridge/SmallFile.h"
#include "bridge/StrictUtf8.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <limits>

#include <signal.h>
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
    // Anything but a short regular file (a FIFO, a device) is no pid file, and reading it
    // could block the GUI thread, which probes at every refresh.
    const SmallFileReading contents = readSmallFile(pidFilePathBytes(), pidFileLimit);
    if (contents.outcome != SmallFileReading::Outcome::Read)
        return DaemonState::stopped();
    const std::optional<std::int32_t> pid = parsePidFileContents(contents.bytes);
    if (!pid)
        return DaemonState::stopped();
    const int result = ::kill(*pid, 0);
    return daemonStateForKillResult(*pid, result, result == 0 ? 0 : errno);
}

} // namespace tovi
