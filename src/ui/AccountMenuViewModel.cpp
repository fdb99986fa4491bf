#include "ui/AccountMenuViewModel.h"

#include "BuildConfig.h"
#include "model/DisplayRules.h"
#include "store/StatusStore.h"
#include "ui/StatusTexts.h"
#include "ui/Symbols.h"
#include "ui/UiTasks.h"

namespace tovi {

AccountMenuViewModel::AccountMenuViewModel(StatusStore* store, QObject* parent)
    : QObject(parent)
    , m_store(store) {
    connect(m_store, &StatusStore::statusChanged, this, [this] { m_gate.request(); });
    connect(m_store, &StatusStore::profilesChanged, this, [this] { m_gate.request(); });
    recompute();
}

QVariantList AccountMenuViewModel::servicePages() const {
    auto page = [](const QString& title, const char* path) {
        return QVariantMap{{QStringLiteral("title"), title}, {QStringLiteral("path"), QLatin1String(path)}};
    };
    return {page(tr("Usage"), "/usage"), page(tr("Credits"), "/credits"), page(tr("Nodes"), "/nodes")};
}

QString AccountMenuViewModel::versionHeading() const {
    return tovi::versionHeading(QLatin1String(build::version), QLatin1String(build::buildNumber));
}

QString AccountMenuViewModel::trimmedProfileName(const QString& typed) {
    auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    qsizetype begin = 0;
    qsizetype end = typed.size();
    while (begin < end && blank(typed.at(begin)))
        ++begin;
    while (end > begin && blank(typed.at(end - 1)))
        --end;
    return typed.mid(begin, end - begin);
}

bool AccountMenuViewModel::addAccount(const QString& typed) {
    const QString name = trimmedProfileName(typed);
    if (name.isEmpty())
        return false;
    m_store->startSignIn(name);
    return true;
}

void AccountMenuViewModel::signIn() {
    m_store->startSignIn(std::nullopt);
}

void AccountMenuViewModel::signOut() {
    startDetached(m_store->signOut());
}

void AccountMenuViewModel::switchProfile(const QString& name) {
    startDetached(m_store->switchProfile(name));
}

void AccountMenuViewModel::removeProfile(const QString& name) {
    startDetached(m_store->removeProfile(name));
}

void AccountMenuViewModel::openServicePage(const QString& path) {
    m_store->openAddress(m_store->serviceURL(path));
}

void AccountMenuViewModel::recompute() {
    const bool signedOut = isSignedOut(m_store->status());
    const QString identity = tovi::identityTitle(m_store->status());
    QVariantList accounts;
    QStringList removable;
    const QList<Profile>& profiles = m_store->profiles();
    const QList<ProfileText> texts = profileTexts(profiles);
    for (qsizetype i = 0; i < profiles.size(); ++i) {
        const Profile& profile = profiles.at(i);
        const ProfileText& text = texts.at(i);
        accounts.append(QVariantMap{
            {QStringLiteral("text"), text.text},
            // A plain mark on the current row, as a menu shows a choice in force; the others
            // carry no symbol (an empty box would read as a setting to switch on).
            {QStringLiteral("mark"), text.checked ? Symbols::glyph(QStringLiteral("checkmark")) : QString()},
            // The current profile cannot be switched to again.
            {QStringLiteral("enabled"), !text.checked},
            {QStringLiteral("name"), profile.name},
        });
        removable.append(profile.name);
    }
    if (signedOut == m_signedOut && identity == m_identityTitle && accounts == m_accounts &&
        removable == m_removable)
        return;
    m_signedOut = signedOut;
    m_identityTitle = identity;
    m_accounts = accounts;
    m_removable = removable;
    Q_EMIT changed();
}

} // namespace tovi
