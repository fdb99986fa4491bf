#include "app/NormalWindowFrame.h"

namespace tovi {

NormalWindowFrame normalWindowFrame(QStringView platformName) {
    // "wayland", "wayland-egl" and the other variants of the Wayland plugin.
    if (platformName.startsWith(u"wayland"))
        return {Qt::Window | Qt::FramelessWindowHint, true};
    return {Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint,
            false};
}

} // namespace tovi
