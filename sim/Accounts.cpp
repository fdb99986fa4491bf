#include "Accounts.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace tovi::sim {

namespace {

const QString kFile = u"accounts.json"_s;
const QString kDefault = u"default"_s;

QString stableId(const QString& prefix, const QString& seed) {
    return prefix + QString::fromLatin1(
                        QCryptographicHash::hash(seed.toUtf8(), QCryptographicHash::Sha1).toHex().left(10));
}

} // namespace

Accounts::Profile Accounts::identityFor(const QString& name) {
    Profile p;
    p.name = name;
    if (name == kDefault) {
        p.firstName = u"Ada"_s;
        p.lastName = u"Lovelace"_s;
        p.email = u"ada@example.com"_s;
        p.team = u"Analytical Engines"_s;
    } else if (name == u"work"_s) {
        p.firstName = u"Grace"_s;
        p.lastName = u"Hopper"_s;
        p.email = u"grace@work.example"_s;
        p.team = u"Compiler Crew"_s;
    } else {
        const QString word = name.isEmpty() ? u"user"_s : name;
        p.firstName = word.left(1).toUpper() + word.mid(1).toLower();
        p.lastName = u"Example"_s;
        p.email = word.toLower() + u"@example.com"_s;
        p.team = p.firstName + u"'s team"_s;
    }
    p.userId = stableId(u"usr_"_s, p.email);
    p.teamId = stableId(u"team_"_s, p.team);
    return p;
}

Accounts Accounts::initial() {
    Accounts a;
    for (const QString& name : {kDefault, u"work"_s}) {
        Profile p = identityFor(name);
        p.signedIn = true;
        a.m_profiles.append(p);
    }
    a.m_active = kDefault;
    return a;
}

bool Accounts::load(const StateDir& dir, Accounts& out, QString* error) {
    QJsonObject doc;
    switch (dir.readObject(kFile, doc)) {
    case StateDir::Read::Missing:
        out = initial();
        return true;
    case StateDir::Read::Corrupt:
        if (error)
            *error = u"the account file "_s + dir.path(kFile) + u" is damaged"_s;
        return false;
    case StateDir::Read::Ok:
        break;
    }
    Accounts a;
    for (const QJsonValue& v : doc.value(u"profiles"_s).toArray()) {
        const QJsonObject o = v.toObject();
        Profile p;
        p.name = o.value(u"name"_s).toString();
        if (p.name.isEmpty())
            continue;
        p.signedIn = o.value(u"signed_in"_s).toBool();
        p.userId = o.value(u"user_id"_s).toString();
        p.email = o.value(u"email"_s).toString();
        p.firstName = o.value(u"first_name"_s).toString();
        p.lastName = o.value(u"last_name"_s).toString();
        p.team = o.value(u"team"_s).toString();
        p.teamId = o.value(u"team_id"_s).toString();
        a.m_profiles.append(p);
    }
    if (!a.find(kDefault)) {
        Profile p;
        p.name = kDefault;
        a.m_profiles.prepend(p);
    }
    a.m_active = doc.value(u"active"_s).toString();
    if (!a.find(a.m_active))
        a.m_active = kDefault;
    out = a;
    return true;
}

bool Accounts::save(const StateDir& dir, QString* error) const {
    QJsonArray list;
    for (const Profile& p : m_profiles) {
        list.append(QJsonObject{{u"name"_s, p.name},
                                {u"signed_in"_s, p.signedIn},
                                {u"user_id"_s, p.userId},
                                {u"email"_s, p.email},
                                {u"first_name"_s, p.firstName},
                                {u"last_name"_s, p.lastName},
                                {u"team"_s, p.team},
                                {u"team_id"_s, p.teamId}});
    }
    return dir.writeJson(kFile, QJsonDocument(QJsonObject{{u"active"_s, m_active}, {u"profiles"_s, list}}),
                         error);
}

const Accounts::Profile* Accounts::find(const QString& name) const {
    for (const Profile& p : m_profiles) {
        if (p.name == name)
            return &p;
    }
    return nullptr;
}

void Accounts::signIn(const QString& name) {
    Profile p = identityFor(name);
    p.signedIn = true;
    bool replaced = false;
    for (Profile& existing : m_profiles) {
        if (existing.name == name) {
            existing = p;
            replaced = true;
        }
    }
    if (!replaced)
        m_profiles.append(p);
    m_active = name;
}

void Accounts::signOut(const QString& name) {
    for (Profile& p : m_profiles) {
        if (p.name == name)
            p = Profile{name, false, {}, {}, {}, {}, {}, {}};
    }
}

bool Accounts::use(const QString& name) {
    if (!find(name))
        return false;
    m_active = name;
    return true;
}

bool Accounts::remove(const QString& name) {
    const auto before = m_profiles.size();
    m_profiles.removeIf([&](const Profile& p) { return p.name == name; });
    if (m_profiles.size() == before)
        return false;
    if (m_active == name)
        m_active = kDefault;
    return true;
}

} // namespace tovi::sim
