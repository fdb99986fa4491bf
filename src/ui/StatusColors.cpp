#include "ui/StatusColors.h"

namespace tovi {

QColor statusColor(StatusColor color, bool dark) {
    switch (color) {
    case StatusColor::green:
        return dark ? QColor::fromRgbF(0.38f, 0.82f, 0.53f) : QColor::fromRgbF(0.20f, 0.64f, 0.36f);
    case StatusColor::red:
        return dark ? QColor::fromRgbF(1.00f, 0.47f, 0.44f) : QColor::fromRgbF(0.80f, 0.27f, 0.25f);
    case StatusColor::amber:
        return dark ? QColor::fromRgbF(1.00f, 0.72f, 0.30f) : QColor::fromRgbF(0.84f, 0.55f, 0.12f);
    case StatusColor::blue:
        return dark ? QColor::fromRgbF(0.42f, 0.66f, 1.00f) : QColor::fromRgbF(0.16f, 0.48f, 0.90f);
    }
    return {};
}

QColor statusTextColor(StatusColor color, bool dark) {
    const QColor hue = statusColor(color, dark);
    if (dark)
        return hue;
    float h = 0, s = 0, v = 0;
    hue.getHsvF(&h, &s, &v);
    return QColor::fromHsvF(h, s, v * 0.75f).toRgb();
}

// Text in accentText reaches 4.5:1 on the window and on a button's face; white text on accentFill
// does too.
QColor accentText(bool dark) {
    return dark ? QColor(185, 215, 255) : QColor(31, 102, 204);
}

QColor accentFill(bool dark) {
    return dark ? QColor(47, 111, 219) : QColor(31, 102, 204);
}

QColor resolveColor(ColorRole role, bool dark, const QColor& primary, const QColor& secondary) {
    switch (role) {
    case ColorRole::primary:
        return primary;
    case ColorRole::secondary:
        return secondary;
    case ColorRole::green:
        return statusColor(StatusColor::green, dark);
    case ColorRole::red:
        return statusColor(StatusColor::red, dark);
    case ColorRole::amber:
        return statusColor(StatusColor::amber, dark);
    case ColorRole::blue:
        return statusColor(StatusColor::blue, dark);
    case ColorRole::accent:
        return accentText(dark);
    }
    return {};
}

QColor resolveTextColor(ColorRole role, bool dark, const QColor& primary, const QColor& secondary) {
    switch (role) {
    case ColorRole::green:
        return statusTextColor(StatusColor::green, dark);
    case ColorRole::red:
        return statusTextColor(StatusColor::red, dark);
    case ColorRole::amber:
        return statusTextColor(StatusColor::amber, dark);
    case ColorRole::blue:
        return statusTextColor(StatusColor::blue, dark);
    case ColorRole::primary:
    case ColorRole::secondary:
    case ColorRole::accent:
        break;
    }
    return resolveColor(role, dark, primary, secondary);
}

QColor standardRed() {
    return QColor(255, 59, 48);
}

QColor standardOrange() {
    return QColor(255, 149, 0);
}

} // namespace tovi
