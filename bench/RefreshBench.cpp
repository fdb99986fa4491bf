// Cost of one StatusStore::refresh on the main thread, without the child process: the
// runner hands back the typical snapshot's bytes at once, so what is measured is the
// CLIStatusSource decode, the field updates and their notifications.
#include "BenchStore.h"

#include <QCoreApplication>
#include <QFile>
#include <benchmark/benchmark.h>

namespace {

using namespace tovi;

QByteArray typicalSnapshot() {
    QFile file(QStringLiteral(TOVI_SOURCE_DIR "/tests/model/fixtures/status-typical.json"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file.fileName()));
    return file.readAll();
}

void BM_Refresh(benchmark::State& state) {
    const std::unique_ptr<StatusStore> owner =
        bench::makeStore(std::make_shared<bench::MemoryRunner>(typicalSnapshot()));
    StatusStore& store = *owner;
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
