#pragma once

#include "window/Style.h"
#include "window/WindowHandle.h"

#include <QWidget>

namespace tovi {
class MenuViewModel;
}

namespace tovi::window {

class Footer;
class Header;
class SignedOutScreen;
class SpacesScreen;
class TitleBar;
class ToolTips;

// The drop-down window: header, the body for the current screen, footer. The application
// sizes the platform window: the design width, and the content's height held to the screen;
// when it is held, the spaces list and the banners give up room and scroll.
class ToviWindow : public QWidget, public WindowHandle {
    Q_OBJECT
public:
    ToviWindow(MenuViewModel* menu, bool tracing, WindowEvents* events);
    ~ToviWindow() override;

    // WindowHandle
    QWidget* widget() override { return this; }
    QWindow* window() override;
    void setWindowFlags(Qt::WindowFlags flags) override;
    int contentHeight() const override;
    int designWidth() const override { return Style::windowWidth; }
    void setDropDown(bool dropDown) override;
    void setOwnTitleBar(bool ownTitleBar) override;
    bool ownTitleBar() const override { return m_ownTitleBar; }
    void setRemapping(bool remapping) override { m_remapping = remapping; }
    void setAccountMenuOpen(bool open) override;
    bool accountMenuOpen() const override { return m_accountMenuOpen; }
    void forgetHover() override;
    QStringList textsOnScreen() override;
    void redraw() override { update(); }

    const Style& style() const { return m_style; }
    QWidget* content() const { return m_content; }
    SpacesScreen* spaces() const { return m_spaces; }
    ToolTips* toolTips() const { return m_tips; }

protected:
    bool event(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void applyColors();
    void showBody();
    void orderTabStops();
    QString focusName(QWidget* widget) const;

    MenuViewModel* m_menu;
    WindowEvents* m_events;
    bool m_tracing;
    Style m_style;
    QWidget* m_content;
    ToolTips* m_tips;
    TitleBar* m_titleBar;
    Header* m_header;
    SignedOutScreen* m_signedOut;
    SpacesScreen* m_spaces;
    Footer* m_footer;
    QWidget* m_edge;
    int m_reportedHeight = -1;
    bool m_dropDown = false;
    bool m_ownTitleBar = false;
    bool m_remapping = false;
    bool m_accountMenuOpen = false;
    bool m_framePending = false;
};

// The texts and buttons on screen for the contrast check (ContrastWalk.cpp, in trace builds).
QStringList contrastWalk(const ToviWindow& window);

} // namespace tovi::window
