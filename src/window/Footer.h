#pragma once

#include "window/Controls.h"

#include <QVariantList>
#include <QWidget>

namespace tovi {
class FooterViewModel;
class MenuViewModel;
} // namespace tovi

namespace tovi::window {

class ErrorBanner;
class Style;

// The bell and the count of unread notifications, as a link to them.
class NotificationsLink : public QWidget, public Activatable {
    Q_OBJECT
public:
    NotificationsLink(const Style& style, QWidget* parent = nullptr);
    void refresh(const FooterViewModel* footer);
    void activate() override { Q_EMIT activated(); }
    SymbolLabel* bell() const { return m_bell; }
    PlainLabel* count() const { return m_count; }

Q_SIGNALS:
    void activated();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    SymbolLabel* m_bell;
    PlainLabel* m_count;
};

// Service state, CLI version, nodes online and unread notifications, at the trailing edge.
// When the row is too narrow (a long version, a large font) the texts are cut, longest first,
// and show in full in their tooltips; nothing is pushed out of the window.
class StatusRow : public QWidget {
    Q_OBJECT
public:
    StatusRow(const Style& style, FooterViewModel* footer, ToolTips* tips, QWidget* parent = nullptr);
    void refresh();
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    LinkLabel* nodes() const { return m_nodes; }
    NotificationsLink* notifications() const { return m_notifications; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void place();

    const Style& m_style;
    FooterViewModel* m_footer;
    QWidget* m_service;
    Dot* m_serviceDot;
    PlainLabel* m_serviceLabel;
    Divider* m_versionDivider;
    PlainLabel* m_version;
    Divider* m_nodesDivider;
    LinkLabel* m_nodes;
    Divider* m_notificationsDivider;
    NotificationsLink* m_notifications;
};

// Start (or progress), then Refresh and Upgrade at the trailing edge.
class ControlsRow : public QWidget {
    Q_OBJECT
public:
    ControlsRow(const Style& style, FooterViewModel* footer, ToolTips* tips, QWidget* parent = nullptr);
    void refresh();
    QList<QWidget*> tabStops() const { return {m_start, m_refresh, m_upgrade}; }

private:
    const Style& m_style;
    FooterViewModel* m_footer;
    Spinner* m_spinner;
    Button* m_start;
    Button* m_refresh;
    Button* m_upgrade;
};

// Marks a snapshot the CLI could only partly load; the tooltip names the missing sections.
class PartialStatusWarning : public QWidget {
    Q_OBJECT
public:
    PartialStatusWarning(const Style& style, const QString& glyph, QWidget* parent = nullptr);
    void refresh(const QString& tooltip);

private:
    const Style& m_style;
    SymbolLabel* m_symbol;
    PlainLabel* m_label;
};

// Set-up progress, banners, the maintenance message, the partial-status warning, the status
// information row and the controls row; each only when it has something to say.
class Footer : public QWidget {
    Q_OBJECT
public:
    Footer(const Style& style, MenuViewModel* menu, ToolTips* tips, QWidget* parent = nullptr);
    void refresh();
    QList<QWidget*> tabStops() const;

Q_SIGNALS:
    // Banners came or went: their buttons join the keyboard's round.
    void partsChanged();

private:
    const Style& m_style;
    MenuViewModel* m_menu;
    FooterViewModel* m_footer;
    QWidget* m_bootstrap;
    PlainLabel* m_bootstrapLabel;
    QWidget* m_banners;
    QList<ErrorBanner*> m_bannerWidgets;
    QVariantList m_shownBanners;
    PlainLabel* m_maintenance;
    PartialStatusWarning* m_partial;
    StatusRow* m_status;
    ControlsRow* m_controls;
};

} // namespace tovi::window
