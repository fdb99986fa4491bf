#include "FaultSandbox.h"

#include "bridge/ProcessCLICommandRunner.h"
#include "platform/QSettingsUserDefaults.h"
#include "platform/XdgAutostartLoginItem.h"
#include "store/LiveDependencies.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace tovi::faults {

FaultSandbox::FaultSandbox() {
    if (!m_dir.isValid())
        return;
    for (const char* dir : {"/.local/bin", "/.tovi", "/.config", "/.local/share"})
        QDir().mkpath(home() + QLatin1String(dir));
    QDir().mkpath(m_dir.path() + u"/app"_qs);
    m_env.emplace_back("HOME", QFile::encodeName(home()));
    m_env.emplace_back("TOVI_DIR", QFile::encodeName(toviDir()));
    for (const auto& [name, dir] : {std::pair{"XDG_CONFIG_HOME", "/.config"},
                                    {"XDG_DATA_HOME", "/.local/share"},
                                    {"XDG_CACHE_HOME", "/.cache"},
                                    {"XDG_STATE_HOME", "/.local/state"}})
        m_env.emplace_back(name, QFile::encodeName(home() + QLatin1String(dir)));
    // Port 9 (discard) on loopback: nothing answers, nothing leaves the machine.
    m_env.emplace_back("TOVI_WEB_ORIGIN", QByteArray("http://127.0.0.1:9"));
    installSimCli();
}

FaultSandbox::~FaultSandbox() {
    if (m_server) {
        m_server->kill();
        m_server->waitForFinished(-1);
    }
    // A service a test started must not outlive it; the stand-in only signals its own service, and
    // reads the pid file with a blocking read, so only over a regular file.
    if (m_dir.isValid() && QFileInfo(pidFilePath()).isFile())
        sim({u"uninstall"_qs, u"service"_qs});
}

int FaultSandbox::sim(const QStringList& arguments, QByteArray* output) {
    QProcess process;
    process.start(qEnvironmentVariable("TOVI_SIM"), arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "tovi-sim did not finish: " << arguments.join(u' ').toStdString();
        return -1;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void FaultSandbox::setScenario(const QByteArray& json) {
    const QStringList arguments = json.isEmpty()
                                      ? QStringList{u"scenario"_qs, u"clear"_qs}
                                      : QStringList{u"scenario"_qs, u"set"_qs, QString::fromUtf8(json)};
    ASSERT_EQ(sim(arguments), 0) << json.toStdString();
}

void FaultSandbox::installSimCli() {
    removeCli();
    ASSERT_TRUE(QFile::link(qEnvironmentVariable("TOVI_SIM"), homeCliPath())) << "is TOVI_SIM set?";
}

void FaultSandbox::installScriptCli(const QByteArray& body) {
    removeCli();
    writeFile(homeCliPath(), "#!/bin/bash\n" + body + "\n", test::kExecutable);
}

void FaultSandbox::removeCli() {
    QFile::remove(homeCliPath());
    QFile::remove(bundledCliPath());
}

QString FaultSandbox::serve() {
    m_server = std::make_unique<QProcess>();
    m_server->start(qEnvironmentVariable("TOVI_SIM"), {u"serve"_qs, u"--port"_qs, u"0"_qs});
    QByteArray line;
    spinUntil([&] {
        line += m_server->readAllStandardOutput();
        return line.contains('\n') || m_server->state() == QProcess::NotRunning;
    });
    const QString origin = QString::fromUtf8(line.left(line.indexOf('\n'))).trimmed();
    // The stand-in CLI forms its approval addresses from the same variable.
    qputenv("TOVI_WEB_ORIGIN", origin.toUtf8());
    return origin;
}

std::unique_ptr<StatusStore> FaultSandbox::makeStore(StatusStoreDependencies deps) {
    ExecutableLocator locator;
    locator.applicationExecutable = appExecutable();
    locator.homeDirectory = home();
    // Whatever this machine has installed must not answer for the sandbox.
    locator.systemCandidates.clear();
    locator.packageManagerCandidates.clear();
    locator.searchPath = QByteArray();
    if (!deps.cliRunner)
        deps.cliRunner = std::make_shared<ProcessCLICommandRunner>(locator);
    if (!deps.defaults)
        deps.defaults = std::make_shared<QSettingsUserDefaults>(settingsPath());
    if (!deps.loginItem)
        deps.loginItem = std::make_shared<XdgAutostartLoginItem>(home() + u"/.config"_qs, appExecutable());
    if (!deps.browser)
        deps.browser = m_browser;
    if (!deps.appLocation)
        deps.appLocation = [] { return AppLocation::elsewhere; };
    if (deps.webOrigin.isEmpty())
        deps.webOrigin = u"http://127.0.0.1:9"_qs;
    return std::make_unique<StatusStore>(withLiveDependencies(std::move(deps)));
}

std::unique_ptr<FaultSandbox::Window> FaultSandbox::makeWindow(StatusStore& store) {
    auto window = std::make_unique<Window>();
    window->menu = std::make_unique<MenuViewModel>(&store, &window->updaterModel);
    return window;
}

} // namespace tovi::faults
