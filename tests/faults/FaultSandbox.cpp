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
    QDir().mkpath(home() + u"/.local/bin"_qs);
    QDir().mkpath(m_dir.path() + u"/app"_qs);
    for (const auto& [name, dir] : {std::pair{"HOME", ""},
                                    {"TOVI_DIR", "/.tovi"},
                                    {"XDG_CONFIG_HOME", "/.config"},
                                    {"XDG_DATA_HOME", "/.local/share"},
                                    {"XDG_CACHE_HOME", "/.cache"},
                                    {"XDG_STATE_HOME", "/.local/state"}}) {
        QDir().mkpath(home() + QLatin1String(dir));
        m_env.emplace_back(name, QFile::encodeName(home() + QLatin1String(dir)));
    }
    // Port 9 (discard) on loopback: nothing answers, nothing leaves the machine.
    m_env.emplace_back("TOVI_WEB_ORIGIN", QByteArray("http://127.0.0.1:9"));
    installSimCli();
}

FaultSandbox::~FaultSandbox() {
    if (m_server) {
        m_server->kill();
        m_server->waitForFinished(-1);
    }
    // A service a test started must not outlive it (the stand-in blocks reading a pid file that is no file).
    if (m_dir.isValid() && QFileInfo(pidFilePath()).isFile())
        sim({u"uninstall"_qs, u"service"_qs});
}

int FaultSandbox::sim(const QStringList& arguments, QByteArray* output) {
    QProcess process;
    process.start(qEnvironmentVariable("TOVI_SIM"), arguments);
    if (!process.waitForFinished(60000)) { // killed with `process`
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
    deps.cliRunner = std::make_shared<ProcessCLICommandRunner>(locator);
    deps.defaults = std::make_shared<QSettingsUserDefaults>(settingsPath());
    deps.loginItem = std::make_shared<XdgAutostartLoginItem>(home() + u"/.config"_qs, appExecutable());
    deps.browser = m_browser;
    deps.appLocation = [] { return AppLocation::elsewhere; };
    if (deps.webOrigin.isEmpty())
        deps.webOrigin = u"http://127.0.0.1:9"_qs;
    return std::make_unique<StatusStore>(withLiveDependencies(std::move(deps)));
}

} // namespace tovi::faults
