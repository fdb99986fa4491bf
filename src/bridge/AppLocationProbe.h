#pragma once

#include "model/AppLocation.h"

#include <QString>

namespace tovi {

// The running application's bundle path: $APPIMAGE when set, else the executable's directory.
QString currentBundlePath();
AppLocation currentAppLocation();

} // namespace tovi
