#pragma once

#include "model/AppLocation.h"

#include <QString>

namespace tovi {

// The AppImage runtime exports APPIMAGE and APPDIR (the image's mount) to everything it starts,
// a terminal or a launcher included, so a Tovi started from there inherits another image's.
// `appImage` is Tovi's own only when the running `executable` lies inside `appDir`; else empty.
QString trustedAppImage(const QString& appImage, const QString& appDir, const QString& executable);

// This process's AppImage file by that rule, or empty: the environment and /proc/self/exe,
// read once. The one answer the login item, the updater and the location probe go by.
QString runningAppImage();

// The running application's bundle path: its AppImage when there is one, else the executable's
// directory.
QString currentBundlePath();
AppLocation currentAppLocation();

} // namespace tovi
