#include "window/Footer.h"

#include "ui/MenuViewModel.h"
#include "window/ErrorBanner.h"
#include "window/Style.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include <cmath>

namespace tovi::window {

// ---- NotificationsLink

NotificationsLink::NotificationsLink(const Style& style, QWidget* parent)
    : QWidget(parent)
    , m_bell(new SymbolLabel(style, style.captionSize() * 1.15, this))
    , m_count(new PlainLabel(this)) {
    setObjectName(QStringLiteral("notifications"));
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleRole(this, QAccessible::Link);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(2);
    row->addWidget(m_bell, 0, Qt::AlignVCenter);
    m_count->setFont(style.font(style.captionSize()));
    row->addWidget(m_count, 0, Qt::AlignVCenter);
}

void NotificationsLink::refresh(const FooterViewModel* footer) {
    m_bell->setText(footer->notificationsGlyph());
    m_bell->setColor(footer->notificationsColor());
    m_count->setText(footer->notificationsCountText());
    m_count->setColor(footer->notificationsTextColor());
    m_count->setVisible(!footer->notificationsCountText().isEmpty());
    setAccessibleName(footer->notificationsTooltip());
}

void NotificationsLink::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) {
        Q_EMIT activated();
        return;
    }
    QWidget::keyPressEvent(event);
}

void NotificationsLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT activated();
}

void NotificationsLink::paintEvent(QPaintEvent*) {
    if (hasFocus())
        paintFocusRing(this, rect());
}

// ---- StatusRow

namespace {
constexpr int kSpacing = 8;
}

StatusRow::StatusRow(const Style& style, FooterViewModel* footer, ToolTips* tips, QWidget* parent)
    : QWidget(parent)
    , m_style(style)
    , m_footer(footer)
    , m_service(new QWidget(this))
    , m_serviceDot(new Dot(7, m_service))
    , m_serviceLabel(new PlainLabel(m_service))
    , m_versionDivider(new Divider(style, Qt::Vertical, this))
    , m_version(new PlainLabel(this))
    , m_nodesDivider(new Divider(style, Qt::Vertical, this))
    , m_nodes(new LinkLabel(this))
    , m_notificationsDivider(new Divider(style, Qt::Vertical, this))
    , m_notifications(new NotificationsLink(style, this)) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // A status bar: a change of the service's state is announced.
    setAccessibleRole(m_service, QAccessible::StatusBar);
    const QFont caption = style.font(style.captionSize());
    m_serviceLabel->setFont(caption);
    m_serviceLabel->setElide(Qt::ElideRight);
    m_version->setFont(caption);
    m_version->setElide(Qt::ElideRight);
    m_nodes->setObjectName(QStringLiteral("nodeCount"));
    m_nodes->setFont(caption);
    connect(m_nodes, &LinkLabel::activated, footer, &FooterViewModel::openNodes);
    connect(m_notifications, &NotificationsLink::activated, footer, &FooterViewModel::openNotifications);
    tips->attach(m_service, [this] {
        return m_serviceLabel->truncated() ? m_footer->serviceText() + u'\n' + m_footer->serviceTooltip()
                                           : m_footer->serviceTooltip();
    });
    tips->attach(m_version, [this] {
        return m_version->truncated() ? tr("Installed tovi CLI version %1").arg(m_version->text())
                                      : tr("Installed tovi CLI version");
    });
    tips->attach(m_nodes, [this](QPoint at) { return ToolTips::Tip{m_nodes->toolTipAt(at), m_nodes->paintedRect()}; });
    tips->attach(m_notifications, [this] { return m_footer->notificationsTooltip(); });
    refresh();
}

