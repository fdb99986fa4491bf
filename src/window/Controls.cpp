#include "window/Controls.h"

#include "window/Style.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QTextLayout>

#include <cmath>

namespace tovi::window {

namespace {

constexpr char kRoleProperty[] = "toviAccessibleRole";

class AccessibleItem : public QAccessibleWidget {
public:
    AccessibleItem(QWidget* widget, QAccessible::Role role)
        : QAccessibleWidget(widget, role) {}

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (dynamic_cast<Activatable*>(widget()) && !names.contains(pressAction()))
            names.prepend(pressAction());
        return names;
    }
    void doAction(const QString& name) override {
        if (auto* target = dynamic_cast<Activatable*>(widget()); target && name == pressAction())
            target->activate();
        else
            QAccessibleWidget::doAction(name);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return widget()->accessibleName();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* accessibleFactory(const QString&, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    const QVariant role = object->property(kRoleProperty);
    if (!role.isValid())
        return nullptr;
    return new AccessibleItem(static_cast<QWidget*>(object), QAccessible::Role(role.toInt()));
}

bool isKeyboardReason(Qt::FocusReason reason) {
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
}

} // namespace

void setAccessibleRole(QWidget* widget, QAccessible::Role role) {
    static const bool installed = (QAccessible::installFactory(&accessibleFactory), true);
    Q_UNUSED(installed);
    widget->setProperty(kRoleProperty, int(role));
}

void paintFocusRing(QWidget* widget, const QRectF& box) {
    QPainter painter(widget);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(widget->palette().color(QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(box.adjusted(1, 1, -1, -1), 3, 3);
}

// ---- PlainLabel

PlainLabel::PlainLabel(QWidget* parent)
    : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void PlainLabel::setColor(const QColor& color) {
    if (color == m_color)
        return;
    m_color = color;
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    setPalette(p);
}

void PlainLabel::setElide(Qt::TextElideMode mode) {
    m_elide = mode;
    updateGeometry();
}

void PlainLabel::setMaximumLineCount(int lines) {
    m_maximumLines = lines;
    updateGeometry();
}

QSize PlainLabel::minimumSizeHint() const {
    if (m_elide == Qt::ElideNone || wordWrap())
        return QLabel::minimumSizeHint();
    const QMargins m = contentsMargins();
    return QSize(0, fontMetrics().height() + m.top() + m.bottom());
}

int PlainLabel::wrappedLines(int width) const {
    QTextLayout layout(text(), font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int lines = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        ++lines;
    }
    layout.endLayout();
    return lines;
}

int PlainLabel::heightForWidth(int width) const {
    const int height = QLabel::heightForWidth(width);
    if (!wordWrap() || m_maximumLines <= 0)
        return height;
    const QMargins m = contentsMargins();
    return std::min(height, m_maximumLines * fontMetrics().lineSpacing() + m.top() + m.bottom());
}

bool PlainLabel::truncated() const {
    if (wordWrap())
        return m_maximumLines > 0 && wrappedLines(contentsRect().width()) > m_maximumLines;
    return m_elide != Qt::ElideNone && fontMetrics().horizontalAdvance(text()) > contentsRect().width();
}

QRect PlainLabel::paintedRect() const {
    const QRect box = contentsRect();
    if (wordWrap())
        return box;
    const int width = std::min(box.width(), fontMetrics().horizontalAdvance(text()));
    const Qt::Alignment h = QStyle::visualAlignment(layoutDirection(), alignment()) & Qt::AlignHorizontal_Mask;
    const int x = h & Qt::AlignRight ? box.right() + 1 - width
                : h & Qt::AlignHCenter ? box.left() + (box.width() - width) / 2
                                       : box.left();
    return QRect(x, box.top(), width, box.height());
}

void PlainLabel::paintEvent(QPaintEvent* event) {
    const bool cutLine = m_elide != Qt::ElideNone && !wordWrap();
    const bool cutLines = wordWrap() && m_maximumLines > 0;
    if (!cutLine && !cutLines) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    const QRect box = contentsRect();
    const QFontMetrics fm = fontMetrics();
    if (cutLine) {
        painter.drawText(box, int(alignment()), fm.elidedText(text(), m_elide, box.width()));
        return;
    }
    QTextLayout layout(text(), font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QList<QTextLine> lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(box.width());
        lines << line;
    }
    layout.endLayout();
    const int shown = std::min(int(lines.size()), m_maximumLines);
    for (int i = 0; i < shown; ++i) {
        const QTextLine& line = lines[i];
        const QPoint at(box.left(), box.top() + i * fm.lineSpacing());
        if (i == shown - 1 && lines.size() > shown) {
            const QString rest = text().mid(line.textStart());
            painter.drawText(QRect(at, QSize(box.width(), fm.height())), Qt::AlignLeft | Qt::AlignTop,
                             fm.elidedText(rest, Qt::ElideRight, box.width()));
        } else {
            line.draw(&painter, QPointF(at.x(), at.y() - line.y()));
        }
    }
}

SymbolLabel::SymbolLabel(const Style& style, qreal pointSize, QWidget* parent)
    : PlainLabel(parent) {
    setFont(style.symbolFont(pointSize));
    setAlignment(Qt::AlignCenter);
    setColor(style.secondary());
}

// ---- LinkLabel

LinkLabel::LinkLabel(QWidget* parent)
    : PlainLabel(parent) {
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true);
    setContentsMargins(2, 1, 2, 1);
    setAccessibleRole(this, QAccessible::Link);
}

void LinkLabel::setLinkText(const QString& text) {
    setText(text);
    setAccessibleName(text);
}

QString LinkLabel::toolTipAt(QPoint point) const {
    if (!paintedRect().adjusted(-2, -1, 2, 1).contains(point))
        return {};
    if (truncated())
        return text() + (linkToolTip.isEmpty() ? QString() : u'\n' + linkToolTip);
    return linkToolTip;
}

void LinkLabel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) {
        Q_EMIT activated();
        return;
    }
    PlainLabel::keyPressEvent(event);
}

void LinkLabel::mouseMoveEvent(QMouseEvent* event) {
    if (paintedRect().contains(event->position().toPoint()))
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
    PlainLabel::mouseMoveEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && paintedRect().contains(event->position().toPoint())) {
        Q_EMIT activated();
        return;
    }
    PlainLabel::mouseReleaseEvent(event);
}

