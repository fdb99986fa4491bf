#pragma once

#include "store/StatusStore.h"

namespace tovi {

// Fills every null member of `dependencies` with the live implementation (process runner,
// pid-file probe, QSettings, XDG autostart, D-Bus inhibitor, desktop browser, boot-time
// clock, the running bundle's location).
StatusStoreDependencies withLiveDependencies(StatusStoreDependencies dependencies);

} // namespace tovi
