#pragma once

#include "ui/RecomputeGate.h"
#include "ui/StatusColors.h"

#include <QColor>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVariantList>

#include <functional>

namespace tovi {

class ColorScheme;
class StatusStore;

// The fixed footer: set-up progress, banners, maintenance message, the partial-status
// warning, the status information row and the controls row.
class FooterViewModel : public QObject {
    Q_OBJECT
    // Bootstrap.
    Q_PROPERTY(bool bootstrapInstalling READ bootstrapInstalling NOTIFY changed)
    // [{message, hasRetry}] in display order: a failed set-up (with retry), lastError,
    // historySyncError. "Retry" calls retryBootstrap().
    Q_PROPERTY(QVariantList banners READ banners NOTIFY changed)
    Q_PROPERTY(QString maintenanceMessage READ maintenanceMessage NOTIFY changed)
    Q_PROPERTY(bool showMaintenanceMessage READ showMaintenanceMessage NOTIFY changed)
    // Partial status warning.
    Q_PROPERTY(bool showPartialWarning READ showPartialWarning NOTIFY changed)
    Q_PROPERTY(QString partialTooltip READ partialTooltip NOTIFY changed)
    // Status information row.
    Q_PROPERTY(QString serviceText READ serviceText NOTIFY changed)
    Q_PROPERTY(QString serviceTooltip READ serviceTooltip NOTIFY changed)
    Q_PROPERTY(QColor serviceDotColor READ serviceDotColor NOTIFY changed)
    Q_PROPERTY(bool showCliVersion READ showCliVersion NOTIFY changed)
    Q_PROPERTY(QString cliVersion READ cliVersion NOTIFY changed)
    Q_PROPERTY(bool showNodeCount READ showNodeCount NOTIFY changed)
    Q_PROPERTY(QString nodeCountText READ nodeCountText NOTIFY changed)
    Q_PROPERTY(QColor nodeCountColor READ nodeCountColor NOTIFY changed)
    Q_PROPERTY(QString nodeCountTooltip READ nodeCountTooltip NOTIFY changed)
    Q_PROPERTY(bool showNotifications READ showNotifications NOTIFY changed)
    Q_PROPERTY(QString notificationsGlyph READ notificationsGlyph NOTIFY changed)
    Q_PROPERTY(QString notificationsCountText READ notificationsCountText NOTIFY changed)
    // The bell's colour, and the count's beside it (a text: see statusTextColor).
    Q_PROPERTY(QColor notificationsColor READ notificationsColor NOTIFY changed)
    Q_PROPERTY(QColor notificationsTextColor READ notificationsTextColor NOTIFY changed)
    Q_PROPERTY(QString notificationsTooltip READ notificationsTooltip NOTIFY changed)
    // Controls row.
    Q_PROPERTY(bool showSpinner READ showSpinner NOTIFY changed)
    Q_PROPERTY(bool showStart READ showStart NOTIFY changed)
    Q_PROPERTY(QString refreshTooltip READ refreshTooltip NOTIFY changed)
    Q_PROPERTY(bool upgradeUpdateForm READ upgradeUpdateForm NOTIFY changed)
    Q_PROPERTY(QString upgradeTooltip READ upgradeTooltip NOTIFY changed)
    Q_PROPERTY(bool upgradeEnabled READ upgradeEnabled NOTIFY changed)
    Q_PROPERTY(QString upgradeGlyph READ upgradeGlyph CONSTANT)
    Q_PROPERTY(QColor upgradeTint READ upgradeTint NOTIFY changed)

public:
    using NowFunction = std::function<QDateTime()>;

    FooterViewModel(StatusStore* store, ColorScheme* colors, NowFunction now = {}, QObject* parent = nullptr);

    bool bootstrapInstalling() const { return m_s.bootstrapInstalling; }
    QVariantList banners() const { return m_s.banners; }
    QString maintenanceMessage() const { return m_s.maintenanceMessage; }
    bool showMaintenanceMessage() const { return m_s.showMaintenanceMessage; }
    bool showPartialWarning() const { return m_s.showPartialWarning; }
    QString partialTooltip() const { return m_s.partialTooltip; }
    QString serviceText() const { return m_s.serviceText; }
    QString serviceTooltip() const { return m_s.serviceTooltip; }
    QColor serviceDotColor() const { return m_s.serviceDotColor; }
    bool showCliVersion() const { return m_s.showCliVersion; }
    QString cliVersion() const { return m_s.cliVersion; }
    bool showNodeCount() const { return m_s.showNodeCount; }
    QString nodeCountText() const { return m_s.nodeCountText; }
    QColor nodeCountColor() const { return m_s.nodeCountColor; }
    QString nodeCountTooltip() const { return m_s.nodeCountTooltip; }
    bool showNotifications() const { return m_s.showNotifications; }
    QString notificationsGlyph() const { return m_s.notificationsGlyph; }
    QString notificationsCountText() const { return m_s.notificationsCountText; }
    QColor notificationsColor() const { return m_s.notificationsColor; }
    QColor notificationsTextColor() const { return m_s.notificationsTextColor; }
    QString notificationsTooltip() const { return m_s.notificationsTooltip; }
    bool showSpinner() const { return m_s.showSpinner; }
    bool showStart() const { return m_s.showStart; }
    QString refreshTooltip() const { return m_s.refreshTooltip; }
    bool upgradeUpdateForm() const { return m_s.upgradeUpdateForm; }
    QString upgradeTooltip() const { return m_s.upgradeTooltip; }
    bool upgradeEnabled() const { return m_s.upgradeEnabled; }
    QString upgradeGlyph() const;
    QColor upgradeTint() const { return m_s.upgradeTint; }

    Q_INVOKABLE void retryBootstrap();
    Q_INVOKABLE void start();
    Q_INVOKABLE void refresh();
    Q_INVOKABLE void upgrade();
    Q_INVOKABLE void openNodes();
    Q_INVOKABLE void openNotifications();
    // Recomputes time-dependent texts (the refresh age), e.g. when the window opens.
    Q_INVOKABLE void update();

    // The window is open (see RecomputeGate); true until told otherwise. The refresh age moves
    // with the clock: opening always recomputes.
    void setActive(bool active) {
        if (active)
            m_gate.request();
        m_gate.setOpen(active);
    }

Q_SIGNALS:
    void changed();

private:
    struct State {
        bool bootstrapInstalling = false;
        QVariantList banners;
        QString maintenanceMessage;
        bool showMaintenanceMessage = false;
        bool showPartialWarning = false;
        QString partialTooltip;
        QString serviceText;
        QString serviceTooltip;
        QColor serviceDotColor;
        bool showCliVersion = false;
        QString cliVersion;
        bool showNodeCount = false;
        QString nodeCountText;
        QColor nodeCountColor;
        QString nodeCountTooltip;
        bool showNotifications = false;
        QString notificationsGlyph;
        QString notificationsCountText;
        QColor notificationsColor;
        QColor notificationsTextColor;
        QString notificationsTooltip;
        bool showSpinner = false;
        bool showStart = false;
        QString refreshTooltip;
        bool upgradeUpdateForm = false;
        QString upgradeTooltip;
        bool upgradeEnabled = true;
        QColor upgradeTint;
        friend bool operator==(const State&, const State&) = default;
    };

    StatusStore* m_store;
    ColorScheme* m_colors;
    NowFunction m_now;
    State m_s;
    RecomputeGate m_gate{[this] { update(); }};
};

} // namespace tovi
