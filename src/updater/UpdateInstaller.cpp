#include "updater/UpdateInstaller.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tovi {

namespace {

Error installError(const QString& reason) {
    return Error::platform(
        QCoreApplication::translate("UpdateInstaller", "The update could not be installed: %1").arg(reason));
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

bool UpdateInstaller::canReplace(const QString& appImagePath) {
    if (appImagePath.isEmpty())
        return false;
    const QFileInfo file(appImagePath);
    if (!file.isFile() || !file.isWritable())
        return false;
    return QFileInfo(file.absolutePath()).isWritable();
}

Status UpdateInstaller::replaceAppImage(const QString& verifiedFile, const QString& appImagePath) {
    if (!canReplace(appImagePath))
        return installError(QStringLiteral("%1 cannot be replaced by this user.").arg(appImagePath));

    QFile source(verifiedFile);
    if (!source.open(QIODevice::ReadOnly))
        return installError(source.errorString());
    // A package of another kind (a .deb, an archive) must never take the AppImage's place.
    if (source.peek(4) != QByteArrayLiteral("\x7f"
                                            "ELF"))
        return installError(tr("the download is not an AppImage."));

    // The AppImage may be reached through a symbolic link; replace the file it points to.
    const QString target = QFileInfo(appImagePath).canonicalFilePath();
    QTemporaryFile staged(QFileInfo(target).absolutePath() + QStringLiteral("/.Tovi-update-XXXXXX"));
    if (!staged.open())
        return installError(staged.errorString());
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(1 << 20);
        if (chunk.isEmpty() && source.error() != QFileDevice::NoError)
            return installError(source.errorString());
        if (staged.write(chunk) != chunk.size())
            return installError(staged.errorString());
    }
    if (!staged.flush() || ::fsync(staged.handle()) != 0)
        return installError(staged.errorString());
    if (::fchmod(staged.handle(), 0755) != 0)
        return installError(systemError());
    const QByteArray stagedPath = QFile::encodeName(staged.fileName());
    staged.close();
    if (std::rename(stagedPath.constData(), QFile::encodeName(target).constData()) != 0)
        return installError(systemError());
    staged.setAutoRemove(false);
    return success();
}

} // namespace tovi
