// Cost of one StatusStore::refresh on the main thread, without the child process: the
// runner hands back the typical snapshot's bytes at once, so what is measured is the
// CLIStatusSource decode, the field updates and their notifications.
#include "bridge/CLICommandRunner.h"
#include "platform/Browser.h"
#include "platform/Clock.h"
#include "platform/KeepAwake.h"
#include "platform/LoginItem.h"
#include "platform/UserDefaults.h"
#include "store/StatusStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <benchmark/benchmark.h>

namespace {

using namespace tovi;

class BytesRunner : public CLICommandRunner {
public:
    explicit BytesRunner(QByteArray status)
        : m_status(std::move(status)) {}
    QCoro::Task<bool> isInstalled() override { co_return true; }
    QCoro::Task<Result<QByteArray>> run(QStringList arguments) override {
        if (arguments.value(0) == QLatin1String("internal"))
            co_return Result<QByteArray>(QByteArray(m_status));
        co_return QByteArray(R"({"team_id":"team-1"})");
    }
    QCoro::Task<Result<QByteArray>> runShell(QString) override { co_return QByteArray(); }

private:
    QByteArray m_status;
};

class Defaults : public UserDefaults {
public:
    QVariant value(const QString& key) const override { return m_values.value(key); }
    void setValue(const QString& key, const QVariant& value) override { m_values.insert(key, value); }

private:
    QHash<QString, QVariant> m_values;
};

class NoLoginItem : public LoginItem {
public:
    bool isEnabled() const override { return false; }
    Status setEnabled(bool) override { return success(); }
};

class NoKeepAwake : public KeepAwake {
public:
    int beginActivity(const QString&) override { return 1; }
    void endActivity(int) override {}
};

class NoBrowser : public Browser {
public:
    void openUrl(const QUrl&) override {}
};

class FixedClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC); }
    QCoro::Task<> sleepFor(std::chrono::milliseconds) override { co_return; }
};

QByteArray typicalSnapshot() {
    QFile file(QStringLiteral(TOVI_SOURCE_DIR "/tests/model/fixtures/status-typical.json"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file.fileName()));
    return file.readAll();
}

void BM_Refresh(benchmark::State& state) {
    StatusStoreDependencies deps;
    deps.cliRunner = std::make_shared<BytesRunner>(typicalSnapshot());
    deps.defaults = std::make_shared<Defaults>();
    deps.daemonStateProvider = [] { return DaemonState::makeRunning(4242); };
    deps.loginItem = std::make_shared<NoLoginItem>();
    deps.keepAwake = std::make_shared<NoKeepAwake>();
    deps.browser = std::make_shared<NoBrowser>();
    deps.clock = std::make_shared<FixedClock>();
    deps.appLocation = [] { return AppLocation::elsewhere; };
    deps.webOrigin = QStringLiteral("https://tovi.test");
    StatusStore store(deps);
    int notifications = 0;
    QObject::connect(&store, &StatusStore::statusChanged, [&] { ++notifications; });

    // The first refresh also looks the team up; the steady state is status only.
    store.refresh();
    if (!store.status() || store.lastError() || !store.teamId())
        qFatal("refresh did not take the snapshot");
    for (auto _ : state) {
        // Every run answers at once, so the refresh has completed when the call returns.
        store.refresh();
        benchmark::DoNotOptimize(store.status());
    }
    if (store.lastError())
        qFatal("refresh failed: %s", qPrintable(*store.lastError()));
    if (store.isRefreshing() || notifications != static_cast<int>(state.iterations()) + 1)
        qFatal("a refresh did not complete synchronously (%d notifications, %lld iterations)", notifications,
               static_cast<long long>(state.iterations()));
}
BENCHMARK(BM_Refresh)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
