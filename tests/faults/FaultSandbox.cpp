#include "FaultSandbox.h"

#include "bridge/DaemonStateProbe.h"
#include "bridge/ProcessCLICommandRunner.h"
#include "platform/QSettingsUserDefaults.h"
#include "platform/XdgAutostartLoginItem.h"
#include "store/LiveDependencies.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's own count of live heap bytes (its header is not always installed).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace tovi::faults {

FaultSandbox::FaultSandbox()
    : m_browser(std::make_shared<testing::FakeBrowser>()) {
    if (!m_dir.isValid())
        return;
    QDir().mkpath(home() + QStringLiteral("/.local/bin"));
    QDir().mkpath(toviDir());
    QDir().mkpath(configHome());
    QDir().mkpath(dataHome());
    QDir().mkpath(root() + QStringLiteral("/app"));
    m_env.emplace_back("HOME", QFile::encodeName(home()));
    m_env.emplace_back("TOVI_DIR", QFile::encodeName(toviDir()));
    m_env.emplace_back("XDG_CONFIG_HOME", QFile::encodeName(configHome()));
    m_env.emplace_back("XDG_DATA_HOME", QFile::encodeName(dataHome()));
    m_env.emplace_back("XDG_CACHE_HOME", QFile::encodeName(home() + QStringLiteral("/.cache")));
    m_env.emplace_back("XDG_STATE_HOME", QFile::encodeName(home() + QStringLiteral("/.local/state")));
    // Port 9 (discard) on loopback: nothing answers, nothing leaves the machine.
    m_env.emplace_back("TOVI_WEB_ORIGIN", QByteArray("http://127.0.0.1:9"));
    installSimCli();
}

FaultSandbox::~FaultSandbox() {
    if (m_server) {
        m_server->kill();
        m_server->waitForFinished(-1);
    }
    if (m_dir.isValid()) {
        // A service that a test started (restart, bootstrap) must not outlive the test. The
        // stand-in only ever signals its own service, whatever the pid file names.
        // (Only over a regular pid file: the stand-in reads it with a blocking read.)
        if (QFileInfo(toviDir()).isDir() && QFileInfo(pidFilePath()).isFile())
            sim({QStringLiteral("uninstall"), QStringLiteral("service")});
    }
}

QString FaultSandbox::simPath() {
    return qEnvironmentVariable("TOVI_SIM");
}

int FaultSandbox::sim(const QStringList& arguments, QByteArray* output) {
    QProcess process;
    process.setProgram(simPath());
    process.setArguments(arguments);
    process.start();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "tovi-sim did not finish: " << arguments.join(u' ').toStdString();
        return -1;
    }
    if (output)
        *output = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

void FaultSandbox::setScenario(const QByteArray& json) {
    ASSERT_EQ(sim({QStringLiteral("scenario"), QStringLiteral("set"), QString::fromUtf8(json)}), 0)
        << json.toStdString();
}

void FaultSandbox::clearScenario() {
    ASSERT_EQ(sim({QStringLiteral("scenario"), QStringLiteral("clear")}), 0);
}

void FaultSandbox::installSimCli() {
    removeCli();
    ASSERT_FALSE(simPath().isEmpty()) << "TOVI_SIM is not set";
    ASSERT_TRUE(QFile::link(simPath(), homeCliPath()));
}

void FaultSandbox::installScriptCli(const QByteArray& body) {
    removeCli();
    writeFile(homeCliPath(), "#!/bin/bash\n" + body + "\n",
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void FaultSandbox::removeCli() {
    QFile::remove(homeCliPath());
    const QFileInfo bundled(bundledCliPath());
    if (bundled.isDir() && !bundled.isSymLink())
        QDir(bundledCliPath()).removeRecursively();
    else
        QFile::remove(bundledCliPath());
}

void FaultSandbox::writePidFile(const QByteArray& contents) {
    writeFile(pidFilePath(), contents);
}

QString FaultSandbox::serve() {
    m_server = std::make_unique<QProcess>();
    m_server->start(simPath(), {QStringLiteral("serve"), QStringLiteral("--port"), QStringLiteral("0")});
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
    // Whatever this machine has installed system-wide must not answer for the sandbox.
    locator.systemCandidates.clear();
    locator.packageManagerCandidates.clear();
    locator.searchPath = QByteArray();

    if (!deps.cliRunner)
        deps.cliRunner = std::make_shared<ProcessCLICommandRunner>(locator);
    if (!deps.defaults)
        deps.defaults = std::make_shared<QSettingsUserDefaults>(settingsPath());
    if (!deps.loginItem)
        deps.loginItem = std::make_shared<XdgAutostartLoginItem>(configHome(), appExecutable());
    if (!deps.browser)
        deps.browser = m_browser;
    if (!deps.appLocation)
        deps.appLocation = [] { return AppLocation::elsewhere; };
    if (deps.webOrigin.isEmpty())
        deps.webOrigin = QStringLiteral("http://127.0.0.1:9");
    return std::make_unique<StatusStore>(withLiveDependencies(std::move(deps)));
}

std::unique_ptr<FaultSandbox::Window> FaultSandbox::makeWindow(StatusStore& store) {
    auto window = std::make_unique<Window>();
    window->menu = std::make_unique<MenuViewModel>(&store, &window->updaterModel);
    return window;
}

QList<std::pair<QString, bool>> bannersOf(const QVariantList& banners) {
    QList<std::pair<QString, bool>> out;
    for (const QVariant& banner : banners) {
        const QVariantMap map = banner.toMap();
        out.append({map.value(QStringLiteral("message")).toString(),
                    map.value(QStringLiteral("hasRetry")).toBool()});
    }
    return out;
}

qint64 liveHeapBytes() {
#if defined(__SANITIZE_ADDRESS__)
    return static_cast<qint64>(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 info = mallinfo2();
    return static_cast<qint64>(info.uordblks + info.hblkhd);
#endif
}

} // namespace tovi::faults
