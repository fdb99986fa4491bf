#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

namespace tovi {

// Where the drop-down window goes. Panels differ: an XEmbed tray reports the icon's
// rectangle, a StatusNotifierItem tray reports nothing, and Wayland lets no client place
// its own windows at all.
struct WindowPlacementInput {
    QRect iconGeometry;           // empty or invalid when the tray does not say
    std::optional<QPoint> cursor; // only where the windowing system reports it (X11)
    QRect availableGeometry;      // the work area of the screen the window opens on
    QSize windowSize;
    bool compositorPlaces = false; // Wayland: the compositor decides
};

// The window's top-left corner, or nothing when the compositor places it.
// Under the icon when the icon sits in the upper half of the screen, above it otherwise;
// horizontally centred on the icon (or the cursor); always inside the available area.
std::optional<QPoint> placeWindow(const WindowPlacementInput& input);

} // namespace tovi
