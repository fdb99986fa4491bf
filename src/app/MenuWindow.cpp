#include "app/MenuWindow.h"

#include "app/AccountMenu.h"
#include "app/NormalWindowFrame.h"
#include "app/Trace.h"
#include "app/WindowPlacement.h"
#include "model/Logging.h"
#include "ui/ColorScheme.h"
#include "ui/MenuViewModel.h"
#include "window/WindowHandle.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace tovi {

namespace {

// How long after a focus-loss close a tray click still counts as "close", not "reopen".
constexpr qint64 kToggleGraceMs = 400;
// How long after opening (or mapping anew) a focus loss is taken for the aftermath of that,
// not for a click elsewhere.
constexpr qint64 kOpeningFocusGraceMs = 500;
// Room kept free above and below the window on a screen it fills.
constexpr int kScreenMargin = 8;

} // namespace

MenuWindow::MenuWindow(Mode mode, MenuViewModel* menu, std::function<void()> beforeFirstOpen, QObject* parent)
    : QObject(parent)
    , m_mode(mode)
    , m_appliedMode(mode)
    , m_menu(menu)
    , m_beforeFirstOpen(std::move(beforeFirstOpen)) {
    // Closed until shown: the store's polls leave the window's presentation alone.
    if (m_menu)
        m_menu->setActive(false);
}

MenuWindow::~MenuWindow() {
    delete m_accountMenu;
    // Now, while the view models the window shows still exist; its going is not a closing.
    if (m_window)
        disconnect(m_window, nullptr, this, nullptr);
    delete m_widget;
}

MenuViewModel* MenuWindow::menu() const {
    return m_menu;
}

QWindow* MenuWindow::window() const {
    return m_widget ? m_window : nullptr;
}

QWidget* MenuWindow::widget() const {
    return m_widget;
}

WindowHandle* MenuWindow::handle() const {
    return m_widget ? m_handle : nullptr;
}

bool MenuWindow::isVisible() const {
    return m_widget && m_widget->isVisible();
}

void MenuWindow::ensureCreated() {
    if (m_widget)
        return;
    if (m_beforeFirstOpen)
        m_beforeFirstOpen();
    m_handle = tovi::window::createWindow(m_menu, trace::enabled(), this);
    m_widget = m_handle->widget();
    m_window = m_handle->window();
    trace::milestone("window-created");

    m_appliedMode = m_mode;
    applyMode();

    connect(m_window, &QWindow::activeChanged, this, &MenuWindow::onActiveChanged);
    // The window is as large as its content; a maximised or full-screen one would only be moved
    // into a corner at the same size, its title bar saying "restore" for nothing. Its own title
    // bar offers neither, but a shortcut of the desktop can still ask.
    connect(m_window, &QWindow::windowStateChanged, this, [this](Qt::WindowState state) {
        if (state != Qt::WindowMaximized && state != Qt::WindowFullScreen)
            return;
        qCDebug(lcWindow) << "declined:" << (state == Qt::WindowMaximized ? "maximise" : "full screen");
        m_widget->setWindowState(Qt::WindowNoState);
    });
    // The height follows the content; keep the window hanging from the same edge.
    connect(m_window, &QWindow::heightChanged, this, [this] {
        if (!m_window->isVisible())
            return;
        place();
        // The frame a window manager adds is known for sure only once it has the new size.
        if (m_appliedMode == Mode::normal)
            keepOnScreen(m_window->height());
    });
    connect(m_window, &QWindow::visibleChanged, this, [this](bool visible) {
        if (m_remapping)
            return;
        if (visible) {
            Q_EMIT shown();
            return;
        }
        if (m_appliedMode != m_mode) {
            m_appliedMode = m_mode;
            applyMode();
        }
        if (m_menu)
            m_menu->setActive(false);
        forgetHover();
        Q_EMIT hidden();
    });
    connect(m_window, &QWindow::screenChanged, this, &MenuWindow::updateSize);
    if (m_menu) {
        m_accountMenu = new AccountMenu(m_menu);
        connect(m_accountMenu->menu(), &QMenu::aboutToHide, this, &MenuWindow::onPopupClosed);
        connect(m_accountMenu, &AccountMenu::promptClosed, this, &MenuWindow::onPopupClosed);
    }
    trace::watch(this);
}

void MenuWindow::setMode(Mode mode) {
    m_mode = mode;
    if (m_widget && !m_widget->isVisible() && m_appliedMode != mode) {
        m_appliedMode = mode;
        applyMode();
    }
}