void StatusRow::refresh() {
    m_service->setAccessibleName(m_footer->serviceText());
    m_serviceDot->setColor(m_footer->serviceDotColor());
    m_serviceLabel->setText(m_footer->serviceText());
    m_serviceLabel->setColor(m_style.secondary());
    m_version->setText(m_footer->cliVersion());
    m_version->setAccessibleName(tr("Installed tovi CLI version %1").arg(m_footer->cliVersion()));
    m_version->setColor(m_style.secondary());
    m_nodes->setLinkText(m_footer->nodeCountText());
    m_nodes->linkToolTip = m_footer->nodeCountTooltip();
    m_nodes->setColor(m_footer->nodeCountColor());
    m_notifications->refresh(m_footer);
    m_versionDivider->setVisible(m_footer->showCliVersion());
    m_version->setVisible(m_footer->showCliVersion());
    m_nodesDivider->setVisible(m_footer->showNodeCount());
    m_nodes->setVisible(m_footer->showNodeCount());
    m_notificationsDivider->setVisible(m_footer->showNotifications());
    m_notifications->setVisible(m_footer->showNotifications());
    updateGeometry();
    place();
}

QSize StatusRow::sizeHint() const {
    const QFontMetrics fm = m_serviceLabel->fontMetrics();
    int width = 7 + 4 + fm.horizontalAdvance(m_serviceLabel->text()) + 2;
    int height = fm.height();
    if (m_footer->showCliVersion())
        width += 1 + 2 * kSpacing + fm.horizontalAdvance(m_version->text()) + 2 + kSpacing;
    for (QWidget* item : {static_cast<QWidget*>(m_nodes), static_cast<QWidget*>(m_notifications)})
        if (!item->isHidden()) {
            width += 1 + 2 * kSpacing + item->sizeHint().width();
            height = std::max(height, item->sizeHint().height());
        }
    return QSize(width, height);
}

QSize StatusRow::minimumSizeHint() const {
    return QSize(0, sizeHint().height());
}

void StatusRow::resizeEvent(QResizeEvent*) {
    place();
}

// Everything but the version takes its natural width; the version takes what is left, and
// the service text gives way only when even a cut version does not fit.
void StatusRow::place() {
    const int width = this->width();
    const int height = this->height();
    const bool version = m_footer->showCliVersion();
    const bool nodes = m_footer->showNodeCount();
    const bool bell = m_footer->showNotifications();
    const QFontMetrics fm = m_serviceLabel->fontMetrics();
    const int serviceWidth = 7 + 4 + fm.horizontalAdvance(m_serviceLabel->text()) + 2;
    const int nodesWidth = m_nodes->sizeHint().width();
    const int bellWidth = m_notifications->sizeHint().width();
    const int others = serviceWidth + (version ? 1 + 2 * kSpacing : 0) + (nodes ? nodesWidth + 1 + 2 * kSpacing : 0) +
                       (bell ? bellWidth + 1 + 2 * kSpacing : 0);
    const int service =
        std::max(7 + 4 + 24, std::min(serviceWidth, width - (others - serviceWidth) - (version ? 24 : 0)));
    const int versionNatural = fm.horizontalAdvance(m_version->text());
    // A version such as 1.10.0-beta.12+g3f2a9c1 gives way before anything else.
    const int versionWidth = std::max(std::min(versionNatural, 24), std::min(versionNatural + 2, width - others));

    struct Item {
        QWidget* widget;
        int width;
    };
    QList<Item> items{{m_service, service}};
    if (version)
        items << Item{m_versionDivider, 1} << Item{m_version, versionWidth};
    if (nodes)
        items << Item{m_nodesDivider, 1} << Item{m_nodes, nodesWidth};
    if (bell)
        items << Item{m_notificationsDivider, 1} << Item{m_notifications, bellWidth};
    int total = -kSpacing;
    for (const Item& item : items)
        total += item.width + kSpacing;
    int x = width - total;
    for (const Item& item : items) {
        const int h = item.widget == m_service ? fm.height() : item.widget->sizeHint().height();
        item.widget->setGeometry(x, (height - h) / 2, item.width, h);
        x += item.width + kSpacing;
    }
    m_serviceDot->move(0, (fm.height() - 7) / 2);
    m_serviceLabel->setGeometry(11, 0, std::max(0, service - 11), fm.height());
}

