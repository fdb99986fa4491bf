// Decode throughput of status snapshots, each next to a bare QJsonDocument parse of the
// same bytes: the difference is what the strict, path-tracking decoder costs on top.
#include "model/Decoding.h"

#include <QFile>
#include <QJsonDocument>
#include <benchmark/benchmark.h>

namespace {

// The fixture the decoder tests check field by field: 3 nodes, 10 spaces, every section.
QByteArray typicalSnapshot() {
    QFile file(QStringLiteral(TOVI_SOURCE_DIR "/tests/model/fixtures/status-typical.json"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file.fileName()));
    return file.readAll();
}

// A very large account: 1,000 nodes of 20 spaces each, with the same field mix as the CLI.
QByteArray largeSnapshot() {
    static const char* const statuses[] = {"running", "ready", "stopped", "starting"};
    QByteArray json;
    json.reserve(12 << 20);
    json += R"({"cli":{"current_version":"1.8.2","latest_version":"1.9.0","update_available":true},)"
            R"("authenticated":true,"account":{"user_id":"usr_01HZX4","email":"ops@example.com",)"
            R"("name":"Ops","team":"Big Team"},"spaces":{"nodes":[)";
    for (int n = 0; n < 1000; ++n) {
        const QByteArray node = QByteArray::number(n);
        if (n)
            json += ',';
        json += R"({"id":"node_)" + node + R"(","name":"host-)" + node + R"(","online":)" +
                (n % 7 ? "true" : "false") + R"(,"registered":true,"spaces":[)";
        for (int s = 0; s < 20; ++s) {
            const QByteArray id = node + '_' + QByteArray::number(s);
            if (s)
                json += ',';
            json += R"({"id":"sp_)" + id + R"(","name":"service-)" + id + R"(","icon":"server","online":)" +
                    (n % 7 ? "true" : "false") + R"(,"stopped":)" + (s % 4 == 2 ? "true" : "false") +
                    R"(,"status":")" + statuses[s % 4] + R"(","indicator":)" +
                    (s % 9 == 0 ? R"("attention","indicator_label":"Disk almost full")" : R"("ok")") +
                    R"(,"activity":"serving","activity_detail":)" +
                    (s % 5 == 0 ? R"("Draining 14 jobs")" : "null") +
                    R"(,"heartbeat":"2024-05-02T09:14:03Z","reported":"2024-05-02T09:14:01Z"})";
        }
        json += "]}";
    }
    json +=
        R"(]},"nodes":{"online":857,"total":1000},"credits":{"credits_micros":12500000,)"
        R"("updated":"2024-05-02T09:10:00Z"},"usage":{"window_hours":24,"cost_micros":1830000,)"
        R"("request_count":4211},"sites":{"count":4,"total_bytes":73400320},)"
        R"("drive":{"file_count":1288,"total_bytes":5368709120},"secrets":17,)"
        R"("notifications":{"unread":2,"notifications":[{"id":"ntf_1","created":"2024-05-02T08:55:00Z",)"
        R"("source":"billing","level":"info","title":"Credits topped up"}]},"partial":false,"errors":[]})";
    return json;
}

const QByteArray& typical() {
    static const QByteArray bytes = typicalSnapshot();
    return bytes;
}

const QByteArray& large() {
    static const QByteArray bytes = largeSnapshot();
    return bytes;
}

void decode(benchmark::State& state, const QByteArray& bytes) {
    for (auto _ : state) {
        tovi::Result<tovi::InternalStatus> r = tovi::decodeInternalStatus(bytes);
        if (!r.ok()) {
            state.SkipWithError(qPrintable(r.error().text));
            return;
        }
        benchmark::DoNotOptimize(r);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void parse(benchmark::State& state, const QByteArray& bytes) {
    for (auto _ : state) {
        QJsonDocument doc = QJsonDocument::fromJson(bytes);
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_DecodeTypical(benchmark::State& state) {
    decode(state, typical());
}
void BM_ParseTypical(benchmark::State& state) {
    parse(state, typical());
}
void BM_DecodeLarge(benchmark::State& state) {
    decode(state, large());
}
void BM_ParseLarge(benchmark::State& state) {
    parse(state, large());
}

} // namespace

BENCHMARK(BM_DecodeTypical);
BENCHMARK(BM_ParseTypical);
BENCHMARK(BM_DecodeLarge)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseLarge)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
