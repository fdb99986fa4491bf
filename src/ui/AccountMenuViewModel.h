#pragma once

#include "ui/RecomputeGate.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace tovi {

class StatusStore;

// The account menu behind the header's "ellipsis.circle" button, without its settings
// section (see SettingsViewModel).
class AccountMenuViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString identityTitle READ identityTitle NOTIFY changed)
    // [{title, path}] for "Usage", "Credits", "Nodes".
    Q_PROPERTY(QVariantList servicePages READ servicePages CONSTANT)
    Q_PROPERTY(bool showAccounts READ showAccounts NOTIFY changed)
    // [{text, mark, enabled, name}] in the store's order; mark is the check mark's glyph or empty.
    Q_PROPERTY(QVariantList accounts READ accounts NOTIFY changed)
    // Profile names of the "Remove account" submenu.
    Q_PROPERTY(QStringList removableAccounts READ removableAccounts NOTIFY changed)
    Q_PROPERTY(bool showAddAccount READ showAddAccount NOTIFY changed)
    Q_PROPERTY(bool showSignOut READ showSignOut NOTIFY changed)
    Q_PROPERTY(bool showSignIn READ showSignIn NOTIFY changed)
    Q_PROPERTY(QString versionHeading READ versionHeading CONSTANT)

public:
    AccountMenuViewModel(StatusStore* store, QObject* parent = nullptr);

    QString identityTitle() const { return m_identityTitle; }
    QVariantList servicePages() const;
    bool showAccounts() const { return !m_accounts.isEmpty(); }
    QVariantList accounts() const { return m_accounts; }
    QStringList removableAccounts() const { return m_removable; }
    bool showAddAccount() const { return !m_signedOut; }
    bool showSignOut() const { return !m_signedOut; }
    bool showSignIn() const { return m_signedOut; }
    QString versionHeading() const;

    // The add-account prompt's answer: trimmed of spaces and tabs (not line breaks); an
    // empty name starts nothing. Returns whether a sign-in was started.
    Q_INVOKABLE bool addAccount(const QString& typed);
    Q_INVOKABLE void signIn();
    Q_INVOKABLE void signOut();
    Q_INVOKABLE void switchProfile(const QString& name);
    Q_INVOKABLE void removeProfile(const QString& name);
    Q_INVOKABLE void openServicePage(const QString& path);

    static QString trimmedProfileName(const QString& typed);

    // The window is open (see RecomputeGate); true until told otherwise.
    void setActive(bool active) { m_gate.setOpen(active); }

Q_SIGNALS:
    void changed();

private:
    void recompute();

    StatusStore* m_store;
    QString m_identityTitle;
    QVariantList m_accounts;
    QStringList m_removable;
    bool m_signedOut = false;
    RecomputeGate m_gate{[this] { recompute(); }};
};

} // namespace tovi
