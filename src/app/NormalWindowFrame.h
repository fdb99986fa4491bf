#pragma once

#include <QStringView>
#include <Qt>

namespace tovi {

// How the normal window (the one opened when no tray is there to hang from) is framed.
struct NormalWindowFrame {
    Qt::WindowFlags flags;
    // The window draws its own title bar (the name, a close button, a drag to move it) at the
    // top of its content, because nothing else draws one.
    bool ownTitleBar = false;
};

// The frame for the Qt platform `platformName` (QGuiApplication::platformName()).
// The window's size follows its content, so there is nothing to maximise. Window managers
// honour flags without the maximise button. On Wayland the decorations Qt draws itself show
// maximise whatever the flags say, and a compositor may drop a client whose window does not
// take the maximised size it was given: there the window is frameless and draws its own bar.
NormalWindowFrame normalWindowFrame(QStringView platformName);

} // namespace tovi
