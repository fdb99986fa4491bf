// The window's presentation over a store: which parts show in which state, and where the
// user's actions go. The texts themselves belong to StatusTexts and the list's rows to
// SpacesListModel; here only that they arrive.

#include "ui/MenuViewModel.h"
#include "UiTestData.h"
#include "store/CLICommands.h"
#include "support/FakeDependencies.h"
#include "ui/SpacesListModel.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>

using namespace tovi;
using namespace tovi::testing;

namespace {

InternalStatus signedInStatus() {
    InternalStatus status =
        statusWithNodes({node(s("n1"), s("Laptop"), QList<Space>{readySpace(s("sp-1"), s("Blog"))}),
                         node(s("n2"), s("Server"), QList<Space>{}, false)});
    status.account = Account{};
    status.account->name = s("Ann");
    status.account->team = s("Acme");
    status.cli = CLIInfo{s("1.4.0"), s("1.5.0"), std::nullopt};
    status.notifications = Notifications{};
    status.notifications->unread = 2;
    return status;
}

InternalStatus signedOut() {
    InternalStatus out;
    out.authenticated = false;
    return out;
}

// A store fed by a scripted status source, with the window's presentation on top.
struct Fixture {
    void refresh() { QCoro::waitFor(store.refresh()); }
    void show(InternalStatus status) {
        deps.source->setResult(std::move(status));
        refresh();
    }
    QVariantMap banner(int i) const { return menu.footer()->banners().at(i).toMap(); }

    FakeDependencies deps;
    // The source must exist before the store takes its dependencies.
    bool sourceReady = (deps.useFakeSource().setResult(signedInStatus()), true);
    QDateTime now = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    StatusStore store{deps.make()};
    MenuViewModel menu{&store, nullptr, [this] { return now; }};
};

} // namespace

TEST(MenuViewModel, NothingLoadedYetShowsLoadingOrWhyNot) {
    Fixture f;
    EXPECT_EQ(f.menu.header()->identityTitle(), s("Not signed in"));
    EXPECT_EQ(f.menu.body()->spaces()->form(), s("loading"));
    EXPECT_FALSE(f.menu.footer()->showNotifications());
    EXPECT_FALSE(f.menu.footer()->showNodeCount());

    // Loading that cannot finish by itself says why instead of spinning.
    f.deps.source->setResult(Error::cliNotFound());
    f.refresh();
    EXPECT_EQ(f.menu.body()->spaces()->unavailableText(), s("Couldn't find the tovi CLI."));
    InternalStatus partial;
    partial.partial = true;
    partial.errors =
        QList<StatusSectionError>{{s("usage"), s("usage: timed out")}, {s("spaces"), s("<b>x</b>")}};
    f.show(partial);
    EXPECT_EQ(f.menu.body()->spaces()->unavailableText(), s("<b>x</b>"));
    EXPECT_TRUE(f.menu.footer()->showPartialWarning());
    f.show(signedInStatus());
    EXPECT_EQ(f.menu.body()->spaces()->unavailableText(), s(""));
}

TEST(MenuViewModel, SignedInSnapshotFillsHeaderListAndStatusRow) {
    Fixture f;
    QSignalSpy headerChanged(f.menu.header(), &HeaderViewModel::changed);
    QSignalSpy footerChanged(f.menu.footer(), &FooterViewModel::changed);
    f.refresh();
    EXPECT_EQ(f.menu.header()->title(), s("Acme"));
    EXPECT_EQ(f.menu.header()->windowTitle(), s("Tovi \u2014 Acme"));
    EXPECT_EQ(f.menu.header()->identityTitle(), s("Ann (Acme)"));
    const qsizetype footerChanges = footerChanged.count();
    f.refresh(); // the same snapshot again: nothing to tell the view
    EXPECT_EQ(headerChanged.count(), 1);
    EXPECT_EQ(footerChanged.count(), footerChanges);

    EXPECT_EQ(f.menu.body()->spaces()->form(), s("search"));
    EXPECT_EQ(f.menu.body()->spaces()->model()->rowCount(), 2);
    FooterViewModel* footer = f.menu.footer();
    EXPECT_EQ(footer->serviceText(), s("Service running"));
    EXPECT_EQ(footer->cliVersion(), s("1.4.0"));
    EXPECT_EQ(footer->nodeCountText(), s("1/2 Nodes"));
    EXPECT_EQ(footer->notificationsCountText(), s("2"));
    EXPECT_TRUE(footer->upgradeUpdateForm());

    // A blank team name would leave a dangling dash in task switchers.
    InternalStatus noTeam = signedInStatus();
    noTeam.account->team = s(" ");
    f.show(noTeam);
    EXPECT_EQ(f.menu.header()->windowTitle(), s("Tovi"));

    // The dark appearance swaps the mark and recolours.
    f.menu.setDark(true);
    EXPECT_EQ(f.menu.header()->markSource(), QUrl(s("qrc:/assets/ToviMarkDark.svg")));
    EXPECT_EQ(footer->serviceDotColor(), statusColor(StatusColor::green, true));
}

