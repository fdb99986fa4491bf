#pragma once

#include "store/StatusStore.h"
#include "support/FakeBrowser.h"
#include "ui/AppUpdater.h"
#include "ui/MenuViewModel.h"
#include "ui/UpdaterViewModel.h"

#include <QByteArray>
#include <QFileDevice>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>
#include <qcoro/qcorotask.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include <ostream>

// Failure messages show texts as text.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace tovi::faults {

// An updater that never checks anything: the settings area needs one, the faults do not.
class IdleUpdater : public AppUpdater {
public:
    bool automaticallyChecksForUpdates() const override { return false; }
    void setAutomaticallyChecksForUpdates(bool) override {}
    bool automaticallyDownloadsUpdates() const override { return false; }
    void setAutomaticallyDownloadsUpdates(bool) override {}
    void setUpdateCheckInterval(double) override {}
    bool canCheckForUpdates() const override { return false; }
    void checkForUpdates() override {}
};

// The application's real store and window objects over a throw-away home: the live
// process runner finds `tovi` (a link to tovi-sim) only under the sandbox's ~/.local/bin or
// beside the sandbox's pretend application executable, the pid-file probe reads $TOVI_DIR,
// settings and the autostart entry live under the sandbox's config directory. The process
// environment (HOME, TOVI_DIR, XDG_*) points into the sandbox for the sandbox's lifetime,
// so every child sees the same world.
class FaultSandbox {
public:
    FaultSandbox();
    ~FaultSandbox();
    FaultSandbox(const FaultSandbox&) = delete;
    FaultSandbox& operator=(const FaultSandbox&) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString root() const { return m_dir.path(); }
    QString home() const { return root() + QStringLiteral("/home"); }
    QString toviDir() const { return home() + QStringLiteral("/.tovi"); }
    QString configHome() const { return home() + QStringLiteral("/.config"); }
    QString dataHome() const { return home() + QStringLiteral("/.local/share"); }
    QString settingsPath() const { return configHome() + QStringLiteral("/Tovi/Tovi.conf"); }
    QString homeCliPath() const { return home() + QStringLiteral("/.local/bin/tovi"); }
    // The pretend application executable; "tovi" beside it is the runner's first candidate.
    QString appExecutable() const { return root() + QStringLiteral("/app/tovi-tray"); }
    QString bundledCliPath() const { return root() + QStringLiteral("/app/tovi"); }
    QString pidFilePath() const { return toviDir() + QStringLiteral("/run/daemon.pid"); }

    static QString simPath();

    // Runs tovi-sim synchronously in the sandbox; its exit status.
    int sim(const QStringList& arguments, QByteArray* output = nullptr);
    void setScenario(const QByteArray& json);
    void clearScenario();

    // The CLI at ~/.local/bin: tovi-sim, a bash script, or nothing.
    void installSimCli();
    void installScriptCli(const QByteArray& body);
    void removeCli();

    void writePidFile(const QByteArray& contents);

    // The store with the live runner, probe, settings, autostart, inhibitor and clock; only
    // the browser is a recorder (no test may open a real one) and the web origin leads nowhere.
    // Members already set in `deps` are kept.
    std::unique_ptr<StatusStore> makeStore(StatusStoreDependencies deps = {});

    // Where makeStore's settings file and autostart config directory are (the sandbox's own
    // by default).
    QString settingsFile() const { return m_settingsFile.isEmpty() ? settingsPath() : m_settingsFile; }
    void setSettingsFile(const QString& path) { m_settingsFile = path; }
    QString autostartConfigDir() const { return m_configDir.isEmpty() ? configHome() : m_configDir; }
    void setAutostartConfigDir(const QString& path) { m_configDir = path; }
    testing::FakeBrowser& browser() { return *m_browser; }

    // The window's presentation objects over `store`.
    struct Window {
        IdleUpdater updater;
        UpdaterViewModel updaterModel{&updater};
        std::unique_ptr<MenuViewModel> menu;
    };
    std::unique_ptr<Window> makeWindow(StatusStore& store);

private:
    QTemporaryDir m_dir;
    QList<std::pair<QByteArray, std::optional<QByteArray>>> m_savedEnv;
    std::shared_ptr<testing::FakeBrowser> m_browser;
    QString m_settingsFile;
    QString m_configDir;
};

// Processes events until `done` holds or `limit` has passed; whether it holds. The limit
// only keeps a broken build from hanging the suite; nothing depends on how soon it holds.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(90));

// Runs `task` to its end on the event loop.
void finish(QCoro::Task<> task);

// The footer's banners as (message, hasRetry) pairs, in display order.
QList<std::pair<QString, bool>> bannersOf(const QVariantList& banners);

// Bytes of heap currently allocated by this process (the sanitizer's allocator when built
// with it), to see that a large run gives its memory back.
qint64 liveHeapBytes();

void writeFile(const QString& path, const QByteArray& contents,
               QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner);
QByteArray readFile(const QString& path);

} // namespace tovi::faults
