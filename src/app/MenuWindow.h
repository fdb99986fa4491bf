#pragma once

#include "window/WindowHandle.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QVariantMap>
#include <QWindow>

#include <functional>
#include <optional>

class QScreen;
class QWidget;

namespace tovi {

class AccountMenu;
class MenuViewModel;

// The drop-down window, built on the first open only: an application that sits idle in the tray
// never pays for its widgets.
class MenuWindow : public QObject, private WindowEvents {
    Q_OBJECT
public:
    enum class Mode {
        dropDown, // frameless, next to the tray icon, gone when it loses focus
        normal,   // no tray to hang from: an ordinary top-level window
    };

    // `menu` is what the window shows; it is recomputed only while the window is open. The
    // window is built on the first open, after `beforeFirstOpen` ran.
    MenuWindow(Mode mode, MenuViewModel* menu, std::function<void()> beforeFirstOpen = {},
               QObject* parent = nullptr);
    ~MenuWindow() override;

    Mode mode() const { return m_mode; }
    // A tray host came (or went): the window becomes the drop-down (or a normal window). An
    // open window keeps its kind until it is closed.
    void setMode(Mode mode);
    bool isVisible() const;
    QWindow* window() const;
    QWidget* widget() const;
    // What the window offers the application, once it exists (else nullptr).
    WindowHandle* handle() const;
    // The header's account menu, once the window exists.
    AccountMenu* accountMenu() const { return m_accountMenu; }
    MenuViewModel* menu() const;
    // The most the window's height may be on its screen.
    int heightCap() const { return m_heightCap; }

    // Opens the window, or brings it forward when it is already open.
    void show(QRect iconGeometry = {});
    void hide();
    // The tray's click: opens, or closes when open. A click on the tray icon first takes the
    // focus from the window (which closes it); that same click must not reopen it.
    void toggle(QRect iconGeometry = {});

Q_SIGNALS:
    void shown();
    void hidden();
    // The window was given its size for its content and screen (changed or not).
    void sizeUpdated();
    // For the end-to-end trace: a frame went to the screen, the keyboard moved to `item`, a
    // tooltip came up.
    void frameShown();
    void focusChanged(const QString& item);
    void toolTipCameUp(const QString& text);

private:
    // WindowEvents
    void contentHeightChanged() override;
    void accountMenuRequested(QPoint corner) override;
    void accountMenuDismissed() override;
    void frameSwapped() override;
    void focusMoved(const QString& item) override;
    void toolTipShown(const QString& text) override;

    void updateSize();
    void ensureCreated();
    void applyMode();
    QScreen* targetScreen() const;
    void place();
    void keepOnScreen(int height);
    void remap();
    void onActiveChanged();
    void onPopupClosed();
    void forgetHover();

    Mode m_mode;
    Mode m_appliedMode;
    AccountMenu* m_accountMenu = nullptr;
    QPointer<QScreen> m_screen;
    int m_heightCap = 0;
    int m_mappedHeight = 0;
    bool m_remapPending = false;
    bool m_remapping = false;
    // Mapped anew and not active again yet.
    bool m_remapped = false;
    QPointer<MenuViewModel> m_menu;
    std::function<void()> m_beforeFirstOpen;
    // The window and what it offers, valid together; this object owns the widget.
    WindowHandle* m_handle = nullptr;
    QPointer<QWidget> m_widget;
    QPointer<QWindow> m_window;
    QRect m_iconGeometry;
    std::optional<QPoint> m_pointerAtOpen;
    QElapsedTimer m_sinceFocusLossClose;
    QElapsedTimer m_sinceShown;
};

} // namespace tovi