TEST(MenuViewModel, SignedOutOffersSignInAndReopensOnlyAWebAddress) {
    Fixture f;
    f.show(signedOut());
    EXPECT_TRUE(f.menu.body()->signedOut());
    EXPECT_FALSE(f.menu.accountMenu()->showSignOut());
    EXPECT_TRUE(f.menu.accountMenu()->showSignIn());
    EXPECT_FALSE(f.menu.footer()->showNotifications());
    f.menu.body()->createAccount();
    EXPECT_EQ(f.deps.browser->opened().value(0), QUrl(s("https://tovi.test/create-account")));

    auto gate = f.deps.runner->gate({s("account"), s("claim")});
    f.deps.runner->replyPrefix({s("account"), s("login")},
                               FakeRunner::ok(R"({"token":"t","url":"https://tovi.test/approve/1"})"));
    f.menu.body()->signIn();
    ASSERT_TRUE(f.menu.body()->awaitingApproval());
    EXPECT_TRUE(f.menu.body()->showReopenLink());
    f.menu.body()->reopenApprovalPage();
    EXPECT_EQ(f.deps.browser->opened().size(), 3);
    f.menu.body()->cancelSignIn();
    EXPECT_FALSE(f.menu.body()->showReopenLink());
    f.menu.body()->reopenApprovalPage(); // nothing to reopen any more
    EXPECT_EQ(f.deps.browser->opened().size(), 3);
    gate->open();
}

TEST(MenuViewModel, AccountsSectionListsProfilesAndDisablesTheCurrentOne) {
    Fixture f;
    f.refresh();
    f.deps.runner->reply(profileListArguments(), FakeRunner::ok(R"([])"));
    QCoro::waitFor(f.store.loadProfiles());
    EXPECT_FALSE(f.menu.accountMenu()->showAccounts());
    EXPECT_TRUE(f.menu.accountMenu()->removableAccounts().isEmpty());

    f.deps.runner->reply(profileListArguments(),
                         FakeRunner::ok(R"([{"name":"default","active":true,"team":"Acme"},
                                            {"name":"work","email":"ann@work.test","team":""}])"));
    f.menu.setActive(true); // opening reloads the profiles
    QCoreApplication::processEvents();
    ASSERT_TRUE(f.menu.accountMenu()->showAccounts());
    const QVariantList rows = f.menu.accountMenu()->accounts();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].toMap(), (QVariantMap{{s("text"), s("default — Acme")},
                                            {s("checked"), true},
                                            {s("enabled"), false},
                                            {s("name"), s("default")}}));
    EXPECT_EQ(rows[1].toMap(), (QVariantMap{{s("text"), s("work — ann@work.test")},
                                            {s("checked"), false},
                                            {s("enabled"), true},
                                            {s("name"), s("work")}}));
    EXPECT_EQ(f.menu.accountMenu()->removableAccounts(), (QStringList{s("default"), s("work")}));

    f.menu.accountMenu()->switchProfile(s("work"));
    f.menu.accountMenu()->removeProfile(s("default"));
    f.menu.accountMenu()->signOut();
    QCoreApplication::processEvents();
    EXPECT_EQ(f.deps.runner->count(CLICommands::profileUse(s("work"))), 1);
    EXPECT_EQ(f.deps.runner->count(CLICommands::profileRemove(s("default"))), 1);
    EXPECT_EQ(f.deps.runner->count(CLICommands::logout()), 1);
}

