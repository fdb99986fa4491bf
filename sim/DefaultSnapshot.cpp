#include "DefaultSnapshot.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace tovi::sim {

namespace {

QString ago(const QDateTime& now, qint64 seconds) {
    return now.addSecs(-seconds).toUTC().toString(Qt::ISODate);
}

QJsonObject space(const QString& id, const QString& name, const QString& icon,
                  std::initializer_list<std::pair<QString, QJsonValue>> extra) {
    QJsonObject s{{u"id"_s, id}, {u"name"_s, name}, {u"icon"_s, icon}};
    for (const auto& [key, value] : extra)
        s.insert(key, value);
    return s;
}

} // namespace

QJsonObject DefaultSnapshot::build(const QDateTime& now) {
    const QJsonArray studio{
        space(u"sp-7f3a21"_s, u"terminal"_s, u"mdi:console"_s,
              {{u"online"_s, true},
               {u"stopped"_s, false},
               {u"status"_s, u"running"_s},
               {u"indicator"_s, u"ok"_s},
               {u"activity"_s, u"building"_s},
               {u"activity_detail"_s, u"cargo build --release (312/540 crates)"_s},
               {u"heartbeat"_s, ago(now, 4)},
               {u"reported"_s, ago(now, 9)}}),
        space(u"sp-0c19e4"_s, u"docs-site"_s, u"mdi:web"_s,
              {{u"online"_s, true},
               {u"stopped"_s, false},
               {u"status"_s, u"ready"_s},
               {u"indicator"_s, u"ok"_s},
               {u"heartbeat"_s, ago(now, 6)},
               {u"reported"_s, ago(now, 60)}}),
        space(u"sp-91bd07"_s, u"postgres"_s, u"mdi:database"_s,
              {{u"online"_s, true},
               {u"stopped"_s, true},
               {u"status"_s, u"stopped"_s},
               {u"heartbeat"_s, ago(now, 3600)},
               {u"reported"_s, ago(now, 3600)}}),
        space(u"sp-4e8850"_s, u"review-agent"_s, u"mdi:robot"_s,
              {{u"online"_s, true},
               {u"stopped"_s, false},
               {u"status"_s, u"running"_s},
               {u"indicator"_s, u"attention"_s},
               {u"indicator_label"_s, u"Waiting for your approval"_s},
               {u"activity"_s, u"waiting"_s},
               {u"heartbeat"_s, ago(now, 2)},
               {u"reported"_s, ago(now, 40)}}),
    };
    const QJsonArray laptop{
        space(u"sp-a2c6f9"_s, u"notebook"_s, u"mdi:notebook"_s,
              {{u"online"_s, true},
               {u"status"_s, u"ready"_s},
               {u"activity"_s, u"idle"_s},
               {u"heartbeat"_s, ago(now, 12)}}),
        space(u"sp-5b0e3d"_s, u"scratch"_s, u"mdi:flask"_s,
              {{u"online"_s, true}, {u"status"_s, u"provisioning"_s}, {u"reported"_s, ago(now, 30)}}),
        space(u"sp-d7714c"_s, u"api-gateway"_s, u"mdi:api"_s,
              {{u"online"_s, true},
               {u"stopped"_s, false},
               {u"status"_s, u"running"_s},
               {u"indicator"_s, u"Attention"_s},
               {u"indicator_label"_s, u"Disk 92% full"_s},
               {u"activity"_s, u"serving"_s},
               {u"heartbeat"_s, ago(now, 5)}}),
        space(u"sp-e03b92"_s, u"ml-train"_s, u"mdi:chart-line"_s,
              {{u"online"_s, true},
               {u"status"_s, u"running"_s},
               {u"activity"_s, u"training epochs"_s},
               {u"heartbeat"_s, ago(now, 3)}}),
    };
    const QJsonArray garage{
        space(u"sp-18fa6e"_s, u"homebridge"_s, u"mdi:home-automation"_s,
              {{u"online"_s, false}, {u"status"_s, u"running"_s}, {u"heartbeat"_s, ago(now, 7200)}}),
        space(u"sp-c4d201"_s, u"backups"_s, u"mdi:backup-restore"_s,
              {{u"online"_s, false}, {u"stopped"_s, true}, {u"status"_s, u"stopped"_s}}),
    };
    const QJsonArray nodes{
        QJsonObject{{u"id"_s, u"node-studio"_s},
                    {u"name"_s, u"studio"_s},
                    {u"online"_s, true},
                    {u"registered"_s, true},
                    {u"spaces"_s, studio}},
        QJsonObject{{u"id"_s, u"node-laptop"_s},
                    {u"name"_s, u"laptop"_s},
                    {u"online"_s, true},
                    {u"registered"_s, true},
                    {u"spaces"_s, laptop}},
        QJsonObject{{u"id"_s, u"node-garage"_s},
                    {u"name"_s, u"garage-pi"_s},
                    {u"online"_s, false},
                    {u"registered"_s, true},
                    {u"spaces"_s, garage}},
    };
    const QJsonArray notifications{
        QJsonObject{{u"id"_s, u"ntf-1042"_s},
                    {u"created"_s, ago(now, 300)},
                    {u"source"_s, u"review-agent"_s},
                    {u"level"_s, u"warning"_s},
                    {u"title"_s, u"review-agent is waiting for your approval"_s}},
        QJsonObject{{u"id"_s, u"ntf-1041"_s},
                    {u"created"_s, ago(now, 2400)},
                    {u"source"_s, u"api-gateway"_s},
                    {u"level"_s, u"error"_s},
                    {u"title"_s, u"api-gateway: disk almost full"_s}},
        QJsonObject{{u"id"_s, u"ntf-1040"_s},
                    {u"created"_s, ago(now, 7300)},
                    {u"source"_s, u"garage-pi"_s},
                    {u"level"_s, u"info"_s},
                    {u"title"_s, u"garage-pi went offline"_s}},
        QJsonObject{{u"id"_s, u"ntf-1039"_s},
                    {u"created"_s, ago(now, 86400)},
                    {u"source"_s, u"billing"_s},
                    {u"level"_s, u"info"_s},
                    {u"title"_s, u"Monthly invoice is ready"_s}},
    };
    return QJsonObject{
        {u"spaces"_s, QJsonObject{{u"nodes"_s, nodes}}},
        {u"nodes"_s, QJsonObject{{u"online"_s, 2}, {u"total"_s, 3}}},
        {u"credits"_s, QJsonObject{{u"credits_micros"_s, 12'500'000}, {u"updated"_s, ago(now, 120)}}},
        {u"usage"_s,
         QJsonObject{{u"window_hours"_s, 24}, {u"cost_micros"_s, 1'830'000}, {u"request_count"_s, 412}}},
        {u"sites"_s, QJsonObject{{u"count"_s, 3}, {u"total_bytes"_s, 48'234'496}}},
        {u"drive"_s, QJsonObject{{u"file_count"_s, 128}, {u"total_bytes"_s, 734'003'200}}},
        {u"secrets"_s, 7},
        {u"notifications"_s, QJsonObject{{u"unread"_s, 3}, {u"notifications"_s, notifications}}},
    };
}

