#pragma once

#include "ui/RecomputeGate.h"

#include <QObject>
#include <QPointer>
#include <QString>

namespace tovi {

class AppUpdater;
class StatusStore;

// The settings section of the account menu.
class SettingsViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY changed)
    // Why "Check for Updates…" is greyed for good in this build; empty where it can run.
    Q_PROPERTY(QString checkForUpdatesTooltip READ checkForUpdatesTooltip NOTIFY changed)
    Q_PROPERTY(bool automaticUpdates READ automaticUpdates WRITE setAutomaticUpdates NOTIFY changed)
    Q_PROPERTY(QString automaticUpdatesTooltip READ automaticUpdatesTooltip CONSTANT)
    Q_PROPERTY(bool openAtLogin READ openAtLogin WRITE setOpenAtLogin NOTIFY changed)
    Q_PROPERTY(bool showMoveNote READ showMoveNote NOTIFY changed)
    Q_PROPERTY(QString moveNote READ moveNote CONSTANT)
    Q_PROPERTY(QString keepAwakeLabel READ keepAwakeLabel CONSTANT)
    Q_PROPERTY(bool keepAwake READ keepAwake WRITE setKeepAwake NOTIFY changed)
    Q_PROPERTY(QString keepAwakeNote READ keepAwakeNote NOTIFY changed)
    Q_PROPERTY(bool syncAgentHistory READ syncAgentHistory WRITE setSyncAgentHistory NOTIFY changed)
    Q_PROPERTY(QString syncAgentHistoryTooltip READ syncAgentHistoryTooltip CONSTANT)
    Q_PROPERTY(bool historySyncApplying READ historySyncApplying NOTIFY changed)
    Q_PROPERTY(bool notifications READ notifications WRITE setNotifications NOTIFY changed)
    Q_PROPERTY(QString applyingGlyph READ applyingGlyph CONSTANT)

public:
    // `updater` may be null (no updater in this process): its rows then show off and greyed.
    SettingsViewModel(StatusStore* store, AppUpdater* updater, QObject* parent = nullptr);

    bool canCheckForUpdates() const;
    QString checkForUpdatesTooltip() const;
    bool automaticUpdates() const;
    void setAutomaticUpdates(bool value);
    QString automaticUpdatesTooltip() const;
    bool openAtLogin() const;
    void setOpenAtLogin(bool value);
    bool showMoveNote() const;
    QString moveNote() const;
    QString keepAwakeLabel() const;
    bool keepAwake() const;
    void setKeepAwake(bool value);
    // Why the switch cannot work here, shown under it; empty while nothing is known against it.
    QString keepAwakeNote() const;
    bool syncAgentHistory() const;
    void setSyncAgentHistory(bool value);
    QString syncAgentHistoryTooltip() const;
    bool historySyncApplying() const;
    bool notifications() const;
    void setNotifications(bool value);
    QString notificationsTooltip() const;
    QString applyingGlyph() const;

    Q_INVOKABLE void checkForUpdates();

    // The window is open (see RecomputeGate); true until told otherwise.
    void setActive(bool active) { m_gate.setOpen(active); }

Q_SIGNALS:
    void changed();

private:
    StatusStore* m_store;
    // Its flags are read from it each time, never copied: it owns them.
    QPointer<AppUpdater> m_updater;
    RecomputeGate m_gate{[this] { Q_EMIT changed(); }};
};

} // namespace tovi