// ---- ControlsRow

namespace {

Button* smallButton(const Style& style, const QString& text, QWidget* parent) {
    auto* button = new Button(text, parent);
    button->setFont(style.font(style.captionSize()));
    button->setPadding(3, 3, 10, 10);
    return button;
}

} // namespace

ControlsRow::ControlsRow(const Style& style, FooterViewModel* footer, ToolTips* tips, QWidget* parent)
    : QWidget(parent)
    , m_style(style)
    , m_footer(footer)
    , m_spinner(new Spinner(18, tr("Working"), this))
    , m_start(smallButton(style, tr("Start"), this))
    , m_refresh(smallButton(style, tr("Refresh"), this))
    , m_upgrade(smallButton(style, tr("Upgrade"), this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(m_spinner);
    m_start->setObjectName(QStringLiteral("start"));
    m_start->linkToolTip = tr("Start the tovi background service on this machine");
    row->addWidget(m_start);
    row->addStretch(1);
    m_refresh->setObjectName(QStringLiteral("refresh"));
    row->addWidget(m_refresh);
    m_upgrade->setObjectName(QStringLiteral("upgrade"));
    row->addWidget(m_upgrade);
    connect(m_start, &QAbstractButton::clicked, footer, &FooterViewModel::start);
    connect(m_refresh, &QAbstractButton::clicked, footer, &FooterViewModel::refresh);
    connect(m_refresh, &Button::hovered, footer, &FooterViewModel::update);
    connect(m_upgrade, &QAbstractButton::clicked, footer, &FooterViewModel::upgrade);
    for (Button* button : {m_start, m_refresh, m_upgrade})
        tips->attach(button, [button] { return button->linkToolTip; });
    refresh();
}

void ControlsRow::refresh() {
    m_spinner->setVisible(m_footer->showSpinner());
    m_start->setVisible(m_footer->showStart());
    m_refresh->linkToolTip = m_footer->refreshTooltip();
    m_upgrade->linkToolTip = m_footer->upgradeTooltip();
    for (Button* button : {m_start, m_refresh, m_upgrade})
        button->setAccessibleDescription(button->linkToolTip);
    m_upgrade->setEnabled(m_footer->upgradeEnabled());
    const bool update = m_footer->upgradeUpdateForm();
    m_upgrade->setGlyph(update ? m_footer->upgradeGlyph() : QString(), m_style.symbolFont(m_style.captionSize() * 1.15),
                        m_upgrade->isEnabled() ? m_footer->upgradeTint() : m_style.secondary());
    m_upgrade->setTextColor(!m_upgrade->isEnabled() ? m_style.secondary() : update ? m_footer->upgradeTint() : QColor());
}

// ---- PartialStatusWarning

PartialStatusWarning::PartialStatusWarning(const Style& style, const QString& glyph, QWidget* parent)
    : QWidget(parent)
    , m_style(style)
    , m_symbol(new SymbolLabel(style, style.caption2Size(), this))
    , m_label(new PlainLabel(this)) {
    setAccessibleRole(this, QAccessible::AlertMessage);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    m_symbol->setText(glyph);
    row->addWidget(m_symbol, 0, Qt::AlignVCenter);
    m_label->setText(tr("Some status unavailable"));
    m_label->setFont(style.font(style.caption2Size()));
    row->addWidget(m_label, 0, Qt::AlignVCenter);
    setAccessibleName(m_label->text());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void PartialStatusWarning::refresh(const QString& tooltip) {
    setAccessibleDescription(tooltip);
    m_symbol->setColor(m_style.colors()->amber());
    m_label->setColor(m_style.colors()->amberText());
}

// ---- Footer

Footer::Footer(const Style& style, MenuViewModel* menu, ToolTips* tips, QWidget* parent)
    : QWidget(parent)
    , m_style(style)
    , m_menu(menu)
    , m_footer(menu->footer())
    , m_bootstrap(new QWidget(this))
    , m_bootstrapLabel(new PlainLabel(m_bootstrap))
    , m_banners(new QWidget(this))
    , m_maintenance(new PlainLabel(this))
    , m_partial(new PartialStatusWarning(style, menu->glyph(QStringLiteral("exclamationmark.triangle")), this))
    , m_status(new StatusRow(style, m_footer, tips, this))
    , m_controls(new ControlsRow(style, m_footer, tips, this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(6);

    auto* bootstrap = new QHBoxLayout(m_bootstrap);
    bootstrap->setContentsMargins(0, 0, 0, 0);
    bootstrap->setSpacing(6);
    bootstrap->addWidget(new Spinner(16, tr("Setting up tovi"), m_bootstrap));
    m_bootstrapLabel->setText(tr("Setting up tovi…"));
    m_bootstrapLabel->setFont(style.font(style.captionSize()));
    bootstrap->addWidget(m_bootstrapLabel);
    bootstrap->addStretch(1);
    column->addWidget(m_bootstrap);

    auto* banners = new QVBoxLayout(m_banners);
    banners->setContentsMargins(0, 0, 0, 0);
    banners->setSpacing(6);
    m_banners->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    column->addWidget(m_banners);

    m_maintenance->setFont(style.font(style.captionSize()));
    m_maintenance->setWordWrap(true);
    m_maintenance->setMaximumLineCount(2);
    column->addWidget(m_maintenance);
    tips->attach(m_maintenance, [this] { return m_maintenance->truncated() ? m_footer->maintenanceMessage() : QString(); });
    column->addWidget(m_partial, 0, Qt::AlignLeft);
    tips->attach(m_partial, [this] { return m_footer->partialTooltip(); });
    column->addWidget(m_status);
    column->addWidget(m_controls);
    connect(m_footer, &FooterViewModel::changed, this, &Footer::refresh);
    refresh();
}

void Footer::refresh() {
    m_bootstrap->setVisible(m_footer->bootstrapInstalling());
    m_bootstrapLabel->setColor(m_style.secondary());
    const QVariantList banners = m_footer->banners();
    if (banners != m_shownBanners || banners.isEmpty() != m_bannerWidgets.isEmpty()) {
        m_shownBanners = banners;
        qDeleteAll(m_bannerWidgets);
        m_bannerWidgets.clear();
        const QString glyph = m_menu->glyph(QStringLiteral("exclamationmark.triangle.fill"));
        for (const QVariant& banner : banners) {
            const QVariantMap fields = banner.toMap();
            auto* widget = new ErrorBanner(m_style, glyph, m_banners);
            widget->setMessage(fields.value(QStringLiteral("message")).toString());
            widget->setHasRetry(fields.value(QStringLiteral("hasRetry")).toBool());
            connect(widget, &ErrorBanner::retry, m_footer, &FooterViewModel::retryBootstrap);
            m_style.applyTo(widget);
            m_banners->layout()->addWidget(widget);
            m_bannerWidgets << widget;
        }
        m_banners->setVisible(!banners.isEmpty());
        Q_EMIT partsChanged();
    }
    for (ErrorBanner* banner : m_bannerWidgets)
        banner->refresh();
    m_maintenance->setVisible(m_footer->showMaintenanceMessage());
    m_maintenance->setText(m_footer->maintenanceMessage());
    m_maintenance->setColor(m_style.secondary());
    m_partial->setVisible(m_footer->showPartialWarning());
    m_partial->refresh(m_footer->partialTooltip());
    m_status->refresh();
    m_controls->refresh();
}

QList<QWidget*> Footer::tabStops() const {
    QList<QWidget*> stops;
    for (ErrorBanner* banner : m_bannerWidgets)
        stops << banner->retryButton();
    stops << m_status->nodes() << m_status->notifications() << m_controls->tabStops();
    return stops;
}

} // namespace tovi::window
