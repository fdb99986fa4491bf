#pragma once

#include "window/Controls.h"

#include <QWidget>

namespace tovi {
class MenuViewModel;
}

namespace tovi::window {

class Style;

// The product's mark, drawn from the view model's source at the size asked for.
QPixmap markPixmap(const QUrl& source, int size, qreal devicePixelRatio);

// The mark as a link to the usage page.
class MarkLink : public QWidget, public Activatable {
    Q_OBJECT
public:
    explicit MarkLink(QWidget* parent = nullptr);
    void setSource(const QUrl& source);
    void activate() override { Q_EMIT activated(); }
    QSize sizeHint() const override { return {22, 22}; }

Q_SIGNALS:
    void activated();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QUrl m_source;
};

// The mark and the team's name (both open the usage page) and, at the trailing edge, the
// account menu.
class Header : public QWidget {
    Q_OBJECT
public:
    Header(const Style& style, MenuViewModel* menu, ToolTips* tips, QWidget* parent = nullptr);
    void refresh();
    // Set while the account menu (a native popup the application owns) is open.
    void setAccountMenuOpen(bool open);
    GlyphButton* menuButton() const { return m_menuButton; }

Q_SIGNALS:
    // `corner`: the menu button's bottom-right corner in the window's coordinates.
    void accountMenuRequested(QPoint corner);

private:
    const Style& m_style;
    MenuViewModel* m_menu;
    MarkLink* m_mark;
    LinkLabel* m_title;
    GlyphButton* m_menuButton;
    bool m_accountMenuOpen = false;
};

// The normal window's title bar where nothing else draws one (a frameless window on Wayland):
// the name and a close button. No maximise: the window is as large as its content. No minimise
// either: the window closes to the tray or to the next launch, and Wayland gives no way back
// from a minimised window that has no task bar entry. A drag on the bar moves the window.
class TitleBar : public QWidget {
    Q_OBJECT
public:
    TitleBar(const Style& style, MenuViewModel* menu, ToolTips* tips, QWidget* parent = nullptr);
    void refresh();
    QSize sizeHint() const override;

Q_SIGNALS:
    void closeRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    const Style& m_style;
    MenuViewModel* m_menu;
    PlainLabel* m_name;
    GlyphButton* m_close;
    std::optional<QPoint> m_pressedAt;
};

} // namespace tovi::window
