#include "Scenario.h"

#include "StateLock.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace tovi::sim {

namespace {

const QString kFile = u"scenario.json"_s;

bool matches(const QJsonArray& prefix, const QStringList& args) {
    if (prefix.size() > args.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        if (prefix.at(i).toString() != args.at(i))
            return false;
    }
    return true;
}

QString validateRule(const QJsonValue& value) {
    if (!value.isObject())
        return u"a rule must be a JSON object"_s;
    const QJsonObject rule = value.toObject();
    const QJsonValue match = rule.value(u"match"_s);
    if (!match.isArray())
        return u"a rule needs \"match\", an array of argument words"_s;
    for (const QJsonValue& w : match.toArray()) {
        if (!w.isString())
            return u"\"match\" holds argument words, that is strings"_s;
    }
    for (const QString& key :
         {u"exit"_s, u"sleep_ms"_s, u"times"_s, u"huge_mib"_s, u"huge_stderr_mib"_s, u"signal"_s}) {
        if (rule.contains(key) && !rule.value(key).isDouble())
            return u"\""_s + key + u"\" must be a number"_s;
    }
    if (rule.contains(u"until_file"_s)) {
        const QString gate = rule.value(u"until_file"_s).toString();
        if (gate.isEmpty() || gate.contains(u'/') || gate.startsWith(u'.'))
            return u"\"until_file\" is the name of a file in the state directory"_s;
    }
    const QString output = rule.value(u"output"_s).toString();
    if (rule.contains(u"output"_s) && output != u"invalid_json"_s && output != u"partial"_s &&
        output != u"huge"_s && output != u"empty"_s && output != u"offline"_s)
        return u"\"output\" is one of invalid_json, partial, huge, empty, offline"_s;
    return {};
}

QString validateScenario(const QJsonObject& scenario) {
    const QJsonValue rules = scenario.value(u"rules"_s);
    if (!rules.isUndefined() && !rules.isArray())
        return u"\"rules\" must be an array"_s;
    for (const QJsonValue& r : rules.toArray()) {
        const QString e = validateRule(r);
        if (!e.isEmpty())
            return e;
    }
    return {};
}

// Accepts the JSON text itself, "-" for standard input, or "@path" for a file.
bool readJsonArgument(const QString& arg, QJsonDocument& doc, QString& error) {
    QByteArray bytes;
    if (arg == u"-"_s) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly)) {
            error = u"can't read standard input"_s;
            return false;
        }
        bytes = in.readAll();
    } else if (arg.startsWith(u'@')) {
        QFile in(arg.mid(1));
        if (!in.open(QIODevice::ReadOnly)) {
            error = u"can't read "_s + arg.mid(1);
            return false;
        }
        bytes = in.readAll();
    } else {
        bytes = arg.toUtf8();
    }
    QJsonParseError err;
    doc = QJsonDocument::fromJson(bytes, &err);
    if (err.error != QJsonParseError::NoError) {
        error = u"not JSON: "_s + err.errorString();
        return false;
    }
    return true;
}

QByteArray padding(qint64 mib, char fill) {
    return QByteArray(qMax<qint64>(0, qMin<qint64>(mib, 1024)) * 1024 * 1024, fill);
}

} // namespace

QJsonObject Scenario::settings(const StateDir& dir) {
    QJsonObject scenario;
    if (dir.readObject(kFile, scenario) != StateDir::Read::Ok)
        return {};
    return scenario;
}