void DefaultSnapshot::churn(QJsonObject& snapshot, qint64 call, const QDateTime& now) {
    QJsonObject notifications = snapshot.value(u"notifications"_s).toObject();
    notifications.insert(u"unread"_s, call % 12);
    snapshot.insert(u"notifications"_s, notifications);

    QJsonObject credits = snapshot.value(u"credits"_s).toObject();
    credits.insert(u"credits_micros"_s, qMax<qint64>(0, 12'500'000 - call * 1'250));
    credits.insert(u"updated"_s, now.toUTC().toString(Qt::ISODate));
    snapshot.insert(u"credits"_s, credits);

    QJsonObject spaces = snapshot.value(u"spaces"_s).toObject();
    QJsonArray nodes = spaces.value(u"nodes"_s).toArray();
    for (qsizetype n = 0; n < nodes.size(); ++n) {
        QJsonObject node = nodes.at(n).toObject();
        // The last node comes and goes every fifth call; the others stay up.
        if (n == nodes.size() - 1 && nodes.size() > 1)
            node.insert(u"online"_s, (call / 5) % 2 == 1);
        QJsonArray list = node.value(u"spaces"_s).toArray();
        for (qsizetype i = 0; i < list.size(); ++i) {
            QJsonObject s = list.at(i).toObject();
            s.insert(u"heartbeat"_s, now.toUTC().toString(Qt::ISODate));
            if (n == 0 && i == 0)
                s.insert(u"activity_detail"_s, u"step %1 of 1000"_s.arg(call % 1000));
            if (n == 0 && i == 1)
                s.insert(u"stopped"_s, (call / 3) % 2 == 1);
            list.replace(i, s);
        }
        node.insert(u"spaces"_s, list);
        nodes.replace(n, node);
    }
    spaces.insert(u"nodes"_s, nodes);
    snapshot.insert(u"spaces"_s, spaces);

    int online = 0;
    for (const QJsonValue& node : std::as_const(nodes))
        online += node.toObject().value(u"online"_s).toBool() ? 1 : 0;
    snapshot.insert(u"nodes"_s, QJsonObject{{u"online"_s, online}, {u"total"_s, nodes.size()}});
}

} // namespace tovi::sim
