#pragma once

#include "store/StatusStore.h"
#include "support/FakeAppUpdater.h"
#include "support/FakeBrowser.h"
#include "support/TestUtil.h"
#include "ui/MenuViewModel.h"
#include "ui/UpdaterViewModel.h"

#include <QByteArray>
#include <QFileDevice>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>
#include <qcoro/qcorotask.h>

#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <utility>

namespace tovi::faults {

using test::readFile;
using test::spinUntil;
using test::writeFile;

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
    // Starts "tovi-sim serve --port 0" (stopped with the sandbox); its origin, or empty.
    QString serve();

    // The store with the live runner, probe, settings, autostart, inhibitor and clock; only
    // the browser is a recorder (no test may open a real one) and the web origin leads nowhere.
    // Members already set in `deps` are kept.
    std::unique_ptr<StatusStore> makeStore(StatusStoreDependencies deps = {});

    // The window's presentation objects over `store`.
    struct Window {
        testing::FakeAppUpdater updater;
        UpdaterViewModel updaterModel{&updater};
        std::unique_ptr<MenuViewModel> menu;
    };
    std::unique_ptr<Window> makeWindow(StatusStore& store);

private:
    QTemporaryDir m_dir;
    std::list<test::ScopedEnv> m_env;
    std::shared_ptr<testing::FakeBrowser> m_browser;
    std::unique_ptr<QProcess> m_server;
};

// The footer's banners as (message, hasRetry) pairs, in display order.
QList<std::pair<QString, bool>> bannersOf(const QVariantList& banners);

// Bytes of heap currently allocated by this process (the sanitizer's allocator when built
// with it), to see that a large run gives its memory back.
qint64 liveHeapBytes();

} // namespace tovi::faults
