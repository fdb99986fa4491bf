#include "bridge/AppLocationProbe.h"

#include <QCoreApplication>
#include <QDir>

namespace tovi {

QString currentBundlePath() {
    const QByteArray appImage = qgetenv("APPIMAGE");
    if (!appImage.isEmpty())
        return QString::fromLocal8Bit(appImage);
    return QCoreApplication::applicationDirPath();
}

AppLocation currentAppLocation() {
    return classifyAppLocation(currentBundlePath(), QDir::homePath());
}

} // namespace tovi
