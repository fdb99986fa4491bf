#pragma once

#include <QDBusConnection>
#include <QObject>
#include <qcoro/qcorotask.h>

#include <chrono>

namespace tovi {

// Hands a second launch over to the running copy over the session bus: the running copy
// owns the application id as a bus name and serves org.freedesktop.Application; a second
// copy calls Activate on it and then quits, `tovi-tray --quit` calls ActivateAction("quit").
// Without a session bus both sides do nothing.
class ApplicationActivation : public QObject {
    Q_OBJECT
public:
    enum class QuitOutcome {
        quit,       // the running copy has quit: its bus connection is gone
        notRunning, // nobody owns the application's bus name
        noBus,      // no session bus to ask on
        noAnswer,   // it refused, did not answer or did not go in time
    };

    explicit ApplicationActivation(QObject* parent = nullptr);
    ApplicationActivation(const QDBusConnection& bus, QString appId, QObject* parent = nullptr);
    ~ApplicationActivation() override;

    // Running copy: claims the name and exports the interface. False without a bus or
    // when another process owns the name.
    bool registerService();
    // Second copy: asks the running copy to come forward. True when it answered in time.
    QCoro::Task<bool> activateRunningCopy(std::chrono::milliseconds timeout = std::chrono::seconds(2));
    // Asks the running copy to quit and waits, within `timeout`, until its process has let
    // go of the bus, so that a launch right after finds no copy running.
    QCoro::Task<QuitOutcome> quitRunningCopy(std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // "/" + the id with dots turned into slashes, e.g. /dev/tovi/Tovi.
    static QString objectPath(const QString& appId);

signals:
    // The caller's Wayland activation token and X11 startup id, each empty when not sent:
    // compositors let a window come forward only with the token of the launch that asked.
    void activateRequested(const QString& activationToken, const QString& startupId);
    void quitRequested();

private:
    friend class ApplicationAdaptor;
    void handleActivation(const QVariantMap& platformData);
    void handleAction(const QString& actionName, const QVariantMap& platformData);

    QDBusConnection m_bus;
    QString m_appId;
    bool m_registered = false;
};

} // namespace tovi
