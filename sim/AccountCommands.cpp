#include "AccountCommands.h"

#include "Accounts.h"
#include "Claims.h"
#include "Scenario.h"
#include "StateLock.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QThread>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace tovi::sim {

namespace {

const QString kDefaultProfile = u"default"_s;

bool validProfileName(const QString& name) {
    static const QRegularExpression re(u"^[A-Za-z0-9][A-Za-z0-9_-]{0,63}$"_s);
    return re.match(name).hasMatch();
}

QByteArray json(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

bool loadAccounts(const StateDir& dir, Accounts& accounts, CommandOutcome& failure) {
    QString error;
    if (Accounts::load(dir, accounts, &error))
        return true;
    failure = CommandOutcome::fail(1, error);
    return false;
}

CommandOutcome saved(const StateDir& dir, const Accounts& accounts, QByteArray message) {
    QString error;
    if (!accounts.save(dir, &error))
        return CommandOutcome::fail(1, error);
    return CommandOutcome::ok(std::move(message));
}

QString expiresInText(qint64 seconds) {
    return seconds % 60 == 0 ? QString::number(seconds / 60) + u'm' : QString::number(seconds) + u's';
}

} // namespace

QString AccountCommands::webOrigin(const StateDir& dir) {
    QString origin = qEnvironmentVariable("TOVI_WEB_ORIGIN").trimmed();
    if (origin.isEmpty()) {
        QFile f(dir.path(u"origin"_s));
        if (f.open(QIODevice::ReadOnly))
            origin = QString::fromUtf8(f.readAll()).trimmed();
    }
    if (origin.isEmpty())
        origin = u"http://127.0.0.1:8765"_s;
    while (origin.endsWith(u'/'))
        origin.chop(1);
    return origin;
}

CommandOutcome AccountCommands::run(const StateDir& dir, const Args& args) {
    const QStringList& pos = args.positional();
    const QString sub = pos.value(1);
    if (sub == u"login"_s && pos.size() == 2)
        return login(dir, args);
    if (sub == u"claim"_s && pos.size() == 3)
        return claim(dir, args, pos.at(2));
    if (sub == u"profile"_s)
        return profile(dir, args);
    if (sub == u"me"_s && pos.size() == 2)
        return me(dir, args);
    if (sub == u"logout"_s && pos.size() == 2)
        return logout(dir);
    return CommandOutcome{2,
                          {},
                          "usage: tovi account login [--no-browser] [--wait=false] [--profile NAME] | "
                          "claim TOKEN [--wait] | profile list|use|remove | me | logout\n"};
}

CommandOutcome AccountCommands::login(const StateDir& dir, const Args& args) {
    const QString profileName = args.has(u"profile"_s) ? args.value(u"profile"_s) : kDefaultProfile;
    if (!validProfileName(profileName))
        return CommandOutcome::fail(1, u"invalid profile name \""_s + profileName + u'"');
    Accounts accounts;
    CommandOutcome failure;
    if (!loadAccounts(dir, accounts, failure))
        return failure;
    const QJsonObject scenario = Scenario::settings(dir);
    const qint64 ttl = qMax<qint64>(1, scenario.value(u"claim_ttl_s"_s).toInteger(600));
    QString error;
    const QString token = Claims::create(dir, profileName, ttl, &error);
    if (token.isEmpty())
        return CommandOutcome::fail(1, error);
    const QString url = webOrigin(dir) + u"/approve/"_s + token;

    if (args.flag(u"wait"_s, true)) {
        // The interactive form: show the link at once, then behave like "claim --wait".
        std::fputs((u"Open "_s + url + u" to approve this sign-in.\n"_s).toUtf8().constData(), stderr);
        std::fflush(stderr);
        return claim(dir, args, token);
    }
    const Accounts::Profile* p = accounts.find(profileName);
    const QJsonObject out{{u"status"_s, u"pending"_s},
                          {u"url"_s, url},
                          {u"token"_s, token},
                          {u"expires_in"_s, expiresInText(ttl)},
                          {u"resume"_s, u"tovi account claim "_s + token + u" --wait"_s},
                          {u"note"_s, u"Open the link in a browser and approve the sign-in."_s},
                          {u"authenticated"_s, p != nullptr && p->signedIn}};
    if (args.json())
        return CommandOutcome::ok(json(out));
    return CommandOutcome::ok((u"Open "_s + url +
                               u" to approve this sign-in, then run: tovi account claim "_s + token +
                               u" --wait\n"_s)
                                  .toUtf8());
}

CommandOutcome AccountCommands::claim(const StateDir& dir, const Args& args, const QString& token) {
    QJsonObject record;
    switch (Claims::load(dir, token, record)) {
    case StateDir::Read::Missing:
        return CommandOutcome::fail(1, u"no pending sign-in for that token"_s);
    case StateDir::Read::Corrupt:
        return CommandOutcome::fail(1, u"the sign-in record for that token is damaged"_s);
    case StateDir::Read::Ok:
        break;
    }
    const QString profileName = record.value(u"profile"_s).toString();
    if (args.has(u"profile"_s) && args.value(u"profile"_s) != profileName)
        return CommandOutcome::fail(1, u"that sign-in was started for the profile "_s + profileName);
    const bool wait = args.flag(u"wait"_s, false);

    QJsonObject result;
    for (;; QThread::msleep(100)) {
        // The lock is held only while looking, never across the sleep (the loop's increment).
        StateLock lock(dir);
        if (Claims::load(dir, token, record) != StateDir::Read::Ok)
            return CommandOutcome::fail(1, u"the sign-in request disappeared"_s);
        const QString status = record.value(u"status"_s).toString();
        if (status == u"approved"_s) {
            Accounts accounts;
            CommandOutcome failure;
            if (!loadAccounts(dir, accounts, failure))
                return failure;
            accounts.signIn(profileName);
            QString error;
            if (!accounts.save(dir, &error))
                return CommandOutcome::fail(1, error);
            dir.remove(Claims::file(token)); // a token signs in once
            const Accounts::Profile* p = accounts.find(profileName);
            result = QJsonObject{{u"status"_s, u"approved"_s},
                                 {u"user"_s, QJsonObject{{u"id"_s, p->userId},
                                                         {u"email"_s, p->email},
                                                         {u"first_name"_s, p->firstName},
                                                         {u"last_name"_s, p->lastName}}}};
            break;
        }
        if (status == u"rejected"_s) {
            dir.remove(Claims::file(token));
            result = QJsonObject{{u"status"_s, u"cancelled"_s}};
            break;
        }
        if (Claims::expired(record, QDateTime::currentDateTimeUtc())) {
            dir.remove(Claims::file(token));
            result = QJsonObject{{u"status"_s, u"expired"_s}};
            break;
        }
        if (!wait) {
            result = QJsonObject{{u"status"_s, u"pending"_s}};
            break;
        }
    }
    if (args.json())
        return CommandOutcome::ok(json(result));
    const QString status = result.value(u"status"_s).toString();
    if (status == u"approved"_s)
        return CommandOutcome::ok(
            (u"Signed in as "_s + result.value(u"user"_s).toObject().value(u"email"_s).toString() + u'\n')
                .toUtf8());
    return CommandOutcome::ok((u"Sign-in "_s + status + u'\n').toUtf8());
}

CommandOutcome AccountCommands::profile(const StateDir& dir, const Args& args) {
    const QStringList& pos = args.positional();
    const QString action = pos.value(2);
    StateLock lock(dir);
    Accounts accounts;
    CommandOutcome failure;
    if (!loadAccounts(dir, accounts, failure))
        return failure;

    if (action == u"list"_s && pos.size() == 3) {
        QJsonArray list;
        QString text;
        for (const Accounts::Profile& p : accounts.profiles()) {
            QJsonObject o{{u"name"_s, p.name},
                          {u"active"_s, p.name == accounts.activeName()},
                          {u"default"_s, p.name == kDefaultProfile}};
            if (p.signedIn) {
                o.insert(u"email"_s, p.email);
                o.insert(u"team"_s, p.team);
            }
            list.append(o);
            text += (p.name == accounts.activeName() ? u"* "_s : u"  "_s) + p.name + u"  "_s +
                    (p.signedIn ? p.email + u" ("_s + p.team + u')' : u"not signed in"_s) + u'\n';
        }
        if (args.json())
            return CommandOutcome::ok(QJsonDocument(list).toJson(QJsonDocument::Indented));
        return CommandOutcome::ok(text.toUtf8());
    }
    const QString name = pos.value(3);
    if (action == u"use"_s && pos.size() == 4) {
        if (!accounts.use(name))
            return CommandOutcome::fail(1, u"no profile named "_s + name);
        return saved(dir, accounts, (u"Now using profile "_s + name + u'\n').toUtf8());
    }
    if (action == u"remove"_s && pos.size() == 4) {
        if (!accounts.find(name))
            return CommandOutcome::fail(1, u"no profile named "_s + name);
        if (name == kDefaultProfile)
            return CommandOutcome::fail(1, u"the default profile can't be removed; sign out of it instead"_s);
        accounts.remove(name);
        return saved(dir, accounts, (u"Removed profile "_s + name + u'\n').toUtf8());
    }
    return CommandOutcome{
        2, {}, "usage: tovi account profile list [--stdout-format=json] | use NAME | remove NAME\n"};
}

CommandOutcome AccountCommands::me(const StateDir& dir, const Args& args) {
    Accounts accounts;
    CommandOutcome failure;
    if (!loadAccounts(dir, accounts, failure))
        return failure;
    const Accounts::Profile* p = accounts.active();
    if (!p || !p->signedIn)
        return CommandOutcome::fail(1, u"not signed in"_s);
    if (args.json()) {
        return CommandOutcome::ok(json(QJsonObject{{u"id"_s, p->userId},
                                                   {u"email"_s, p->email},
                                                   {u"team_id"_s, p->teamId},
                                                   {u"team_name"_s, p->team}}));
    }
    return CommandOutcome::ok((p->email + u" ("_s + p->team + u")\n"_s).toUtf8());
}

CommandOutcome AccountCommands::logout(const StateDir& dir) {
    StateLock lock(dir);
    Accounts accounts;
    CommandOutcome failure;
    if (!loadAccounts(dir, accounts, failure))
        return failure;
    const QString name = accounts.activeName();
    accounts.signOut(name);
    return saved(dir, accounts, (u"Signed out of profile "_s + name + u'\n').toUtf8());
}

} // namespace tovi::sim