void LinkLabel::paintEvent(QPaintEvent* event) {
    PlainLabel::paintEvent(event);
    // Around the painted text, not the stretched label.
    if (hasFocus())
        paintFocusRing(this, paintedRect().adjusted(-2, -1, 2, 1));
}

// ---- Divider, Dot, Spinner

Divider::Divider(const Style& style, Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent)
    , m_style(style)
    , m_orientation(orientation) {
    setSizePolicy(orientation == Qt::Horizontal ? QSizePolicy::Expanding : QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QSize Divider::sizeHint() const {
    return m_orientation == Qt::Horizontal ? QSize(1, 1) : QSize(1, 10);
}

void Divider::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), m_style.divider());
}

Dot::Dot(int diameter, QWidget* parent)
    : QWidget(parent)
    , m_diameter(diameter) {
    setFixedSize(diameter, diameter);
}

void Dot::setColor(const QColor& color) {
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void Dot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_color);
    painter.drawEllipse(QRectF(rect()));
}

Spinner::Spinner(int size, const QString& name, QWidget* parent)
    : QWidget(parent)
    , m_size(size) {
    setFixedSize(size, size);
    setAccessibleName(name);
    setAccessibleRole(this, QAccessible::Indicator);
    m_timer.setInterval(50);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_angle = (m_angle + 30) % 360;
        update();
    });
}

void Spinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal pen = std::max(2.0, m_size / 9.0);
    QColor color = palette().color(QPalette::WindowText);
    QRectF box = QRectF(rect()).adjusted(pen / 2 + 1, pen / 2 + 1, -pen / 2 - 1, -pen / 2 - 1);
    color.setAlphaF(0.15f);
    painter.setPen(QPen(color, pen));
    painter.drawEllipse(box);
    color.setAlphaF(0.7f);
    painter.setPen(QPen(color, pen, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(box, -m_angle * 16, 100 * 16);
}

void Spinner::showEvent(QShowEvent*) {
    m_timer.start();
}

void Spinner::hideEvent(QHideEvent*) {
    m_timer.stop();
}

// ---- Button

Button::Button(const QString& text, QWidget* parent)
    : QPushButton(text, parent) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setAutoDefault(false);
    setAccessibleName(text);
}