std::optional<Scenario::Rule> Scenario::take(const StateDir& dir, const QStringList& args) {
    if (!dir.exists(kFile))
        return std::nullopt; // the common case: no lock, no parsing
    StateLock lock(dir);
    QJsonObject scenario;
    if (dir.readObject(kFile, scenario) != StateDir::Read::Ok)
        return std::nullopt;
    QJsonArray rules = scenario.value(u"rules"_s).toArray();
    for (qsizetype i = 0; i < rules.size(); ++i) {
        QJsonObject spec = rules.at(i).toObject();
        if (!matches(spec.value(u"match"_s).toArray(), args))
            continue;
        if (spec.contains(u"times"_s)) {
            const int left = spec.value(u"times"_s).toInt() - 1;
            if (left <= 0)
                rules.removeAt(i);
            else {
                QJsonObject counted = spec;
                counted.insert(u"times"_s, left);
                rules.replace(i, counted);
            }
            scenario.insert(u"rules"_s, rules);
            dir.writeJson(kFile, QJsonDocument(scenario), nullptr);
        }
        Rule rule;
        rule.spec = spec;
        rule.exitCode = spec.value(u"exit"_s).toInt();
        rule.signal = spec.value(u"signal"_s).toInt();
        rule.sleepMs = spec.value(u"sleep_ms"_s).toInt();
        rule.untilFile = spec.value(u"until_file"_s).toString();
        rule.stderrText = spec.value(u"stderr"_s).toString().toUtf8();
        if (spec.contains(u"huge_stderr_mib"_s))
            rule.stderrText += padding(spec.value(u"huge_stderr_mib"_s).toInteger(), 'e');
        return rule;
    }
    return std::nullopt;
}

void Scenario::reshape(const Rule& rule, CommandOutcome& outcome) {
    const QJsonObject& spec = rule.spec;
    if (spec.contains(u"stdout"_s))
        outcome.out = spec.value(u"stdout"_s).toString().toUtf8();
    const QString mode = spec.value(u"output"_s).toString();
    if (mode == u"empty"_s) {
        outcome.out.clear();
    } else if (mode == u"invalid_json"_s) {
        // A torn document looks like a CLI that died mid-write.
        outcome.out = outcome.out.size() > 2 ? outcome.out.left(outcome.out.size() / 2) : "{not json"_ba;
    } else if (mode == u"partial"_s) {
        QJsonObject doc = QJsonDocument::fromJson(outcome.out).object();
        QJsonArray sections = spec.value(u"sections"_s).toArray();
        if (sections.isEmpty())
            sections = {u"credits"_s, u"usage"_s};
        QJsonArray errors;
        for (const QJsonValue& s : sections) {
            doc.remove(s.toString());
            errors.append(QJsonObject{{u"section"_s, s.toString()},
                                      {u"message"_s, s.toString() + u" service unavailable (HTTP 503)"_s}});
        }
        doc.insert(u"partial"_s, true);
        doc.insert(u"errors"_s, errors);
        outcome.out = QJsonDocument(doc).toJson(QJsonDocument::Indented);
    } else if (mode == u"offline"_s) {
        // Every machine unreachable, as when the network is down.
        QJsonObject doc = QJsonDocument::fromJson(outcome.out).object();
        QJsonObject spaces = doc.value(u"spaces"_s).toObject();
        QJsonArray nodes = spaces.value(u"nodes"_s).toArray();
        for (qsizetype n = 0; n < nodes.size(); ++n) {
            QJsonObject node = nodes.at(n).toObject();
            node.insert(u"online"_s, false);
            QJsonArray list = node.value(u"spaces"_s).toArray();
            for (qsizetype i = 0; i < list.size(); ++i) {
                QJsonObject space = list.at(i).toObject();
                space.insert(u"online"_s, false);
                list.replace(i, space);
            }
            node.insert(u"spaces"_s, list);
            nodes.replace(n, node);
        }
        if (doc.contains(u"spaces"_s)) {
            spaces.insert(u"nodes"_s, nodes);
            doc.insert(u"spaces"_s, spaces);
            doc.insert(u"nodes"_s, QJsonObject{{u"online"_s, 0}, {u"total"_s, nodes.size()}});
        }
        outcome.out = QJsonDocument(doc).toJson(QJsonDocument::Indented);
    } else if (mode == u"huge"_s) {
        const qint64 mib = spec.contains(u"huge_mib"_s) ? spec.value(u"huge_mib"_s).toInteger() : 8;
        const QJsonDocument parsed = QJsonDocument::fromJson(outcome.out);
        if (parsed.isObject()) {
            // An unknown member keeps the document valid and decodable.
            QJsonObject doc = parsed.object();
            doc.insert(u"padding"_s, QString::fromLatin1(padding(mib, 'x')));
            outcome.out = QJsonDocument(doc).toJson(QJsonDocument::Compact);
        } else {
            outcome.out += padding(mib, ' ');
        }
    }
    outcome.err = rule.stderrText + outcome.err;
}

