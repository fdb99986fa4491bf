#pragma once

#include "StateDir.h"

#include <QJsonObject>
#include <QList>
#include <QString>

namespace tovi::sim {

// The CLI's profiles (accounts.json). "default" always exists; each profile is signed in
// or out, and exactly one is active. Callers hold the StateLock around load and save.
class Accounts {
public:
    struct Profile {
        QString name;
        bool signedIn = false;
        QString userId;
        QString email;
        QString firstName;
        QString lastName;
        QString team;
        QString teamId;
    };

    // Fresh state: "default" and "work", both signed in, "default" active.
    static Accounts initial();
    // Missing file gives initial(); an unreadable one is an error.
    static bool load(const StateDir& dir, Accounts& out, QString* error);
    bool save(const StateDir& dir, QString* error) const;

    // The identity a newly approved profile signs in as; stable for a given name.
    static Profile identityFor(const QString& name);

    const QList<Profile>& profiles() const { return m_profiles; }
    QString activeName() const { return m_active; }
    const Profile* find(const QString& name) const;
    const Profile* active() const { return find(m_active); }

    void signIn(const QString& name);
    void signOut(const QString& name);
    bool use(const QString& name);
    bool remove(const QString& name);

private:
    QList<Profile> m_profiles;
    QString m_active;
};

} // namespace tovi::sim