void Button::setPadding(int top, int bottom, int left, int right) {
    m_top = top, m_bottom = bottom, m_left = left, m_right = right;
    updateGeometry();
}

void Button::setGlyph(const QString& glyph, const QFont& font, const QColor& color) {
    m_glyph = glyph;
    m_glyphFont = font;
    m_glyphColor = color;
    updateGeometry();
    update();
}

QColor Button::textColor() const {
    if (m_textColor.isValid())
        return m_textColor;
    return palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
}

QSize Button::sizeHint() const {
    const QFontMetrics fm = fontMetrics();
    int width = fm.horizontalAdvance(text());
    int height = fm.height();
    if (!m_glyph.isEmpty()) {
        const QFontMetrics gm(m_glyphFont);
        width += gm.horizontalAdvance(m_glyph) + 4;
        height = std::max(height, gm.height());
    }
    // The style's least button, as its buttons elsewhere are.
    return QSize(std::max(80, width + m_left + m_right), std::max(24, height + m_top + m_bottom));
}

void Button::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_face) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(isDown() ? m_face->darker(125) : underMouse() ? m_face->darker(110) : *m_face);
        painter.drawRoundedRect(QRectF(rect()), 5, 5);
    } else {
        // The style's colours on a flat face, a shade lighter than the palette's button: a
        // state colour's text keeps its contrast on it, as on the window.
        const QColor button = palette().color(QPalette::Button);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(palette().color(QPalette::Window).darker(140));
        painter.setBrush(isDown() ? button.darker(110) : underMouse() && isEnabled() ? button.lighter(104) : button.lighter(108));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    }
    const QFontMetrics fm = fontMetrics();
    int width = fm.horizontalAdvance(text());
    int glyphWidth = 0;
    if (!m_glyph.isEmpty()) {
        glyphWidth = QFontMetrics(m_glyphFont).horizontalAdvance(m_glyph);
        width += glyphWidth + 4;
    }
    int x = (this->width() - width) / 2;
    if (!m_glyph.isEmpty()) {
        painter.setFont(m_glyphFont);
        painter.setPen(isEnabled() ? m_glyphColor : palette().color(QPalette::Disabled, QPalette::ButtonText));
        painter.drawText(QRect(x, 0, glyphWidth, height()), Qt::AlignCenter, m_glyph);
        x += glyphWidth + 4;
    }
    painter.setFont(font());
    painter.setPen(textColor());
    painter.drawText(QRect(x, 0, this->width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
    painter.end();
    if (hasFocus() && m_keyboardFocus)
        paintFocusRing(this, rect());
}

void Button::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        animateClick();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void Button::focusInEvent(QFocusEvent* event) {
    m_keyboardFocus = isKeyboardReason(event->reason());
    QPushButton::focusInEvent(event);
}

void Button::enterEvent(QEnterEvent* event) {
    Q_EMIT hovered();
    QPushButton::enterEvent(event);
}

// ---- GlyphButton

GlyphButton::GlyphButton(const Style& style, qreal pointSize, QWidget* parent)
    : QAbstractButton(parent)
    , m_style(style) {
    setFont(style.symbolFont(pointSize));
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void GlyphButton::setGlyph(const QString& glyph) {
    setText(glyph);
    updateGeometry();
}

void GlyphButton::setLit(bool lit) {
    if (lit == m_lit)
        return;
    m_lit = lit;
    update();
}

QColor GlyphButton::glyphColor() const {
    return underMouse() || m_lit ? m_style.primary() : m_style.secondary();
}

QSize GlyphButton::sizeHint() const {
    if (m_box > 0)
        return {m_box, m_box};
    const QFontMetrics fm = fontMetrics();
    return QSize(fm.horizontalAdvance(text()) + 4, fm.height() + 4);
}

void GlyphButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (underMouse() || m_lit) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_style.hover());
        painter.drawRoundedRect(QRectF(rect()), 4, 4);
    }
    painter.setPen(glyphColor());
    painter.drawText(rect(), Qt::AlignCenter, text());
    painter.end();
    if (hasFocus() && m_keyboardFocus)
        paintFocusRing(this, rect());
}

void GlyphButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void GlyphButton::focusInEvent(QFocusEvent* event) {
    m_keyboardFocus = isKeyboardReason(event->reason());
    QAbstractButton::focusInEvent(event);
}

void GlyphButton::enterEvent(QEnterEvent* event) {
    update();
    QAbstractButton::enterEvent(event);
}

void GlyphButton::leaveEvent(QEvent* event) {
    update();
    QAbstractButton::leaveEvent(event);
}

// ---- ToolTips

namespace {

class ToolTipLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override {
        {
            QPainter painter(this);
            painter.fillRect(rect(), palette().color(QPalette::ToolTipBase));
            painter.setPen(palette().color(QPalette::ToolTipText).lighter(150));
            painter.drawRect(rect().adjusted(0, 0, -1, -1));
        }
        QLabel::paintEvent(event);
    }
};

} // namespace

ToolTips::ToolTips(QWidget* window)
    : QObject(window)
    , m_window(window)
    , m_label(new ToolTipLabel(window)) {
    m_label->setObjectName(QStringLiteral("toolTip"));
    m_label->setTextFormat(Qt::PlainText);
    m_label->setWordWrap(true);
    m_label->setContentsMargins(6, 4, 6, 4);
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_label->setForegroundRole(QPalette::ToolTipText);
    m_label->hide();
}

void ToolTips::attach(QWidget* widget, TextAt textAt) {
    m_texts.insert(widget, std::move(textAt));
    widget->installEventFilter(this);
    connect(widget, &QObject::destroyed, this, [this](QObject* gone) { m_texts.remove(gone); });
}

void ToolTips::attach(QWidget* widget, std::function<QString()> text) {
    attach(widget, [text = std::move(text)](QPoint) { return Tip{text(), {}}; });
}

bool ToolTips::isShown() const {
    return m_label->isVisible();
}

QString ToolTips::text() const {
    return m_label->text();
}

void ToolTips::hide() {
    m_label->hide();
    m_owner = nullptr;
}

bool ToolTips::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ToolTip: {
        auto* widget = static_cast<QWidget*>(watched);
        const auto* help = static_cast<QHelpEvent*>(event);
        const Tip tip = m_texts.value(watched)(help->pos());
        if (tip.text.isEmpty())
            hide();
        else
            show(widget, tip);
        return true;
    }
    case QEvent::MouseMove:
        if (watched == m_owner && !m_area.isEmpty() &&
            !m_area.contains(static_cast<QMouseEvent*>(event)->position().toPoint()))
            hide();
        break;
    case QEvent::Leave:
    case QEvent::Hide:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
        if (watched == m_owner)
            hide();
        break;
    default:
        break;
    }
    return false;
}

void ToolTips::show(QWidget* over, const Tip& tip) {
    const bool again = m_label->isVisible() && m_label->text() == tip.text;
    m_owner = over;
    m_area = tip.area;
    m_label->setText(tip.text);
    // As wide as the text, at most the window's width less a margin; as tall as it then wraps.
    const QMargins m = m_label->contentsMargins();
    const QFontMetrics fm = m_label->fontMetrics();
    const int natural = fm.boundingRect(QRect(0, 0, 100000, 100000), 0, tip.text).width() + m.left() + m.right() + 1;
    const int width = std::min(natural, Style::windowWidth - 16);
    const int height = m_label->heightForWidth(width);
    const QRect area = tip.area.isEmpty() ? over->rect() : tip.area;
    const QRect box(over->mapTo(m_window, area.topLeft()), area.size());
    // Above what it is about, inside the window; below when there is no room above.
    int x = box.center().x() - width / 2;
    int y = box.top() - height - 3;
    if (y < 6)
        y = box.bottom() + 4;
    x = std::clamp(x, 6, std::max(6, m_window->width() - 6 - width));
    y = std::clamp(y, 0, std::max(0, m_window->height() - height));
    m_label->setGeometry(x, y, width, height);
    m_label->raise();
    m_label->show();
    if (!again)
        Q_EMIT shown(tip.text);
}

} // namespace tovi::window
