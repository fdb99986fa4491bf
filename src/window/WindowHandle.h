#pragma once

#include <QPoint>
#include <QStringList>

class QWidget;
class QWindow;

namespace tovi {

class MenuViewModel;

// The application and the window meet here only: plain virtual calls in both directions, so that
// the application places and sizes a window whose parts it does not know, and the window tells
// what happened inside it without knowing who listens.

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
    // For the end-to-end trace: a frame was painted, the keyboard moved (`item` is the focused
    // control's object name, else its class), a tooltip came up.
    virtual void frameSwapped() = 0;
    virtual void focusMoved(const QString& item) = 0;
    virtual void toolTipShown(const QString& text) = 0;

protected:
    ~WindowEvents() = default;
};

// The window as the application drives it.
class WindowHandle {
public:
    // The top-level widget (shown, hidden and sized by the application), and its platform
    // window, which exists from the start.
    virtual QWidget* widget() = 0;
    virtual QWindow* window() = 0;
    // The platform window's kind; set while it is hidden.
    virtual void setWindowFlags(Qt::WindowFlags flags) = 0;
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
    // The pointer left (a popup had it grabbed): nothing goes on showing its hover or tooltip.
    virtual void forgetHover() = 0;
    // For the contrast check of the end-to-end trace: each text and button on screen, a line
    // each, "ROLE X Y W H NAME SHOWN" (see ContrastWalk.cpp). Empty unless the window was built
    // for tracing.
    virtual QStringList textsOnScreen() = 0;
    // A frame soon, even when nothing changed (the trace reads the texts after it).
    virtual void redraw() = 0;

protected:
    ~WindowHandle() = default;
};

namespace window {

// Builds the window for `menu`; the caller owns its widget(). `events` must outlive it. The
// contrast walk answers only in a build that traces, asked to (`tracing`).
WindowHandle* createWindow(MenuViewModel* menu, bool tracing, WindowEvents* events);

} // namespace window

} // namespace tovi
