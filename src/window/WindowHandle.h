#pragma once

#include <QPoint>
#include <QStringList>

class QObject;
class QQuickWindow;
class QUrl;

namespace tovi {

class MenuViewModel;

// Qt Quick and the compiled QML of the window live in a module of their own that is loaded on
// the first open: a tray application that is never opened does not map, relocate and keep
// resident several megabytes of Qt Quick, Qt QML and Qt Quick Controls.
//
// The application and the module meet here only: plain virtual calls in both directions, so
// that neither side names the other's properties or signals by string, and the application
// needs none of the module's symbols (the module needs a few of the application's: the view
// models' meta-objects, which the build exports by what the module leaves undefined).

// What the window tells the application. Called on the GUI thread, from inside the window's
// own event handling.
class WindowEvents {
public:
    // The height of the content changed: the platform window is sized to it.
    virtual void contentHeightChanged() = 0;
    // The header's menu button was pressed; `corner` is its bottom-right corner in window
    // coordinates, where the native account menu drops from.
    virtual void accountMenuRequested(QPoint corner) = 0;
    // Escape while the account menu is open: some compositors leave the keyboard with this
    // window instead of the popup, and the key is meant for the menu.
    virtual void accountMenuDismissed() = 0;
    // For the end-to-end trace: a frame went to the screen, the keyboard moved (`item` is the
    // focused item's object name, else its class), a tooltip came up.
    virtual void frameSwapped() = 0;
    virtual void focusMoved(const QString& item) = 0;
    virtual void toolTipShown(const QString& text) = 0;

protected:
    ~WindowEvents() = default;
};

// The window as the application drives it. Owned by the module's QML engine, which is a child
// of the `owner` given to the entry point: it lives until that object goes.
class WindowHandle {
public:
    virtual QQuickWindow* window() = 0;
    // The content's own height, whatever the window's height is, and the width it is laid out for.
    virtual int contentHeight() const = 0;
    virtual int designWidth() const = 0;
    // A frameless drop-down, not a normal window.
    virtual void setDropDown(bool dropDown) = 0;
    // A normal window that nothing else gives a title bar draws its own.
    virtual void setOwnTitleBar(bool ownTitleBar) = 0;
    virtual bool ownTitleBar() const = 0;
    // While the application maps the open window anew (Wayland, after it grew): not a new opening.
    virtual void setRemapping(bool remapping) = 0;
    // While the native account menu is open: the header shows its button pressed, and Escape
    // goes to the menu.
    virtual void setAccountMenuOpen(bool open) = 0;
    virtual bool accountMenuOpen() const = 0;
    // For the contrast check of the end-to-end trace: each text and button on screen, a line
    // each (see ContrastWalk.qml). Empty unless the window was built for tracing.
    virtual QStringList textsOnScreen() = 0;
    // A frame soon, even when nothing changed (the trace reads the texts after it).
    virtual void redraw() = 0;

protected:
    ~WindowHandle() = default;
};

// The module's entry point: builds the QML engine as a child of `owner`, loads `source` (its
// root is the window) for `menu`, and returns the window, or nullptr (the engine is gone again)
// when the QML did not load. `events` must outlive the window.
using CreateWindowFunction = WindowHandle* (*)(QObject* owner, MenuViewModel* menu, bool tracing,
                                               const QUrl& source, WindowEvents* events);

inline constexpr char kWindowModuleName[] = "tovi-window.so";
inline constexpr char kCreateWindowSymbol[] = "tovi_create_window";

} // namespace tovi