void MenuWindow::applyMode() {
    m_handle->setDropDown(m_appliedMode == Mode::dropDown);
    if (m_appliedMode == Mode::dropDown) {
        m_handle->setOwnTitleBar(false);
        m_handle->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        return;
    }
    const NormalWindowFrame frame = normalWindowFrame(QGuiApplication::platformName());
    // Before the flags: the bar is part of the content height the window is sized to.
    m_handle->setOwnTitleBar(frame.ownTitleBar);
    m_handle->setWindowFlags(frame.flags);
}

void MenuWindow::updateSize() {
    if (!m_widget)
        return;
    // Follow the screen the window is on: its work area can change (a panel appears) and the
    // window can be moved to another one.
    if (m_screen != m_window->screen()) {
        if (m_screen)
            disconnect(m_screen, nullptr, this, nullptr);
        m_screen = m_window->screen();
        if (m_screen)
            connect(m_screen, &QScreen::availableGeometryChanged, this, &MenuWindow::updateSize);
    }
    const int content = m_handle->contentHeight();
    const int width = m_handle->designWidth();
    // A framed window's title bar and borders take room on the screen too.
    const QMargins frame = m_appliedMode == Mode::normal ? m_window->frameMargins() : QMargins();
    m_heightCap =
        m_screen ? m_screen->availableGeometry().height() - 2 * kScreenMargin - frame.top() - frame.bottom()
                 : content;
    const QSize size(width, std::max(1, std::min(content, m_heightCap)));

    // Before the hints: a widget's new minimum already resizes it.
    const bool grew = size.height() > m_widget->height();
    // Window managers and Wayland compositors keep a window within its last size hints: the
    // hints move with the size, in the order that never has the minimum above the maximum.
    if (size.height() > m_widget->maximumHeight()) {
        m_widget->setMaximumSize(size);
        m_widget->setMinimumSize(size);
    } else {
        m_widget->setMinimumSize(size);
        m_widget->setMaximumSize(size);
    }
    if (m_widget->size() != size)
        m_widget->resize(size);
    if (m_widget->isVisible() && grew)
        keepOnScreen(size.height());
    Q_EMIT sizeUpdated();
}

// `height` is the one just asked for: a window manager reports the new size only later.
void MenuWindow::keepOnScreen(int height) {
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        // A Wayland client cannot move its window, and the compositor placed it for the height
        // it had when it was mapped: mapped anew, it is placed for the height it has now.
        if (height > m_mappedHeight && !m_remapPending) {
            m_remapPending = true;
            QTimer::singleShot(0, this, &MenuWindow::remap);
        }
        return;
    }
    // The drop-down is placed again on every change of height (see ensureCreated).
    if (m_appliedMode == Mode::dropDown)
        return;
    // A normal window grows downwards from where the user left it; lift it when its bottom
    // would leave the screen. In frame coordinates: window managers differ in what a client
    // position means for a framed window.
    if (!m_screen)
        return;
    const QRect available = m_screen->availableGeometry();
    const QMargins frame = m_window->frameMargins();
    const QRect outer = m_window->frameGeometry();
    const int lowestTop = available.bottom() + 1 - kScreenMargin - (height + frame.top() + frame.bottom());
    if (outer.top() > lowestTop)
        m_window->setFramePosition(QPoint(outer.left(), std::max(available.top(), lowestTop)));
}

void MenuWindow::remap() {
    m_remapPending = false;
    if (!m_window || !m_window->isVisible())
        return;
    m_remapping = true;
    // Unmapping takes the keyboard from the window, and the compositor may say so only after
    // the new mapping is up: focus changes from here until the window is active again (and
    // just after) are this remap's own, not the user's.
    m_remapped = true;
    m_sinceShown.invalidate();
    m_handle->setRemapping(true);
    m_widget->hide();
    m_mappedHeight = m_widget->height();
    qCDebug(lcWindow) << "open" << m_window->geometry();
    m_widget->show();
    m_window->requestActivate();
    m_handle->setRemapping(false);
    m_remapping = false;
}

void MenuWindow::contentHeightChanged() {
    updateSize();
}

void MenuWindow::accountMenuRequested(QPoint corner) {
    if (!m_window || !m_accountMenu)
        return;
    m_handle->setAccountMenuOpen(true);
    m_accountMenu->popup(m_window->mapToGlobal(corner), m_window);
}

void MenuWindow::frameSwapped() {
    Q_EMIT frameShown();
}

void MenuWindow::focusMoved(const QString& item) {
    Q_EMIT focusChanged(item);
}

void MenuWindow::toolTipShown(const QString& text) {
    Q_EMIT toolTipCameUp(text);
}

