// A very large account as the CLI would print it: NODES machines of SPACES spaces each,
// with the field mix of a real snapshot. `generation` varies what a poll would see change
// (unread count, heartbeats, one space stopping, the last node dropping off) while the
// rows keep their identities, so successive generations look like successive polls.
#pragma once

#include <QByteArray>

namespace tovi::bench {

inline QByteArray largeSnapshotJson(int nodes = 1000, int spaces = 20, int generation = 0) {
    static const char* const words[] = {"api",   "blog", "worker", "docs", "shop", "r\u00e9sum\u00e9",
                                        "cache", "queue"};
    static const char* const icons[] = {"server", "globe",    "database", "book",
                                        "gear",   "terminal", "clock",    "eye"};
    static const char* const statuses[] = {"running", "ready", "stopped", "starting"};
    const QByteArray heartbeat =
        "2024-05-02T09:" + QByteArray::number(10 + generation % 50).rightJustified(2, '0') + ":03Z";
    QByteArray json;
    json.reserve(nodes * spaces * 420 + 4096);
    json += R"({"cli":{"current_version":"1.8.2","latest_version":"1.9.0","update_available":true},)"
            R"("authenticated":true,"account":{"user_id":"usr_01HZX4","email":"ops@example.com",)"
            R"("name":"Ops","team":"Big Team"},"spaces":{"nodes":[)";
    int online = 0;
    for (int n = 0; n < nodes; ++n) {
        const QByteArray node = QByteArray::number(n);
        const bool nodeOnline = n % 7 != 0 && !(n == nodes - 1 && generation % 2 == 1);
        online += nodeOnline;
        if (n)
            json += ',';
        json += R"({"id":"node_)" + node + R"(","name":"host-)" + node + R"(","online":)" +
                (nodeOnline ? "true" : "false") + R"(,"registered":true,"spaces":[)";
        for (int s = 0; s < spaces; ++s) {
            const QByteArray id = node + '_' + QByteArray::number(s);
            const bool stopped = s % 4 == 2 || (n == 0 && s == 0 && generation % 2 == 1);
            if (s)
                json += ',';
            json += R"({"id":"sp_)" + id + R"(","name":")" + words[(n + s) % 8] + '-' + id + R"(","icon":")" +
                    icons[s % 8] + R"(","online":)" + (nodeOnline ? "true" : "false") + R"(,"stopped":)" +
                    (stopped ? "true" : "false") + R"(,"status":")" +
                    (stopped ? "stopped" : statuses[s % 4]) + R"(","indicator":)" +
                    (s % 9 == 0 ? R"("attention","indicator_label":"Disk almost full")" : R"("ok")") +
                    R"(,"activity":"serving","activity_detail":)" +
                    (s % 5 == 0 ? R"("Draining 14 jobs")" : "null") + R"(,"heartbeat":")" + heartbeat +
                    R"(","reported":"2024-05-02T09:14:01Z"})";
        }
        json += "]}";
    }
    json +=
        R"(]},"nodes":{"online":)" + QByteArray::number(online) + R"(,"total":)" + QByteArray::number(nodes) +
        R"(},"credits":{"credits_micros":)" + QByteArray::number(12500000 - generation * 1000) +
        R"(,"updated":"2024-05-02T09:10:00Z"},"usage":{"window_hours":24,"cost_micros":1830000,)"
        R"("request_count":4211},"sites":{"count":4,"total_bytes":73400320},)"
        R"("drive":{"file_count":1288,"total_bytes":5368709120},"secrets":17,)"
        R"("notifications":{"unread":)" +
        QByteArray::number(generation % 5) +
        R"(,"notifications":[{"id":"ntf_1","created":"2024-05-02T08:55:00Z",)"
        R"("source":"billing","level":"info","title":"Credits topped up"}]},"partial":false,"errors":[]})";
    return json;
}

} // namespace tovi::bench
