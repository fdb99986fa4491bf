// A very large account (1,000 nodes × 20 spaces) with the real window open, headless: the
// store takes the snapshot from a CLI that answers at once, the presentation objects
// (MenuViewModel and the spaces screen's SpacesViewModel and SpacesListModel) follow it and
// the window shows it, as tovi-tray does.
//
// What a user feels: one keystroke in the search field (the list must follow within one
// frame, 16 ms), and a poll that brings a changed snapshot (decode, store, every view model
// and the list rebuilt). "…ToFrame" variants also render the window once, synchronously.
//
//   LargeDataBench --write-large-snapshot FILE   writes the snapshot it measures and exits
#include "BenchStore.h"
#include "LargeSnapshot.h"

#include "app/MenuWindow.h"
#include "store/StatusStore.h"
#include "ui/BodyViewModel.h"
#include "ui/MenuViewModel.h"
#include "ui/SpacesListModel.h"
#include "ui/SpacesViewModel.h"
#include "ui/Symbols.h"

#include <QApplication>
#include <QFile>
#include <QWidget>
#include <benchmark/benchmark.h>

#include <cstring>

namespace {

using namespace tovi;
using tovi::bench::largeSnapshotJson;

// One store, one menu and one open window for every benchmark, as in the running app.
struct OpenWindow {
    std::shared_ptr<bench::MemoryRunner> runner;
    std::unique_ptr<StatusStore> store;
    MenuViewModel* menu = nullptr;
    MenuWindow* window = nullptr;
    QByteArray generations[2];

    OpenWindow() {
        generations[0] = largeSnapshotJson(1000, 20, 0);
        generations[1] = largeSnapshotJson(1000, 20, 1);
        runner = std::make_shared<bench::MemoryRunner>(generations[0]);
        store = bench::makeStore(runner);
        QCoro::waitFor(store->refresh());
        if (!store->status() || store->lastError())
            qFatal("the large snapshot was not taken: %s",
                   qPrintable(store->lastError().value_or(QString())));
        Symbols::registerFont();
        menu = new MenuViewModel(store.get(), nullptr, {});
        window = new MenuWindow(MenuWindow::Mode::normal, menu);
        window->show();
        if (!window->window())
            qFatal("the window did not load");
        settle();
        if (spaces()->model()->rowCount() != 1000 + 20000)
            qFatal("the list shows %d rows, not 21,000", spaces()->model()->rowCount());
    }

    SpacesViewModel* spaces() const { return menu->body()->spaces(); }

    void settle() {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }

    // Lay out and paint the window now instead of at the next update.
    void renderFrame() {
        QImage image = window->widget()->grab().toImage();
        benchmark::DoNotOptimize(image);
    }
};

OpenWindow& openWindow() {
    static OpenWindow* const instance = new OpenWindow();
    return *instance;
}

// What a user types, one character at a time, then deletes again: from everything shown,
// through narrowing matches, to nothing matching.
const char* const typing[][2] = {
    {"host-999", "node name"},
    {"blog-12", "space name"},
    {"RÉSUMÉ", "folded accents"},
    {"zzzz", "no match"},
};

QStringList keystrokes(const char* word) {
    const QString text = QString::fromUtf8(word);
    QStringList steps;
    for (int i = 1; i <= text.size(); ++i)
        steps.append(text.left(i));
    for (int i = text.size() - 1; i >= 0; --i)
        steps.append(text.left(i));
    return steps;
}

void keystroke(benchmark::State& state, bool render) {
    OpenWindow& w = openWindow();
    const QStringList steps = keystrokes(typing[state.range(0)][0]);
    qsizetype step = 0;
    qint64 rows = 0;
    for (auto _ : state) {
        w.spaces()->setSearchText(steps[step]);
        rows += w.spaces()->model()->rowCount();
        if (render)
            w.renderFrame();
        step = (step + 1) % steps.size();
    }
    w.spaces()->clearSearch();
    w.settle();
    state.SetLabel(typing[state.range(0)][1]);
    state.counters["rows"] = benchmark::Counter(double(rows) / double(state.iterations()));
}

void BM_Keystroke(benchmark::State& state) {
    keystroke(state, false);
}
BENCHMARK(BM_Keystroke)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_KeystrokeToFrame(benchmark::State& state) {
    keystroke(state, true);
}
BENCHMARK(BM_KeystrokeToFrame)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// A poll bringing a changed snapshot: the CLI's bytes decoded, the store updated, every view
// model and the list rebuilt. Range: 0 no search text, 1 a search narrowing the list.
void newSnapshot(benchmark::State& state, bool render) {
    OpenWindow& w = openWindow();
    if (state.range(0) == 1)
        w.spaces()->setSearchText(QStringLiteral("blog"));
    int generation = 0;
    for (auto _ : state) {
        generation ^= 1;
        w.runner->setStatus(w.generations[generation]);
        // Every run answers at once, so the refresh has completed when this returns.
        w.store->refresh();
        if (render)
            w.renderFrame();
    }
    if (w.store->lastError() || w.store->isRefreshing())
        state.SkipWithError("a refresh failed or did not complete");
    state.SetLabel(state.range(0) == 1 ? "searching" : "full list");
    state.SetBytesProcessed(state.iterations() * w.generations[0].size());
    state.counters["rows"] = w.spaces()->model()->rowCount();
    w.spaces()->clearSearch();
    w.settle();
}

void BM_NewSnapshot(benchmark::State& state) {
    newSnapshot(state, false);
}
BENCHMARK(BM_NewSnapshot)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

void BM_NewSnapshotToFrame(benchmark::State& state) {
    newSnapshot(state, true);
}
BENCHMARK(BM_NewSnapshotToFrame)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

bool writeSnapshot(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--write-large-snapshot") != 0)
            continue;
        QFile file(QString::fromLocal8Bit(argv[i + 1]));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(largeSnapshotJson()) < 0)
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (writeSnapshot(argc, argv))
        return 0;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
