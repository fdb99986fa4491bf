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

QByteArray homeBytes() {
    const QByteArray home = qgetenv("HOME");
    return home.isEmpty() ? QFile::encodeName(QDir::homePath()) : home;
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

std::optional<QByteArray> ExecutableLocator::locateNative() const {
    const QByteArray self =
        applicationExecutable ? QFile::encodeName(*applicationExecutable) : ownExecutable();
    if (auto bundled = bundledCandidate(self))
        return bundled;

    QList<QByteArray> candidates;
    for (const QString& candidate : systemCandidates)
        candidates << QFile::encodeName(candidate);
    candidates << (homeDirectory ? QFile::encodeName(*homeDirectory) : homeBytes()) +
                      QFile::encodeName(homeCandidateSuffix());
    for (const QString& candidate : packageManagerCandidates)
        candidates << QFile::encodeName(candidate);
    for (const QByteArray& directory : (searchPath ? *searchPath : qgetenv("PATH")).split(':')) {
        if (directory.startsWith('/'))
            candidates << directory + (directory.endsWith('/') ? "tovi" : "/tovi");
    }
    for (const QByteArray& candidate : candidates) {
        if (isExecutableFile(candidate))
            return candidate;
    }
    return std::nullopt;
}

std::optional<QString> ExecutableLocator::locate() const {
    if (const std::optional<QByteArray> native = locateNative())
        return QFile::decodeName(*native);
    return std::nullopt;
}

} // namespace tovi
