// How often the tray icon is drawn again as polls come in, and what a poll costs with the
// icon watching the store. The store republishes its snapshot on every poll; the icon must
// be redrawn only when what it shows (unread badge, status dot, mark) has changed.
//
// Counter `renders_per_status_change`: icon renders divided by the store's status
// notifications during the run.
#include "BenchStore.h"

#include "ui/MenuBarIcon.h"
#include "ui/TrayIconRenderer.h"

#include <QFile>
#include <QGuiApplication>
#include <benchmark/benchmark.h>

namespace {

using namespace tovi;

QByteArray typicalSnapshot() {
    QFile file(QStringLiteral(TOVI_SOURCE_DIR "/tests/model/fixtures/status-typical.json"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file.fileName()));
    return file.readAll();
}

// The typical snapshot with every space healthy, so that the icon shows the unread badge,
// and another unread count: the badge changes, nothing else does.
QByteArray withUnread(int unread) {
    QByteArray bytes = typicalSnapshot();
    bytes.replace(R"("online": false)", R"("online": true)");
    bytes.replace(R"("indicator": "attention")", R"("indicator": "ok")");
    const QByteArray from = R"("unread": 2)";
    if (!bytes.contains(from))
        qFatal("the fixture has no unread count to vary");
    return bytes.replace(from, R"("unread": )" + QByteArray::number(unread));
}

// Polls whose snapshot changes every `period`-th time in what the icon shows (0: never).
void BM_TrayIconPolls(benchmark::State& state) {
    const int period = int(state.range(0));
    const QByteArray same = withUnread(2);
    const QByteArray other = withUnread(3);
    auto runner = std::make_shared<bench::MemoryRunner>(same);
    std::unique_ptr<StatusStore> store = bench::makeStore(runner);
    store->refresh(); // answers at once; also looks the team up
    TrayIconRenderer renderer(store.get());
    const int rendersBefore = renderer.renderCount();
    qint64 changes = 0;
    QObject::connect(store.get(), &StatusStore::statusChanged, [&] { ++changes; });
    bool flip = false;
    qint64 poll = 0;
    for (auto _ : state) {
        if (period > 0 && ++poll % period == 0)
            flip = !flip;
        runner->setStatus(flip ? other : same);
        store->refresh();
    }
    const int renders = renderer.renderCount() - rendersBefore;
    if (changes != state.iterations())
        state.SkipWithError("a refresh did not publish its snapshot");
    if (MenuBarIcon::iconState(*store).unread == 0)
        state.SkipWithError("the icon shows no unread badge: the snapshot is not healthy");
    state.counters["renders"] = renders;
    state.counters["renders_per_status_change"] = changes ? double(renders) / double(changes) : 0.0;
    state.SetLabel(period == 0   ? "icon unchanged"
                   : period == 1 ? "badge changes every poll"
                                 : "badge changes every 10th poll");
}
BENCHMARK(BM_TrayIconPolls)->Arg(0)->Arg(10)->Arg(1)->Unit(benchmark::kMicrosecond);

// Drawing the icon itself (every size a panel may ask for), for when it does change.
void BM_TrayIconRender(benchmark::State& state) {
    IconBitmap bitmap;
    bitmap.markName = QStringLiteral("ToviMark");
    bitmap.unread = 7;
    for (auto _ : state) {
        QIcon icon = bitmap.renderIcon();
        benchmark::DoNotOptimize(icon);
    }
}
BENCHMARK(BM_TrayIconRender)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
