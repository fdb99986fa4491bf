// Cost of one keystroke in the spaces search field on a very large account (20,000 spaces
// on 1,000 nodes): filtering the snapshot, and rebuilding the list model the window shows.
// A keystroke has one frame, 16 ms, for all of it.
#include "ui/ColorScheme.h"
#include "ui/SpacesListModel.h"
#include "ui/SpacesSearch.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

namespace {

using namespace tovi;

InternalStatus largeStatus() {
    static const char* const words[] = {"api", "blog", "worker", "docs", "shop", "Résumé", "cache", "queue"};
    QList<SpaceNode> nodes;
    nodes.reserve(1000);
    for (int n = 0; n < 1000; ++n) {
        SpaceNode node;
        node.id = QStringLiteral("node_%1").arg(n);
        node.name = QStringLiteral("host-%1").arg(n);
        node.online = n % 7 != 0;
        QList<Space> spaces;
        spaces.reserve(20);
        for (int s = 0; s < 20; ++s) {
            Space space;
            space.id = QStringLiteral("sp_%1_%2").arg(n).arg(s);
            space.name = QStringLiteral("%1-%2-%3").arg(QString::fromUtf8(words[(n + s) % 8])).arg(n).arg(s);
            space.icon = QStringLiteral("mdi:server");
            space.status = QStringLiteral("running");
            spaces.append(space);
        }
        node.spaces = spaces;
        nodes.append(node);
    }
    InternalStatus status;
    status.authenticated = true;
    status.spaces = SpacesSection{nodes};
    return status;
}

const InternalStatus& status() {
    static const InternalStatus value = largeStatus();
    return value;
}

// Queries as they grow while typing, from "no match" to "almost everything".
const char* const queries[] = {"", "b", "bl", "blog", "blog-12", "zzz", "RÉSUMÉ", "host-99"};

void BM_SearchAll(benchmark::State& state) {
    const QString query = normalizedQuery(QString::fromUtf8(queries[state.range(0)]));
    const QList<SpaceNode>& nodes = *status().spaces->nodes;
    for (auto _ : state) {
        QList<SpaceNodeSearchResult> results = searchAll(nodes, query);
        benchmark::DoNotOptimize(results);
    }
    state.SetLabel(queries[state.range(0)]);
}
BENCHMARK(BM_SearchAll)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

// One keystroke as the window sees it: the search text changes and the model rebuilds.
void BM_KeystrokeRebuild(benchmark::State& state) {
    ColorScheme colors;
    SpacesListModel model(&colors);
    model.setStatus(status());
    const QString typed = QString::fromUtf8(queries[state.range(0)]);
    bool flip = false;
    for (auto _ : state) {
        // Alternate with a one-letter-longer query so that every iteration really rebuilds.
        model.setSearchText(flip ? typed : typed + u'x');
        flip = !flip;
        benchmark::DoNotOptimize(model.rowCount());
    }
    state.SetLabel(queries[state.range(0)]);
}
BENCHMARK(BM_KeystrokeRebuild)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

// A poll bringing the same rows: the model updates in place.
void BM_SnapshotUpdate(benchmark::State& state) {
    ColorScheme colors;
    SpacesListModel model(&colors);
    model.setStatus(status());
    const InternalStatus copy = largeStatus(); // equal content, separate storage
    bool flip = false;
    for (auto _ : state) {
        model.setStatus(flip ? status() : copy);
        flip = !flip;
        benchmark::DoNotOptimize(model.rowCount());
    }
}
BENCHMARK(BM_SnapshotUpdate)->Unit(benchmark::kMillisecond);

// Reading what the visible rows show (about 12 rows on screen).
void BM_VisibleRowData(benchmark::State& state) {
    ColorScheme colors;
    SpacesListModel model(&colors);
    model.setStatus(status());
    const QList<int> roles = model.roleNames().keys();
    for (auto _ : state) {
        for (int row = 0; row < 12; ++row) {
            for (int role : roles)
                benchmark::DoNotOptimize(model.data(model.index(row), role));
        }
    }
}
BENCHMARK(BM_VisibleRowData)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
