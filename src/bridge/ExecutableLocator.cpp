#include "bridge/ExecutableLocator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace tovi {
namespace {

// A file of the same name beside the executable can be the executable itself (a hard
// link, a symbolic link, or the same name in another letter case on a case-insensitive
// mount). Only file identity tells: comparing names would either run the application
// recursively or wrongly skip a real "tovi" next to an executable called "Tovi".
std::optional<QString> bundledCandidate(const QString& applicationExecutable) {
    if (applicationExecutable.isEmpty())
        return std::nullopt;
    const QString candidate = QFileInfo(applicationExecutable).absolutePath() + QStringLiteral("/tovi");
    struct stat candidateStat {};
    if (::stat(QFile::encodeName(candidate).constData(), &candidateStat) != 0)
        return std::nullopt;
    struct stat selfStat {};
    if (::stat(QFile::encodeName(applicationExecutable).constData(), &selfStat) != 0)
        return candidate;
    if (candidateStat.st_dev == selfStat.st_dev && candidateStat.st_ino == selfStat.st_ino)
        return std::nullopt;
    return candidate;
}

bool isExecutableFile(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    return ::stat(native.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(native.constData(), X_OK) == 0;
}

} // namespace

std::optional<QString> ExecutableLocator::locate() const {
    const QString self =
        applicationExecutable ? *applicationExecutable : QCoreApplication::applicationFilePath();
    if (auto bundled = bundledCandidate(self))
        return bundled;

    QStringList candidates = systemCandidates;
    candidates << (homeDirectory ? *homeDirectory : QDir::homePath()) + homeCandidateSuffix();
    candidates << packageManagerCandidates;
    for (const QString& candidate : candidates) {
        if (isExecutableFile(candidate))
            return candidate;
    }
    return std::nullopt;
}

} // namespace tovi