TEST(MenuViewModel, AddAccountTrimsSpacesAndTabsButNotLineBreaks) {
    EXPECT_EQ(AccountMenuViewModel::trimmedProfileName(s(" \twork \t")), s("work"));
    EXPECT_EQ(AccountMenuViewModel::trimmedProfileName(s("\nwork\n")), s("\nwork\n"));
    Fixture f;
    EXPECT_FALSE(f.menu.accountMenu()->addAccount(s(" \t ")));
    EXPECT_EQ(f.store.signInTask(), nullptr);
}

TEST(MenuViewModel, PagesOpenOnlyWithAnAddress) {
    Fixture f;
    f.deps.runner->reply(accountMeArguments(), FakeRunner::fail(1, s("offline")));
    f.refresh();
    // Service pages never need the team; team pages do, and open nothing without one.
    f.menu.header()->openUsage();
    f.menu.accountMenu()->openServicePage(s("/credits"));
    f.menu.footer()->openNodes();
    f.menu.footer()->openNotifications();
    f.menu.body()->spaces()->open(1);
    EXPECT_EQ(f.deps.browser->opened(),
              (QList<QUrl>{QUrl(s("https://tovi.test/usage")), QUrl(s("https://tovi.test/credits"))}));

    f.deps.runner->reply(accountMeArguments(), FakeRunner::ok(R"({"id":"u1","team_id":"team-1"})"));
    f.refresh();
    f.menu.footer()->openNodes();
    f.menu.footer()->openNotifications();
    f.menu.body()->spaces()->open(0);  // node header
    f.menu.body()->spaces()->open(1);  // space row
    f.menu.body()->spaces()->open(99); // out of range: ignored
    EXPECT_EQ(f.deps.browser->opened().mid(2),
              (QList<QUrl>{QUrl(s("https://tovi.test/team/team-1/nodes")),
                           QUrl(s("https://tovi.test/team/team-1/notifications")),
                           QUrl(s("https://tovi.test/team/team-1/nodes")),
                           QUrl(s("https://tovi.test/team/team-1/spaces/sp-1"))}));
}

TEST(MenuViewModel, FooterBannersFollowTheStoreMessages) {
    Fixture f;
    f.refresh();
    f.deps.source->setResult(Error::decode(s("spaces: expected a list")));
    f.refresh();
    ASSERT_EQ(f.menu.footer()->banners().size(), 1);
    EXPECT_EQ(f.banner(0),
              (QVariantMap{{s("message"), s("spaces: expected a list")}, {s("hasRetry"), false}}));

    // A failed set-up comes first and offers a retry, which runs the set-up again.
    f.deps.runner->setInstalled(false);
    f.deps.runner->replyShell(FakeRunner::fail(7, s("curl: could not resolve host")));
    QCoro::waitFor(TaskHandle::wait(f.store.startBootstrap()));
    ASSERT_EQ(f.menu.footer()->banners().size(), 2);
    EXPECT_EQ(f.banner(0).value(s("message")).toString(), f.store.bootstrapState().message);
    EXPECT_TRUE(f.banner(0).value(s("hasRetry")).toBool());
    f.menu.footer()->retryBootstrap();
    QCoreApplication::processEvents();
    EXPECT_EQ(f.deps.runner->shellLines().size(), 2);

    // A script that leaves no CLI to find: one banner saying so, with Retry.
    f.deps.runner->replyShell(FakeRunner::ok());
    f.deps.source->setResult(Error::cliNotFound());
    QCoro::waitFor(TaskHandle::wait(f.store.startBootstrap()));
    ASSERT_EQ(f.menu.footer()->banners().size(), 1);
    EXPECT_EQ(f.banner(0),
              (QVariantMap{{s("message"), s("Couldn't find the tovi CLI.")}, {s("hasRetry"), true}}));
}

