#include "StatusCommand.h"

#include "Accounts.h"
#include "CliVersions.h"
#include "DefaultSnapshot.h"
#include "Scenario.h"
#include "StateLock.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace tovi::sim {

namespace {

const QString kFile = u"status.json"_s;

qint64 nextChurnCall(const StateDir& dir) {
    QJsonObject churn;
    dir.readObject(u"churn.json"_s, churn);
    const qint64 call = churn.value(u"calls"_s).toInteger() + 1;
    dir.writeJson(u"churn.json"_s, QJsonDocument(QJsonObject{{u"calls"_s, call}}), nullptr);
    return call;
}

QByteArray text(const QJsonObject& s) {
    QString out;
    const QJsonObject cli = s.value(u"cli"_s).toObject();
    out += u"CLI       "_s + cli.value(u"current_version"_s).toString() + u" (latest "_s +
           cli.value(u"latest_version"_s).toString() + u")\n"_s;
    if (!s.value(u"authenticated"_s).toBool(true)) {
        out += u"Account   not signed in\n"_s;
        return out.toUtf8();
    }
    const QJsonObject account = s.value(u"account"_s).toObject();
    out += u"Account   "_s + account.value(u"email"_s).toString() + u" ("_s +
           account.value(u"team"_s).toString() + u")\n"_s;
    for (const QJsonValue& n : s.value(u"spaces"_s).toObject().value(u"nodes"_s).toArray()) {
        const QJsonObject node = n.toObject();
        out += u"Node      "_s + node.value(u"name"_s).toString() +
               (node.value(u"online"_s).toBool(true) ? u""_s : u" (offline)"_s) + u'\n';
        for (const QJsonValue& sp : node.value(u"spaces"_s).toArray()) {
            const QJsonObject space = sp.toObject();
            out += u"  "_s + space.value(u"name"_s).toString() + u"  "_s +
                   space.value(u"status"_s).toString() + u'\n';
        }
    }
    return out.toUtf8();
}

} // namespace

QJsonObject StatusCommand::snapshot(const StateDir& dir, const QDateTime& now, QString* error) {
    StateLock lock(dir);
    QJsonObject s;
    switch (dir.readObject(kFile, s)) {
    case StateDir::Read::Missing:
        s = DefaultSnapshot::build(now);
        dir.writeJson(kFile, QJsonDocument(s), nullptr);
        break;
    case StateDir::Read::Corrupt:
        if (error)
            *error = u"the status cache "_s + dir.path(kFile) + u" is damaged"_s;
        return {};
    case StateDir::Read::Ok:
        break;
    }

    if (Scenario::settings(dir).value(u"churn"_s).toBool())
        DefaultSnapshot::churn(s, nextChurnCall(dir), now);

    // A snapshot that states its own sign-in state was pinned by a test: print it as stored.
    if (s.contains(u"authenticated"_s))
        return s;

    Accounts accounts;
    if (!Accounts::load(dir, accounts, error))
        return {};
    const Accounts::Profile* profile = accounts.active();
    const bool signedIn = profile && profile->signedIn;
    s.insert(u"authenticated"_s, signedIn);
    if (signedIn && !s.contains(u"account"_s)) {
        s.insert(u"account"_s, QJsonObject{{u"user_id"_s, profile->userId},
                                           {u"email"_s, profile->email},
                                           {u"name"_s, profile->firstName + u' ' + profile->lastName},
                                           {u"team"_s, profile->team}});
    }
    if (!signedIn) {
        for (const QString& key : {u"account"_s, u"spaces"_s, u"nodes"_s, u"credits"_s, u"usage"_s,
                                   u"sites"_s, u"drive"_s, u"secrets"_s, u"notifications"_s})
            s.remove(key);
    }

    const CliVersions versions = CliVersions::load(dir);
    QJsonObject cli = s.value(u"cli"_s).toObject();
    if (!cli.contains(u"current_version"_s))
        cli.insert(u"current_version"_s, versions.current);
    if (!cli.contains(u"latest_version"_s))
        cli.insert(u"latest_version"_s, versions.latest);
    if (!cli.contains(u"update_available"_s))
        cli.insert(u"update_available"_s,
                   CliVersions::compare(cli.value(u"latest_version"_s).toString(),
                                        cli.value(u"current_version"_s).toString()) > 0);
    s.insert(u"cli"_s, cli);
    return s;
}

CommandOutcome StatusCommand::run(const StateDir& dir, const Args& args) {
    if (args.positional().size() != 2)
        return CommandOutcome::fail(2, u"usage: tovi internal status [--stdout-format=json]"_s);
    QString error;
    const QJsonObject s = snapshot(dir, QDateTime::currentDateTimeUtc(), &error);
    if (!error.isEmpty())
        return CommandOutcome::fail(1, error);
    if (args.json())
        return CommandOutcome::ok(QJsonDocument(s).toJson(QJsonDocument::Indented));
    return CommandOutcome::ok(text(s));
}

} // namespace tovi::sim
