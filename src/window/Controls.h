#pragma once

#include <QAbstractButton>
#include <QAccessible>
#include <QColor>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <optional>

namespace tovi::window {

class Style;

// A control assistive technology can press: its press action lands here.
class Activatable {
public:
    virtual void activate() = 0;

protected:
    ~Activatable() = default;
};

// The role assistive technology reads for `widget` (with its accessibleName and
// accessibleDescription), where the widget's own class would say something else.
void setAccessibleRole(QWidget* widget, QAccessible::Role role);

// The keyboard's place: a ring just inside the control that has it, in the desktop palette's
// selection colour so that it shows in light and dark schemes alike.
void paintFocusRing(QWidget* widget, const QRectF& box);

// The window's one kind of text. Names, versions and messages come from the CLI, the service
// and the user: a guessed format would turn their markup into styling and links, so every text
// is drawn exactly as it is. Cut with an ellipsis where asked (a line, or after some lines).
class PlainLabel : public QLabel {
    Q_OBJECT
public:
    explicit PlainLabel(QWidget* parent = nullptr);

    void setColor(const QColor& color);
    QColor color() const { return m_color; }
    void setElide(Qt::TextElideMode mode);
    // With word wrap: at most this many lines, the last one cut (0: any number).
    void setMaximumLineCount(int lines);
    // Shown cut short, with an ellipsis.
    bool truncated() const;
    // The box the text is drawn in (a text narrower than its label leaves the rest empty).
    QRect paintedRect() const;

    QSize minimumSizeHint() const override;
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int wrappedLines(int width) const;

    QColor m_color;
    Qt::TextElideMode m_elide = Qt::ElideNone;
    int m_maximumLines = 0;
};

// One symbol drawn from the bundled icon font; the glyph is the text the view model supplies.
class SymbolLabel : public PlainLabel {
    Q_OBJECT
public:
    SymbolLabel(const Style& style, qreal pointSize, QWidget* parent = nullptr);
};

// A text that acts as a link: pointing hand, tooltip, activation with the mouse or keyboard.
// Only the painted text is the link: a label stretched across a row must not make the empty
// space beside it clickable.
class LinkLabel : public PlainLabel, public Activatable {
    Q_OBJECT
public:
    explicit LinkLabel(QWidget* parent = nullptr);
    void setLinkText(const QString& text);
    void activate() override { Q_EMIT activated(); }
    // What the tooltip says for a point of the label ("" none): a text cut short shows in full,
    // above what the link does.
    QString toolTipAt(QPoint point) const;
    QString linkToolTip;

Q_SIGNALS:
    void activated();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

// A one-point rule across the full width, or a short vertical one in a row.
class Divider : public QWidget {
public:
    Divider(const Style& style, Qt::Orientation orientation, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Style& m_style;
    Qt::Orientation m_orientation;
};

// A filled status circle.
class Dot : public QWidget {
public:
    Dot(int diameter, QWidget* parent = nullptr);
    void setColor(const QColor& color);
    QSize sizeHint() const override { return {m_diameter, m_diameter}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_diameter;
    QColor m_color;
};

// A progress spinner, turning only while it is on screen.
class Spinner : public QWidget {
public:
    Spinner(int size, const QString& name, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {m_size, m_size}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int m_size;
    int m_angle = 0;
    QTimer m_timer;
};

// A push button in the window's style: its text drawn as written, Return presses it as Space
// does, and the ring shows when the keyboard brought it there.
class Button : public QPushButton {
    Q_OBJECT
public:
    Button(const QString& text, QWidget* parent = nullptr);
    void setPadding(int top, int bottom, int left, int right);
    // A face of its own colour (the one prominent action of a screen), and the text's colour
    // (invalid: the palette's).
    void setFace(const QColor& face) { m_face = face; update(); }
    void setTextColor(const QColor& color) { m_textColor = color; update(); }
    QColor textColor() const;
    // A symbol before the text, in its own colour; "" for none.
    void setGlyph(const QString& glyph, const QFont& font, const QColor& color);
    QString linkToolTip;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void hovered();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    int m_top = 4, m_bottom = 4, m_left = 8, m_right = 8;
    std::optional<QColor> m_face;
    QColor m_textColor;
    QString m_glyph;
    QFont m_glyphFont;
    QColor m_glyphColor;
    bool m_keyboardFocus = false;
};

// A flat button that shows one symbol, brighter and on a light face while the pointer is on it
// (or while what it opens is open).
class GlyphButton : public QAbstractButton {
    Q_OBJECT
public:
    GlyphButton(const Style& style, qreal pointSize, QWidget* parent = nullptr);
    void setGlyph(const QString& glyph);
    QString glyph() const { return text(); }
    void setLit(bool lit);
    void setFixedBox(int size) { m_box = size; updateGeometry(); }
    // The symbol's colour as drawn now.
    QColor glyphColor() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    const Style& m_style;
    bool m_lit = false;
    bool m_keyboardFocus = false;
    int m_box = 0;
};

// The window's tooltips: drawn inside the window as plain text, wrapped to its width, each
// announced as it comes up. A widget given here shows what `textAt` says for the pointer's
// place, over the box it names.
class ToolTips : public QObject {
    Q_OBJECT
public:
    struct Tip {
        QString text;
        QRect area; // in the widget's coordinates; empty: the whole widget
    };
    using TextAt = std::function<Tip(QPoint)>;

    explicit ToolTips(QWidget* window);
    void attach(QWidget* widget, TextAt textAt);
    void attach(QWidget* widget, std::function<QString()> text);
    void hide();
    bool isShown() const;
    QString text() const;

Q_SIGNALS:
    void shown(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void show(QWidget* over, const Tip& tip);

    QWidget* m_window;
    QLabel* m_label;
    QHash<QObject*, TextAt> m_texts;
    QPointer<QWidget> m_owner;
    QRect m_area;
};

} // namespace tovi::window
