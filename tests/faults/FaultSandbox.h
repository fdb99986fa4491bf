#pragma once

#include "store/StatusStore.h"
#include "support/FakeAppUpdater.h"
#include "support/FakeDependencies.h"
#include "support/TestUtil.h"
#include "ui/MenuViewModel.h"

#include <QProcess>
#include <QTemporaryDir>

#include <list>
#include <memory>

namespace tovi::faults {

using test::readFile;
using test::spinUntil;
using test::writeFile;

// The real store and window objects over a throw-away home. The live runner finds `tovi` only
// at ~/.local/bin or beside the pretend application; HOME, TOVI_DIR and XDG_* point into the
// sandbox for its lifetime, so every child sees the same world.
class FaultSandbox {
public:
    FaultSandbox();
    ~FaultSandbox();

    QString home() const { return m_dir.path() + u"/home"_qs; }
    QString toviDir() const { return home() + u"/.tovi"_qs; }
    QString settingsPath() const { return home() + u"/.config/Tovi/Tovi.conf"_qs; }
    QString homeCliPath() const { return home() + u"/.local/bin/tovi"_qs; }
    // The pretend application executable; "tovi" beside it is the runner's first candidate.
    QString appExecutable() const { return m_dir.path() + u"/app/tovi-tray"_qs; }
    QString bundledCliPath() const { return m_dir.path() + u"/app/tovi"_qs; }
    QString pidFilePath() const { return toviDir() + u"/run/daemon.pid"_qs; }

    // Runs tovi-sim synchronously in the sandbox; its exit code, -1 when it crashed or hung.
    int sim(const QStringList& arguments, QByteArray* output = nullptr);
    // The stand-in's scenario; an empty one clears it.
    void setScenario(const QByteArray& json);
    // The CLI at ~/.local/bin: tovi-sim, a bash script, or nothing.
    void installSimCli();
    void installScriptCli(const QByteArray& body);
    void removeCli();
    // Starts "tovi-sim serve --port 0" (stopped with the sandbox); its origin, or empty.
    QString serve();

    // The store over every live dependency but the browser (a recorder: no test opens a real one);
    // the web origin and interval of `deps` are kept, an empty origin leads nowhere.
    std::unique_ptr<StatusStore> makeStore(StatusStoreDependencies deps = {});
    // The window's view models over a store, with a fake software updater.
    struct Window {
        explicit Window(StatusStore& store)
            : menu(&store, &updater) {}
        test::FakeAppUpdater updater;
        MenuViewModel menu;
    };

private:
    QTemporaryDir m_dir;
    std::list<test::ScopedEnv> m_env;
    std::shared_ptr<test::FakeBrowser> m_browser = std::make_shared<test::FakeBrowser>();
    std::unique_ptr<QProcess> m_server;
};

} // namespace tovi::faults