TEST(MenuViewModel, ControlsRowFollowsServiceMaintenanceAndTheClock) {
    Fixture f;
    f.deps.setDaemon(DaemonState::stopped());
    f.refresh();
    FooterViewModel* footer = f.menu.footer();
    EXPECT_EQ(footer->serviceDotColor(), f.menu.colors()->red());
    EXPECT_TRUE(footer->showStart());
    EXPECT_FALSE(footer->showSpinner());

    // While the store maintains, the spinner replaces "Start" and upgrading is disabled.
    auto gate = f.deps.runner->gate(CLICommands::install());
    footer->upgrade();
    QCoreApplication::processEvents();
    EXPECT_TRUE(footer->showSpinner());
    EXPECT_FALSE(footer->showStart());
    EXPECT_FALSE(footer->upgradeEnabled());
    footer->upgrade(); // a stale click while disabled
    EXPECT_EQ(f.deps.runner->count(CLICommands::install()), 1);
    gate->open();
    QCoreApplication::processEvents();
    EXPECT_TRUE(footer->upgradeEnabled());
    EXPECT_TRUE(footer->showMaintenanceMessage());

    f.now = f.deps.clock->now().addSecs(120);
    f.menu.setActive(true);
    EXPECT_EQ(footer->refreshTooltip(), s("Last refreshed 2 minutes ago"));
}

TEST(MenuViewModel, ClosedWindowRecomputesNothingUntilItOpens) {
    Fixture f;
    f.menu.setActive(false);
    QSignalSpy header(f.menu.header(), &HeaderViewModel::changed);
    QSignalSpy account(f.menu.accountMenu(), &AccountMenuViewModel::changed);
    QSignalSpy spaces(f.menu.body()->spaces(), &SpacesViewModel::changed);
    QSignalSpy footer(f.menu.footer(), &FooterViewModel::changed);
    f.refresh(); // the poll brings a signed-in snapshot
    for (const QSignalSpy* spy : {&header, &account, &spaces, &footer})
        EXPECT_EQ(spy->count(), 0) << spy->signal().toStdString();

    f.menu.setActive(true); // once, with what the store has now
    for (const QSignalSpy* spy : {&header, &account, &spaces, &footer})
        EXPECT_EQ(spy->count(), 1) << spy->signal().toStdString();
    EXPECT_EQ(f.menu.header()->title(), s("Acme"));
    EXPECT_EQ(f.menu.footer()->nodeCountText(), s("1/2 Nodes"));
}

TEST(MenuViewModel, SettingsReadAndWriteTheStore) {
    Fixture f;
    SettingsViewModel* settings = f.menu.settings();
    settings->setKeepAwake(true);
    EXPECT_EQ(f.deps.defaults->value(s("keepAwake")).toBool(), true);
    EXPECT_EQ(f.deps.keepAwake->activeCount(), 1);
    EXPECT_TRUE(settings->keepAwake());
    // No inhibitor on this desktop holds it: the switch says so until one does.
    EXPECT_EQ(settings->keepAwakeNote(), QString());
    f.deps.keepAwake->settle(false);
    EXPECT_EQ(settings->keepAwakeNote(),
              s("No power manager on this desktop lets Tovi keep the computer awake."));
    settings->setKeepAwake(false);
    EXPECT_EQ(f.deps.keepAwake->activeCount(), 0);
    settings->setKeepAwake(true);
    f.deps.keepAwake->settle(true);
    EXPECT_EQ(settings->keepAwakeNote(), QString());
    settings->setKeepAwake(false);
    // The stored value is read each time, not cached.
    f.deps.defaults->setValue(s("keepAwake"), true);
    EXPECT_TRUE(settings->keepAwake());

    settings->setOpenAtLogin(true);
    EXPECT_EQ(f.deps.loginItem->requests(), (QList<bool>{true}));
    EXPECT_TRUE(settings->openAtLogin());
    EXPECT_FALSE(settings->showMoveNote());
    *f.deps.location = AppLocation::temporary;
    EXPECT_TRUE(settings->showMoveNote());
    QSignalSpy changed(settings, &SettingsViewModel::changed);
    settings->setSyncAgentHistory(true);
    EXPECT_TRUE(settings->syncAgentHistory());
    EXPECT_GE(changed.count(), 1);
    QCoreApplication::processEvents();
}
