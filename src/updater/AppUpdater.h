#pragma once

#include <QObject>

namespace tovi {

// The application's own update machinery, as the settings area sees it: two stored flags,
// a check interval, whether a user-started check may begin now, and the check itself
// (which brings its own dialogs).
class AppUpdater : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual bool automaticallyChecksForUpdates() const = 0;
    virtual void setAutomaticallyChecksForUpdates(bool value) = 0;
    virtual bool automaticallyDownloadsUpdates() const = 0;
    virtual void setAutomaticallyDownloadsUpdates(bool value) = 0;
    virtual void setUpdateCheckInterval(double seconds) = 0;
    virtual bool canCheckForUpdates() const = 0;
    // False in a build without an update feed (a distribution's package): its updates come
    // from the package manager and a check can never run.
    virtual bool hasUpdateFeed() const = 0;
    virtual void checkForUpdates() = 0;

Q_SIGNALS:
    void canCheckForUpdatesChanged(bool value);
};

} // namespace tovi
