#include "ConfigCommands.h"

#include "StateLock.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace tovi::sim {

namespace {

const QString kFile = u"config.json"_s;

bool isMemoryKey(const QString& key) {
    static const QRegularExpression re(u"^profile\\.[^.\\s]+\\.memory_disabled$"_s);
    return re.match(key).hasMatch();
}

bool validKey(const QString& key) {
    static const QRegularExpression re(u"^[A-Za-z0-9_][A-Za-z0-9_.-]*$"_s);
    return re.match(key).hasMatch() && !key.endsWith(u'.') && !key.contains(u".."_s);
}

} // namespace

CommandOutcome ConfigCommands::run(const StateDir& dir, const Args& args) {
    const QStringList& pos = args.positional();
    const QString sub = pos.value(1);
    const QString key = pos.value(2);
    if (sub == u"get"_s && pos.size() == 3) {
        if (!validKey(key))
            return CommandOutcome::fail(1, u"invalid config key \""_s + key + u'"');
        QJsonObject config;
        if (dir.readObject(kFile, config) == StateDir::Read::Corrupt)
            return CommandOutcome::fail(1, u"the configuration file "_s + dir.path(kFile) + u" is damaged"_s);
        QJsonValue value = config.value(key);
        if (value.isUndefined())
            value = isMemoryKey(key) ? QJsonValue(u"false"_s) : QJsonValue(QJsonValue::Null);
        if (args.json())
            return CommandOutcome::ok(
                QJsonDocument(QJsonObject{{key, value}}).toJson(QJsonDocument::Indented));
        return CommandOutcome::ok(value.toString().toUtf8() + '\n');
    }
    if (sub == u"set"_s && pos.size() == 4) {
        if (!validKey(key))
            return CommandOutcome::fail(1, u"invalid config key \""_s + key + u'"');
        QString value = pos.at(3);
        if (isMemoryKey(key)) {
            value = value.toLower();
            if (value != u"true"_s && value != u"false"_s)
                return CommandOutcome::fail(1, key + u" takes true or false, not \""_s + pos.at(3) + u'"');
        }
        StateLock lock(dir);
        QJsonObject config;
        if (dir.readObject(kFile, config) == StateDir::Read::Corrupt)
            return CommandOutcome::fail(1, u"the configuration file "_s + dir.path(kFile) + u" is damaged"_s);
        config.insert(key, value);
        QString error;
        if (!dir.writeJson(kFile, QJsonDocument(config), &error))
            return CommandOutcome::fail(1, error);
        return CommandOutcome::ok((key + u" = "_s + value + u'\n').toUtf8());
    }
    return CommandOutcome{
        2, {}, "usage: tovi config get KEY [--stdout-format=json] | tovi config set KEY VALUE\n"};
}

} // namespace tovi::sim
