#pragma once

#include <QColor>

namespace tovi {

// The four colours that carry status meaning, each tuned for light and dark appearances.
enum class StatusColor { green, red, amber, blue };

// A colour as the presentation objects describe it; resolved to a QColor only once the
// appearance and the palette's secondary text colour are known.
enum class ColorRole { primary, secondary, green, red, amber, blue };

QColor statusColor(StatusColor color, bool dark);

// `primary` and `secondary` are the palette's text colours, supplied by the caller.
QColor resolveColor(ColorRole role, bool dark, const QColor& primary, const QColor& secondary);

// The desktop's standard warning hues used on the tray icon (not the muted status colours).
QColor standardRed();
QColor standardOrange();

} // namespace tovi
