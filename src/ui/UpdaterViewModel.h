#pragma once

#include <QObject>
#include <QPointer>

namespace tovi {

class AppUpdater;

// The observable layer over the application updater that the settings area binds to.
class UpdaterViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)
    Q_PROPERTY(bool automaticallyUpdates READ automaticallyUpdates NOTIFY automaticallyUpdatesChanged)

public:
    explicit UpdaterViewModel(AppUpdater* updater, QObject* parent = nullptr);

    AppUpdater* updater() const { return m_updater; }
    bool canCheckForUpdates() const { return m_canCheckForUpdates; }
    bool hasUpdateFeed() const;
    // Read from the updater once, at creation; afterwards only the switch changes it.
    bool automaticallyUpdates() const { return m_automaticallyUpdates; }
    void setAutomaticallyUpdates(bool value);

    Q_INVOKABLE void checkForUpdates();

Q_SIGNALS:
    void canCheckForUpdatesChanged();
    void automaticallyUpdatesChanged();

private:
    void setCanCheckForUpdates(bool value);

    QPointer<AppUpdater> m_updater;
    bool m_canCheckForUpdates = false;
    bool m_automaticallyUpdates = false;
};

} // namespace tovi
