#include "bridge/ExecutableLocator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <climits>

#include <sys/stat.h>
#include <unistd.h>

namespace tovi {
namespace {

QByteArray directoryOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArray(".");
    return slash == 0 ? QByteArray("/") : path.left(slash);
}

// The running executable as the kernel names it; Qt's answer is text and would lose any
// byte of the path that is not UTF-8.
QByteArray ownExecutable() {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length > 0 && length < ssize_t(sizeof buffer))
        return QByteArray(buffer, length);
    return QFile::encodeName(QCoreApplication::applicationFilePath());
}

// A file of the same name beside the executable can be the executable itself (a hard
// link, a symbolic link, or the same name in another letter case on a case-insensitive
// mount). Only file identity tells: comparing names would either run the application
// recursively or wrongly skip a real "tovi" next to an executable called "Tovi".
std::optional<QByteArray> bundledCandidate(const QByteArray& applicationExecutable) {
    if (applicationExecutable.isEmpty())
        return std::nullopt;
    QByteArray directory = directoryOf(applicationExecutable);
    if (!directory.startsWith('/'))
        directory = QFile::encodeName(QDir::currentPath()) + '/' + directory;
    const QByteArray candidate = (directory == "/" ? QByteArray() : directory) + "/tovi";
    struct stat candidateStat {};
    if (::stat(candidate.constData(), &candidateStat) != 0)
        return std::nullopt;
    struct stat selfStat {};
    if (::stat(applicationExecutable.constData(), &selfStat) != 0)
        return candidate;
    if (candidateStat.st_dev == selfStat.st_dev && candidateStat.st_ino == selfStat.st_ino)
        return std::nullopt;
    return candidate;
}

bool isExecutableFile(const QByteArray& path) {
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.constData(), X_OK) == 0;
}

} // namespace

QByteArray homeDirectoryBytes() {
    const QByteArray home = qgetenv("HOME");
    return home.isEmpty() ? QFile::encodeName(QDir::homePath()) : home;
}

std::optional<QByteArray> ExecutableLocator::locateNative() const {
    // The application's own path cannot change while it runs; the kernel is asked once.
    static const QByteArray running = ownExecutable();
    const QByteArray self = applicationExecutable ? QFile::encodeName(*applicationExecutable) : running;
    if (auto bundled = bundledCandidate(self))
        return bundled;

    // Tried in order and built only as far as needed: the status poll asks at every refresh,
    // and the per-user install usually answers long before the search path is split.
    for (const QString& candidate : systemCandidates) {
        if (QByteArray path = QFile::encodeName(candidate); isExecutableFile(path))
            return path;
    }
    if (QByteArray path = (homeDirectory ? QFile::encodeName(*homeDirectory) : homeDirectoryBytes()) +
                          QFile::encodeName(homeCandidateSuffix());
        isExecutableFile(path))
        return path;
    for (const QString& candidate : packageManagerCandidates) {
        if (QByteArray path = QFile::encodeName(candidate); isExecutableFile(path))
            return path;
    }
    for (const QByteArray& directory : (searchPath ? *searchPath : qgetenv("PATH")).split(':')) {
        if (!directory.startsWith('/'))
            continue;
        if (QByteArray path = directory + (directory.endsWith('/') ? "tovi" : "/tovi");
            isExecutableFile(path))
            return path;
    }
    return std::nullopt;
}

std::optional<QString> ExecutableLocator::locate() const {
    if (const std::optional<QByteArray> native = locateNative())
        return QFile::decodeName(*native);
    return std::nullopt;
}

} // namespace tovi
