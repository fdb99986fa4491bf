#include "window/Header.h"

#include "ui/MenuViewModel.h"
#include "window/Style.h"

#include <QHBoxLayout>
#include <QHash>
#include <QImageReader>
#include <QKeyEvent>
#include <QPainter>
#include <QWindow>

#include <cmath>

namespace tovi::window {

QPixmap markPixmap(const QUrl& source, int size, qreal devicePixelRatio) {
    const int pixels = int(std::ceil(size * devicePixelRatio));
    // Drawn from the SVG once per size: a paint must not parse it again.
    static QHash<QString, QPixmap> drawn;
    const QString key = source.toString() + u' ' + QString::number(pixels);
    if (const auto it = drawn.constFind(key); it != drawn.cend())
        return *it;
    const QString path = source.scheme() == u"qrc" ? u':' + source.path() : source.toLocalFile();
    QImageReader reader(path);
    reader.setScaledSize(QSize(pixels, pixels));
    QPixmap pixmap = QPixmap::fromImage(reader.read());
    pixmap.setDevicePixelRatio(devicePixelRatio);
    drawn.insert(key, pixmap);
    return pixmap;
}

MarkLink::MarkLink(QWidget* parent)
    : QWidget(parent) {
    setFixedSize(22, 22);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleRole(this, QAccessible::Link);
}

void MarkLink::setSource(const QUrl& source) {
    if (source == m_source)
        return;
    m_source = source;
    update();
}

void MarkLink::paintEvent(QPaintEvent*) {
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(rect(), markPixmap(m_source, width(), devicePixelRatioF()));
    }
    if (hasFocus())
        paintFocusRing(this, rect());
}

void MarkLink::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) {
        Q_EMIT activated();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MarkLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT activated();
}

Header::Header(const Style& style, MenuViewModel* menu, ToolTips* tips, QWidget* parent)
    : QWidget(parent)
    , m_style(style)
    , m_menu(menu)
    , m_mark(new MarkLink(this))
    , m_title(new LinkLabel(this))
    , m_menuButton(new GlyphButton(style, style.headlineSize() * 1.35, this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 12, 12, 12);
    row->setSpacing(8);
    m_mark->setObjectName(QStringLiteral("mark"));
    row->addWidget(m_mark, 0, Qt::AlignVCenter);
    m_title->setObjectName(QStringLiteral("title"));
    m_title->setFont(style.font(style.headlineSize(), QFont::DemiBold));
    m_title->setElide(Qt::ElideRight);
    // The title takes all the room the menu button leaves, and is cut only when it really
    // doesn't fit.
    m_title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    row->addWidget(m_title, 1);
    m_menuButton->setObjectName(QStringLiteral("accountMenu"));
    row->addWidget(m_menuButton, 0, Qt::AlignVCenter);

    HeaderViewModel* header = menu->header();
    connect(m_mark, &MarkLink::activated, header, &HeaderViewModel::openUsage);
    connect(m_title, &LinkLabel::activated, header, &HeaderViewModel::openUsage);
    // The menu is a popup window of its own, hung from the button's bottom-right corner.
    connect(m_menuButton, &QAbstractButton::clicked, this, [this] {
        Q_EMIT accountMenuRequested(m_menuButton->mapTo(window(), QPoint(m_menuButton->width(), m_menuButton->height())));
    });
    tips->attach(m_mark, [header] { return header->usageTooltip(); });
    tips->attach(m_title, [this](QPoint at) { return ToolTips::Tip{m_title->toolTipAt(at), m_title->paintedRect()}; });
    tips->attach(m_menuButton, [this] { return m_accountMenuOpen ? QString() : m_menu->header()->identityTitle(); });
    connect(header, &HeaderViewModel::changed, this, &Header::refresh);
    refresh();
}

void Header::refresh() {
    HeaderViewModel* header = m_menu->header();
    m_mark->setSource(header->markSource());
    m_mark->setAccessibleName(header->usageTooltip());
    m_title->setLinkText(header->title());
    m_title->linkToolTip = header->usageTooltip();
    m_title->setColor(m_style.primary());
    m_menuButton->setGlyph(header->menuGlyph());
    m_menuButton->setAccessibleName(tr("Account menu, %1").arg(header->identityTitle()));
    m_menuButton->update();
}

void Header::setAccountMenuOpen(bool open) {
    m_accountMenuOpen = open;
    m_menuButton->setLit(open);
}

TitleBar::TitleBar(const Style& style, MenuViewModel* menu, ToolTips* tips, QWidget* parent)
    : QWidget(parent)
    , m_style(style)
    , m_menu(menu)
    , m_name(new PlainLabel(this))
    , m_close(new GlyphButton(style, style.bodySize() * 1.2, this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 0, 4, 1);
    row->setSpacing(0);
    m_name->setObjectName(QStringLiteral("titleBarName"));
    m_name->setText(tr("Tovi"));
    m_name->setFont(style.font(style.calloutSize(), QFont::DemiBold));
    row->addWidget(m_name, 0, Qt::AlignVCenter);
    row->addStretch(1);
    m_close->setObjectName(QStringLiteral("closeWindow"));
    m_close->setFixedBox(24);
    m_close->setAccessibleName(tr("Close"));
    row->addWidget(m_close, 0, Qt::AlignVCenter);
    tips->attach(m_close, [this] { return m_close->accessibleName(); });
    connect(m_close, &QAbstractButton::clicked, this, &TitleBar::closeRequested);
    refresh();
}

void TitleBar::refresh() {
    m_name->setColor(m_style.primary());
    m_close->setGlyph(m_menu->header()->closeGlyph());
    update();
}

QSize TitleBar::sizeHint() const {
    return QSize(QWidget::sizeHint().width(), 30);
}

void TitleBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), m_style.hover());
    painter.fillRect(QRect(0, height() - 1, width(), 1), m_style.divider());
}

void TitleBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_pressedAt = event->position().toPoint();
}

// The compositor moves the window: a Wayland client cannot place it itself.
void TitleBar::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressedAt || !(event->buttons() & Qt::LeftButton))
        return;
    if ((event->position().toPoint() - *m_pressedAt).manhattanLength() < 4)
        return;
    m_pressedAt.reset();
    if (QWindow* handle = window()->windowHandle())
        handle->startSystemMove();
}

} // namespace tovi::window
