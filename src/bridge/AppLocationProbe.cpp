#include "bridge/AppLocationProbe.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tovi {

QString trustedAppImage(const QString& appImage, const QString& appDir, const QString& executable) {
    if (appImage.isEmpty() || !QDir::isAbsolutePath(appImage) || appDir.isEmpty() ||
        !QDir::isAbsolutePath(appDir) || executable.isEmpty())
        return {};
    const QString mount = QDir::cleanPath(appDir);
    if (mount == u"/" || !QDir::cleanPath(executable).startsWith(mount + u'/'))
        return {};
    return appImage;
}

QString runningAppImage() {
    static const QString image = [] {
        const QString appImage = qEnvironmentVariable("APPIMAGE");
        if (appImage.isEmpty())
            return QString();
        // Both sides resolved: the kernel names the executable by its real path, and the mount
        // may be reached through a link (/tmp on another file system).
        const QString appDir = QFileInfo(qEnvironmentVariable("APPDIR")).canonicalFilePath();
        const QString executable = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
        return trustedAppImage(appImage, appDir, executable);
    }();
    return image;
}

QString currentBundlePath() {
    const QString appImage = runningAppImage();
    if (!appImage.isEmpty())
        return appImage;
    return QCoreApplication::applicationDirPath();
}

AppLocation currentAppLocation() {
    return classifyAppLocation(currentBundlePath(), QDir::homePath());
}

} // namespace tovi
