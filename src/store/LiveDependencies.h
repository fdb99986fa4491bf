#pragma once

#include "store/StatusStore.h"

#include <QByteArray>

#include <chrono>
#include <optional>

namespace tovi {

// Fills every null member of `dependencies` with the live implementation (process runner,
// pid-file probe, QSettings, XDG autostart, D-Bus inhibitor, desktop browser, boot-time
// clock, the running bundle's location). In builds with developer switches, a polling
// interval from the environment (TOVI_DEV_POLL_INTERVAL_MS) replaces the given interval.
StatusStoreDependencies withLiveDependencies(StatusStoreDependencies dependencies);

// The polling interval a developer asked for in TOVI_DEV_POLL_INTERVAL_MS (soak tests poll
// far faster than a user ever would). Anything but a positive whole number of milliseconds
// is ignored, so a typo never turns polling into a busy loop.
std::optional<std::chrono::milliseconds> developerPollInterval(const QByteArray& value);
// The variable's value in builds with developer switches; nothing in release builds.
std::optional<std::chrono::milliseconds> developerPollInterval();

} // namespace tovi
