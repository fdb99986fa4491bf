#include "window/ErrorBanner.h"

#include "window/Style.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QScrollBar>

namespace tovi::window {

namespace {

// As tall as the message, up to about eight lines; down to two when room is short.
class MessageScroller : public QScrollArea {
public:
    MessageScroller(PlainLabel* message, QWidget* parent)
        : QScrollArea(parent)
        , m_message(message) {
        setFrameShape(QFrame::NoFrame);
        setWidgetResizable(true);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        verticalScrollBar()->setFixedWidth(10);
        setWidget(message);
        viewport()->setAutoFillBackground(false);
        message->setAutoFillBackground(false);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override {
        return std::min(m_message->heightForWidth(width), 8 * m_message->fontMetrics().height());
    }
    QSize sizeHint() const override {
        return QSize(QScrollArea::sizeHint().width(), heightForWidth(std::max(width(), 200)));
    }
    QSize minimumSizeHint() const override {
        return QSize(0, std::min(heightForWidth(std::max(width(), 200)), 2 * m_message->fontMetrics().height()));
    }

private:
    PlainLabel* m_message;
};

} // namespace

ErrorBanner::ErrorBanner(const Style& style, const QString& glyph, QWidget* parent)
    : QWidget(parent)
    , m_style(style)
    , m_symbol(new SymbolLabel(style, style.captionSize(), this))
    , m_message(new PlainLabel)
    , m_retry(new Button(tr("Retry"), this)) {
    m_scroller = new MessageScroller(m_message, this);
    setAccessibleRole(this, QAccessible::AlertMessage);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 6, 8, 6);
    row->setSpacing(6);
    m_symbol->setText(glyph);
    row->addWidget(m_symbol, 0, Qt::AlignVCenter);
    m_message->setWordWrap(true);
    m_message->setFont(style.font(style.captionSize()));
    m_message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_message->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    row->addWidget(m_scroller, 1);
    m_retry->setFont(style.font(style.captionSize()));
    m_retry->setPadding(2, 2, 8, 8);
    m_retry->setVisible(false);
    row->addWidget(m_retry, 0, Qt::AlignVCenter);
    connect(m_retry, &QAbstractButton::clicked, this, &ErrorBanner::retry);
    refresh();
}

void ErrorBanner::setMessage(const QString& message) {
    if (message == m_message->text())
        return;
    m_message->setText(message);
    setAccessibleName(message);
    m_scroller->updateGeometry();
}

void ErrorBanner::setHasRetry(bool hasRetry) {
    m_retry->setVisible(hasRetry);
}

void ErrorBanner::refresh() {
    m_symbol->setColor(m_style.colors()->red());
    m_message->setColor(m_style.primary());
    update();
}

void ErrorBanner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Style::withAlpha(m_style.colors()->red(), 0.12));
    painter.drawRoundedRect(QRectF(rect()), 7, 7);
}

} // namespace tovi::window
