#include "CliVersions.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace tovi::sim {

CliVersions CliVersions::load(const StateDir& dir) {
    CliVersions v;
    QJsonObject o;
    if (dir.readObject(u"cli.json"_s, o) == StateDir::Read::Ok) {
        v.current = o.value(u"current_version"_s).toString(v.current);
        v.latest = o.value(u"latest_version"_s).toString(v.latest);
    }
    return v;
}

bool CliVersions::save(const StateDir& dir, QString* error) const {
    return dir.writeJson(
        u"cli.json"_s,
        QJsonDocument(QJsonObject{{u"current_version"_s, current}, {u"latest_version"_s, latest}}), error);
}

int CliVersions::compare(const QString& a, const QString& b) {
    const QStringList pa = a.split(u'.');
    const QStringList pb = b.split(u'.');
    for (qsizetype i = 0; i < qMax(pa.size(), pb.size()); ++i) {
        const int x = pa.value(i).toInt();
        const int y = pb.value(i).toInt();
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

} // namespace tovi::sim