CommandOutcome Scenario::command(const StateDir& dir, const QStringList& words) {
    const QString sub = words.value(0);
    QString error;
    if (sub == u"clear"_s) {
        StateLock lock(dir);
        dir.remove(kFile);
        return CommandOutcome::ok();
    }
    if (sub == u"set"_s || sub == u"add"_s) {
        QJsonDocument doc;
        if (words.size() != 2 || !readJsonArgument(words.at(1), doc, error))
            return CommandOutcome::fail(2,
                                        error.isEmpty() ? u"usage: scenario "_s + sub + u" JSON"_s : error);
        StateLock lock(dir);
        QJsonObject scenario;
        if (sub == u"set"_s) {
            if (!doc.isObject())
                return CommandOutcome::fail(2, u"a scenario is a JSON object"_s);
            scenario = doc.object();
        } else {
            if (!doc.isObject())
                return CommandOutcome::fail(2, u"a rule is a JSON object"_s);
            scenario = settings(dir);
            QJsonArray rules = scenario.value(u"rules"_s).toArray();
            rules.append(doc.object());
            scenario.insert(u"rules"_s, rules);
        }
        error = validateScenario(scenario);
        if (!error.isEmpty())
            return CommandOutcome::fail(2, error);
        if (!dir.writeJson(kFile, QJsonDocument(scenario), &error))
            return CommandOutcome::fail(1, error);
        return CommandOutcome::ok();
    }
    if (sub == u"status"_s) {
        if (words.size() != 2)
            return CommandOutcome::fail(2, u"usage: scenario status JSON|-|@FILE|default"_s);
        StateLock lock(dir);
        if (words.at(1) == u"default"_s) {
            dir.remove(u"status.json"_s);
            return CommandOutcome::ok();
        }
        QJsonDocument doc;
        if (!readJsonArgument(words.at(1), doc, error))
            return CommandOutcome::fail(2, error);
        if (!doc.isObject())
            return CommandOutcome::fail(2, u"a status snapshot is a JSON object"_s);
        if (!dir.writeJson(u"status.json"_s, doc, &error))
            return CommandOutcome::fail(1, error);
        return CommandOutcome::ok();
    }
    if (sub == u"version"_s) {
        if (words.size() < 2 || words.size() > 3)
            return CommandOutcome::fail(2, u"usage: scenario version CURRENT [LATEST]"_s);
        StateLock lock(dir);
        QJsonObject cli;
        dir.readObject(u"cli.json"_s, cli);
        cli.insert(u"current_version"_s, words.at(1));
        if (words.size() == 3)
            cli.insert(u"latest_version"_s, words.at(2));
        if (!dir.writeJson(u"cli.json"_s, QJsonDocument(cli), &error))
            return CommandOutcome::fail(1, error);
        return CommandOutcome::ok();
    }
    if (sub == u"reset"_s) {
        StateLock lock(dir);
        for (const QString& f : {kFile, u"status.json"_s, u"accounts.json"_s, u"config.json"_s, u"cli.json"_s,
                                 u"churn.json"_s, u"origin"_s})
            dir.remove(f);
        QDir claims(dir.path(u"claims"_s));
        for (const QString& f : claims.entryList({u"*.json"_s}, QDir::Files))
            claims.remove(f);
        return CommandOutcome::ok();
    }
    return CommandOutcome::fail(2, u"usage: scenario set|add|clear|status|version|reset ..."_s);
}

} // namespace tovi::sim
