#include "app/WindowPlacement.h"

#include <algorithm>

namespace tovi {

namespace {

// A small gap between the panel and the window, as other tray pop-ups leave.
constexpr int kGap = 4;

int clampInto(int value, int low, int high) {
    // A window larger than the area keeps its top/left edge on screen.
    return high < low ? low : std::clamp(value, low, high);
}

} // namespace

std::optional<QPoint> placeWindow(const WindowPlacementInput& input) {
    if (input.compositorPlaces)
        return std::nullopt;

    const QRect area = input.availableGeometry;
    const QSize size = input.windowSize;

    QRect anchor;
    if (input.iconGeometry.isValid() && !input.iconGeometry.isEmpty())
        anchor = input.iconGeometry;
    else if (input.cursor)
        anchor = QRect(*input.cursor, QSize(1, 1));
    else
        return std::nullopt;

    const bool below = anchor.center().y() < area.center().y();
    int x = anchor.center().x() - size.width() / 2;
    int y = below ? anchor.bottom() + 1 + kGap : anchor.top() - kGap - size.height();

    // A panel that the work area excludes would otherwise put the window onto the panel.
    x = clampInto(x, area.left(), area.right() + 1 - size.width());
    y = clampInto(y, area.top(), area.bottom() + 1 - size.height());
    return QPoint(x, y);
}

} // namespace tovi
