#pragma once

#include <QColor>

namespace tovi {

// The four colours that carry status meaning, each tuned for light and dark appearances.
enum class StatusColor { green, red, amber, blue };

// A colour as the presentation objects describe it; resolved to a QColor only once the
// appearance and the palette's secondary text colour are known.
enum class ColorRole { primary, secondary, green, red, amber, blue, accent };

QColor statusColor(StatusColor color, bool dark);
// A status colour for text. Dots and symbols are large enough in the pure hues; a caption drawn
// in light amber or green on a light window is not (about 2.4:1), so text in light takes the
// same hue at three quarters of its HSV value, which reaches 3:1 on the window. Dark keeps it.
QColor statusTextColor(StatusColor color, bool dark);

// The blue of what the user can act on, for text (links, a button's label) and for the fill of
// the one prominent button. The status blue is a dot's colour: as text on the window or on a
// button's face it is too faint, and white on it too.
QColor accentText(bool dark);
QColor accentFill(bool dark);

// `primary` and `secondary` are the palette's text colours, supplied by the caller.
QColor resolveColor(ColorRole role, bool dark, const QColor& primary, const QColor& secondary);
// The same, for a text drawn in the role's colour (see statusTextColor).
QColor resolveTextColor(ColorRole role, bool dark, const QColor& primary, const QColor& secondary);

// The desktop's standard warning hues used on the tray icon (not the muted status colours).
QColor standardRed();
QColor standardOrange();

} // namespace tovi