// A popup (or an unmapped window) had the pointer grabbed: the items under the pointer's last
// position never saw it leave and would go on showing their hover and tooltip.
void MenuWindow::forgetHover() {
    if (m_widget)
        m_handle->forgetHover();
}

void MenuWindow::accountMenuDismissed() {
    if (m_accountMenu && m_accountMenu->menu()->isVisible())
        m_accountMenu->menu()->close();
    else
        onPopupClosed();
}

void MenuWindow::onPopupClosed() {
    if (!m_widget)
        return;
    m_handle->setAccountMenuOpen(false);
    forgetHover();
    trace::line(QStringLiteral("account-menu-closed"));
    // The popup had the keyboard; the window it dropped from takes it back.
    if (m_widget->isVisible() && !(m_accountMenu && m_accountMenu->isOpen()))
        m_window->requestActivate();
}

void MenuWindow::show(QRect iconGeometry) {
    if (isVisible()) {
        m_widget->raise();
        m_window->requestActivate();
        return;
    }
    trace::milestone(m_widget ? "open-warm" : "open-cold");
    // Up to date before the first frame (and before the window's content is first built).
    if (m_menu)
        m_menu->setActive(true);
    ensureCreated();
    m_iconGeometry = iconGeometry;
    // Without the icon's rectangle the window opens at the pointer, and stays hung from where
    // the pointer was when the content later changes its height.
    m_pointerAtOpen.reset();
    if (!(iconGeometry.isValid() && !iconGeometry.isEmpty()) &&
        !QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        m_pointerAtOpen = QCursor::pos();
    if (m_appliedMode == Mode::dropDown) {
        if (QScreen* screen = targetScreen())
            m_window->setScreen(screen);
    }
    updateSize();
    if (m_appliedMode == Mode::dropDown)
        place();
    m_mappedHeight = m_widget->height();
    m_widget->show();
    m_widget->raise();
    m_window->requestActivate();
    m_sinceShown.invalidate();
    m_remapped = false;
}

void MenuWindow::hide() {
    if (m_widget && m_widget->isVisible())
        qCDebug(lcWindow) << "close";
    if (m_widget)
        m_widget->hide();
}

void MenuWindow::toggle(QRect iconGeometry) {
    if (isVisible()) {
        hide();
        return;
    }
    if (m_sinceFocusLossClose.isValid() && m_sinceFocusLossClose.elapsed() < kToggleGraceMs) {
        m_sinceFocusLossClose.invalidate();
        return;
    }
    show(iconGeometry);
}

void MenuWindow::onActiveChanged() {
    if (!m_window || !m_window->isVisible())
        return;
    if (m_window->isActive()) {
        if (!m_sinceShown.isValid())
            m_sinceShown.start();
        m_remapped = false;
        return;
    }
    if (m_appliedMode != Mode::dropDown)
        return;
    // The account menu and the add-account prompt take the focus while they are open; the
    // window stays for them.
    if (m_accountMenu && m_accountMenu->isOpen())
        return;
    // The click that opened the window can still move the focus around just after the window
    // got it (a panel without a window manager takes it on button release); no reason to close.
    if ((m_sinceShown.isValid() && m_sinceShown.elapsed() < kOpeningFocusGraceMs) || m_remapped) {
        m_window->requestActivate();
        return;
    }
    m_sinceFocusLossClose.start();
    qCDebug(lcWindow) << "close: the focus went elsewhere";
    m_widget->hide();
}

QScreen* MenuWindow::targetScreen() const {
    // The screen of the icon, else of the pointer (where the click was), else the primary one.
    QScreen* screen = nullptr;
    if (m_iconGeometry.isValid() && !m_iconGeometry.isEmpty())
        screen = QGuiApplication::screenAt(m_iconGeometry.center());
    if (!screen && m_pointerAtOpen)
        screen = QGuiApplication::screenAt(*m_pointerAtOpen);
    return screen ? screen : QGuiApplication::primaryScreen();
}

void MenuWindow::place() {
    if (m_appliedMode != Mode::dropDown)
        return;
    WindowPlacementInput input;
    input.iconGeometry = m_iconGeometry;
    input.windowSize = m_widget->size();
    input.compositorPlaces = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (!input.compositorPlaces)
        input.cursor = m_pointerAtOpen;

    QScreen* screen = m_window->screen();
    if (!screen)
        return;
    input.availableGeometry = screen->availableGeometry();

    if (const auto topLeft = placeWindow(input))
        m_window->setPosition(*topLeft);
}

} // namespace tovi
