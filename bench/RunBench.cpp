// Cost of one CLI run end to end, as the status poll pays it every few seconds: lookup,
// fork and exec of the stand-in CLI, its status snapshot, both pipes drained, exit reaped
// and the caller resumed on the event loop.
#include "bridge/ProcessCLICommandRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <qcoro/qcorotask.h>

#include <optional>

namespace {

using namespace tovi;

QString simulatorPath() {
    const QString fromEnvironment = qEnvironmentVariable("TOVI_SIM");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/tovi-sim");
}

// QCoro::waitFor needs a default-constructible result; Result has none.
QCoro::Task<> runInto(ProcessCLICommandRunner* runner, QStringList arguments,
                      std::optional<Result<QByteArray>>* out) {
    out->emplace(co_await runner->run(std::move(arguments)));
}

void BM_RunInternalStatus(benchmark::State& state) {
    QTemporaryDir root;
    const QString simulator = simulatorPath();
    if (!root.isValid() || !QFileInfo(simulator).isExecutable()) {
        state.SkipWithError("tovi-sim not found (set TOVI_SIM)");
        return;
    }
    // The stand-in keeps its state below TOVI_DIR, away from the real home.
    qputenv("TOVI_DIR", QFile::encodeName(root.filePath(QStringLiteral("state"))));
    QDir().mkpath(root.filePath(QStringLiteral("bundle")));
    QFile::link(simulator, root.filePath(QStringLiteral("bundle/tovi")));

    ExecutableLocator locator;
    locator.applicationExecutable = root.filePath(QStringLiteral("bundle/Tovi"));
    locator.homeDirectory = root.path();
    locator.systemCandidates.clear();
    locator.packageManagerCandidates.clear();
    ProcessCLICommandRunner runner(locator);
    const QStringList arguments{QStringLiteral("internal"), QStringLiteral("status"),
                                QStringLiteral("--stdout-format=json")};

    qint64 bytes = 0;
    for (auto _ : state) {
        std::optional<Result<QByteArray>> result;
        QCoro::waitFor(runInto(&runner, arguments, &result));
        if (!result->ok()) {
            state.SkipWithError(qPrintable(result->error().description()));
            break;
        }
        bytes += result->value().size();
    }
    state.SetBytesProcessed(bytes);
    qunsetenv("TOVI_DIR");
}
BENCHMARK(BM_RunInternalStatus)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
