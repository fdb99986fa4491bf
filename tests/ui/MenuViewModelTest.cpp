// Which parts show when and where actions go; texts (StatusTexts) and rows (SpacesListModel) only arrive.
#include "ui/MenuViewModel.h"
#include "UiTestData.h"
#include "store/CLICommands.h"
#include "support/FakeAppUpdater.h"
#include "support/FakeDependencies.h"
#include "ui/SpacesListModel.h"
#include "ui/UpdaterViewModel.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>

using namespace tovi;
using namespace tovi::testing;

namespace {

InternalStatus signedInStatus() {
    InternalStatus status =
        statusWithNodes({node(s("n1"), s("Laptop"), QList<Space>{readySpace(s("sp-1"), s("Blog"))}),
                         node(s("n2"), s("Server"), QList<Space>{}, false)},
                        2);
    status.account = Account{.name = s("Ann"), .team = s("Acme")};
    status.cli = CLIInfo{s("1.4.0"), s("1.5.0"), std::nullopt};
    return status;
}

// A store fed by a scripted status source, with the window's presentation on top.
struct Fixture {
    void refresh() { QCoro::waitFor(store.refresh()); }
    void show(InternalStatus status) {
        deps.source->setResult(std::move(status));
        refresh();
    }
    void bootstrap() { QCoro::waitFor(TaskHandle::wait(store.startBootstrap())); }
    QList<QUrl> opened() const { return deps.browser->opened(); }
    static QVariant banner(const QString& message, bool retry) {
        return QVariantMap{{s("message"), message}, {s("hasRetry"), retry}};
    }

    FakeDependencies deps;
    // The source must exist before the store takes its dependencies.
    bool sourceReady = (deps.useFakeSource().setResult(signedInStatus()), true);
    QDateTime now = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    StatusStore store{deps.make()};
    MenuViewModel menu{&store, nullptr, [this] { return now; }};
    HeaderViewModel* header = menu.header();
    BodyViewModel* body = menu.body();
    SpacesViewModel* spaces = body->spaces();
    AccountMenuViewModel* account = menu.accountMenu();
    FooterViewModel* footer = menu.footer();
};

} // namespace

TEST(MenuViewModel, NothingLoadedYetShowsLoadingOrWhyNot) {
    Fixture f;
    EXPECT_EQ(f.header->identityTitle(), s("Not signed in"));
    EXPECT_EQ(f.spaces->form(), s("loading"));
    EXPECT_FALSE(f.footer->showNotifications() || f.footer->showNodeCount());
    // Loading that cannot finish by itself says why instead of spinning.
    f.deps.source->setResult(Error::cliNotFound());
    f.refresh();
    EXPECT_EQ(f.spaces->unavailableText(), s("Couldn't find the tovi CLI."));
    f.show(InternalStatus{.partial = true,
                          .errors = QList<StatusSectionError>{{s("usage"), s("usage: timed out")},
                                                              {s("spaces"), s("<b>x</b>")}}});
    EXPECT_EQ(f.spaces->unavailableText(), s("<b>x</b>"));
    EXPECT_TRUE(f.footer->showPartialWarning());
    f.show(signedInStatus());
    EXPECT_EQ(f.spaces->unavailableText(), s(""));
}

// Closed, nothing recomputes; opening recomputes once; the same snapshot again tells nothing.
TEST(MenuViewModel, SignedInSnapshotFillsHeaderListAndStatusRowOnceOpen) {
    Fixture f;
    f.menu.setActive(false);
    QSignalSpy header(f.header, &HeaderViewModel::changed);
    QSignalSpy account(f.account, &AccountMenuViewModel::changed);
    QSignalSpy spaces(f.spaces, &SpacesViewModel::changed);
    QSignalSpy footer(f.footer, &FooterViewModel::changed);
    const auto expectChanges = [&](qsizetype n) {
        for (const QSignalSpy* spy : {&header, &account, &spaces, &footer})
            EXPECT_EQ(spy->count(), n) << spy->signal().toStdString();
    };
    f.refresh();
    expectChanges(0);
    f.menu.setActive(true);
    expectChanges(1);
    f.refresh();
    expectChanges(1);
    EXPECT_EQ(QStringList({f.header->title(), f.header->windowTitle(), f.header->identityTitle()}),
              QStringList({s("Acme"), s("Tovi \u2014 Acme"), s("Ann (Acme)")}));
    EXPECT_EQ(f.spaces->form(), s("search"));
    EXPECT_EQ(f.spaces->model()->rowCount(), 2);
    EXPECT_EQ(QStringList({f.footer->serviceText(), f.footer->cliVersion(), f.footer->nodeCountText(),
                           f.footer->notificationsCountText()}),
              QStringList({s("Service running"), s("1.4.0"), s("1/2 Nodes"), s("2")}));
    EXPECT_TRUE(f.footer->upgradeUpdateForm());
    // A blank team name would leave a dangling dash in task switchers.
    InternalStatus noTeam = signedInStatus();
    noTeam.account->team = s(" ");
    f.show(noTeam);
    EXPECT_EQ(f.header->windowTitle(), s("Tovi"));
    // The dark appearance swaps the mark and recolours.
    f.menu.setDark(true);
    EXPECT_EQ(f.header->markSource(), QUrl(s("qrc:/assets/ToviMarkDark.svg")));
    EXPECT_EQ(f.footer->serviceDotColor(), statusColor(StatusColor::green, true));
}

TEST(MenuViewModel, SignedOutOffersSignInAndReopensOnlyAWebAddress) {
    Fixture f;
    f.show(InternalStatus{.authenticated = false});
    EXPECT_TRUE(f.body->signedOut() && f.account->showSignIn());
    EXPECT_FALSE(f.account->showSignOut() || f.footer->showNotifications());
    f.body->createAccount();
    EXPECT_EQ(f.opened().value(0), QUrl(s("https://tovi.test/create-account")));
    auto gate = f.deps.runner->gate(CLICommands::claim({}, {}).first(2));
    f.deps.runner->replyPrefix(CLICommands::login({}).first(2),
                               FakeRunner::ok(R"({"token":"t","url":"https://tovi.test/approve/1"})"));
    f.body->signIn();
    ASSERT_TRUE(f.body->awaitingApproval());
    EXPECT_TRUE(f.body->showReopenLink());
    f.body->reopenApprovalPage();
    EXPECT_EQ(f.opened().size(), 3);
    f.body->cancelSignIn();
    EXPECT_FALSE(f.body->showReopenLink());
    f.body->reopenApprovalPage(); // nothing to reopen any more
    EXPECT_EQ(f.opened().size(), 3);
    gate->open();
}

TEST(MenuViewModel, AccountsSectionListsProfilesAndAddingOneTrimsOnlySpacesAndTabs) {
    Fixture f;
    f.refresh();
    f.deps.runner->reply(profileListArguments(), FakeRunner::ok(R"([])"));
    QCoro::waitFor(f.store.loadProfiles());
    EXPECT_FALSE(f.account->showAccounts() || !f.account->removableAccounts().isEmpty());
    f.deps.runner->reply(profileListArguments(),
                         FakeRunner::ok(R"([{"name":"default","active":true,"team":"Acme"},
                                            {"name":"work","email":"ann@work.test","team":""}])"));
    f.menu.setActive(true); // opening reloads the profiles
    QCoreApplication::processEvents();
    ASSERT_TRUE(f.account->showAccounts());
    const auto row = [](const char* text, bool current, const char* name) {
        return QVariant(QVariantMap{
            {s("text"), s(text)}, {s("checked"), current}, {s("enabled"), !current}, {s("name"), s(name)}});
    };
    EXPECT_EQ(f.account->accounts(), (QVariantList{row("default — Acme", true, "default"),
                                                   row("work — ann@work.test", false, "work")}));
    EXPECT_EQ(f.account->removableAccounts(), (QStringList{s("default"), s("work")}));
    f.account->switchProfile(s("work"));
    f.account->removeProfile(s("default"));
    f.account->signOut();
    QCoreApplication::processEvents();
    for (const QStringList& command : {CLICommands::profileUse(s("work")),
                                       CLICommands::profileRemove(s("default")), CLICommands::logout()})
        EXPECT_EQ(f.deps.runner->count(command), 1) << command.join(u' ').toStdString();
    EXPECT_EQ(AccountMenuViewModel::trimmedProfileName(s(" \twork \t")), s("work"));
    EXPECT_EQ(AccountMenuViewModel::trimmedProfileName(s("\nwork\n")), s("\nwork\n"));
    EXPECT_FALSE(f.account->addAccount(s(" \t ")));
    EXPECT_EQ(f.store.signInTask(), nullptr);
}

TEST(MenuViewModel, PagesOpenOnlyWithAnAddress) {
    Fixture f;
    f.deps.runner->reply(accountMeArguments(), FakeRunner::fail(1, s("offline")));
    f.refresh();
    // Service pages never need the team; team pages do, and open nothing without one.
    f.header->openUsage();
    f.account->openServicePage(s("/credits"));
    f.footer->openNodes();
    f.footer->openNotifications();
    f.spaces->open(1);
    EXPECT_EQ(f.opened(),
              (QList<QUrl>{QUrl(s("https://tovi.test/usage")), QUrl(s("https://tovi.test/credits"))}));
    f.deps.runner->reply(accountMeArguments(), FakeRunner::ok(R"({"id":"u1","team_id":"team-1"})"));
    f.refresh();
    f.footer->openNodes();
    f.footer->openNotifications();
    f.spaces->open(0);  // node header
    f.spaces->open(1);  // space row
    f.spaces->open(99); // out of range: ignored
    const QString team = s("https://tovi.test/team/team-1/");
    EXPECT_EQ(f.opened().mid(2), (QList<QUrl>{QUrl(team + s("nodes")), QUrl(team + s("notifications")),
                                              QUrl(team + s("nodes")), QUrl(team + s("spaces/sp-1"))}));
}

TEST(MenuViewModel, FooterBannersFollowTheStoreMessages) {
    Fixture f;
    f.refresh();
    f.deps.source->setResult(Error::decode(s("spaces: expected a list")));
    f.refresh();
    EXPECT_EQ(f.footer->banners(), QVariantList{f.banner(s("spaces: expected a list"), false)});
    // A failed set-up comes first and offers a retry, which runs the set-up again.
    f.deps.runner->setInstalled(false);
    f.deps.runner->replyShell(FakeRunner::fail(7, s("curl: could not resolve host")));
    f.bootstrap();
    ASSERT_EQ(f.footer->banners().size(), 2);
    EXPECT_EQ(f.footer->banners().at(0), f.banner(f.store.bootstrapState().message, true));
    f.footer->retryBootstrap();
    QCoreApplication::processEvents();
    EXPECT_EQ(f.deps.runner->shellLines().size(), 2);
    // A script that leaves no CLI to find: one banner saying so, with Retry.
    f.deps.runner->replyShell(FakeRunner::ok());
    f.deps.source->setResult(Error::cliNotFound());
    f.bootstrap();
    EXPECT_EQ(f.footer->banners(), QVariantList{f.banner(s("Couldn't find the tovi CLI."), true)});
}

TEST(MenuViewModel, ControlsRowFollowsServiceMaintenanceAndTheClock) {
    Fixture f;
    f.deps.setDaemon(DaemonState::stopped());
    f.refresh();
    EXPECT_EQ(f.footer->serviceDotColor(), f.menu.colors()->red());
    EXPECT_TRUE(f.footer->showStart() && !f.footer->showSpinner());
    // While the store maintains, the spinner replaces "Start" and upgrading is disabled.
    auto gate = f.deps.runner->gate(CLICommands::install());
    f.footer->upgrade();
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.footer->showSpinner());
    EXPECT_FALSE(f.footer->showStart() || f.footer->upgradeEnabled());
    f.footer->upgrade(); // a stale click while disabled
    EXPECT_EQ(f.deps.runner->count(CLICommands::install()), 1);
    gate->open();
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.footer->upgradeEnabled() && f.footer->showMaintenanceMessage());
    f.now = f.deps.clock->now().addSecs(120);
    f.menu.setActive(true);
    EXPECT_EQ(f.footer->refreshTooltip(), s("Last refreshed 2 minutes ago"));
}

// What each switch stores, and how, belongs to the store's tests; here what the switches show.
TEST(MenuViewModel, SettingsShowTheStoreAndNoteWhatTheDesktopRefuses) {
    Fixture f;
    SettingsViewModel* settings = f.menu.settings();
    QSignalSpy changed(settings, &SettingsViewModel::changed);
    settings->setKeepAwake(true);
    EXPECT_TRUE(settings->keepAwake());
    // No inhibitor on this desktop holds it: the switch says so until one does.
    EXPECT_EQ(settings->keepAwakeNote(), QString());
    f.deps.keepAwake->settle(false);
    EXPECT_EQ(settings->keepAwakeNote(),
              s("No power manager on this desktop lets Tovi keep the computer awake."));
    settings->setKeepAwake(false);
    settings->setKeepAwake(true);
    f.deps.keepAwake->settle(true);
    EXPECT_EQ(settings->keepAwakeNote(), QString());
    settings->setOpenAtLogin(true);
    settings->setSyncAgentHistory(true);
    EXPECT_TRUE(settings->openAtLogin() && settings->syncAgentHistory() && !settings->showMoveNote());
    const qsizetype before = changed.count();
    f.store.setLaunchAtLogin(false); // the store's own change, not the switch's: the switch follows
    QCoreApplication::processEvents();
    EXPECT_TRUE(changed.count() > before && !settings->openAtLogin());
    *f.deps.location = AppLocation::temporary;
    EXPECT_TRUE(settings->showMoveNote());
    EXPECT_GE(changed.count(), 1);
    QCoreApplication::processEvents();
}

// "Automatic updates": on when both halves are, sets both, the updater first.
TEST(SettingsViewModel, AutomaticUpdatesSwitchCombinesBothHalvesAndSetsThemInOrder) {
    FakeDependencies deps;
    StatusStore store(deps.make());
    FakeAppUpdater updater;
    updater.m_checks = true;
    deps.defaults->setValue(s("autoUpdateCLI"), false);
    UpdaterViewModel model(&updater);
    SettingsViewModel settings(&store, &model);
    EXPECT_FALSE(settings.automaticUpdates());
    QObject::connect(&store, &StatusStore::autoUpdateCLIChanged, [&] { updater.log << s("cli"); });
    settings.setAutomaticUpdates(true);
    EXPECT_TRUE(settings.automaticUpdates());
    EXPECT_EQ(updater.log, (QStringList{s("checks=1"), s("downloads=1"), s("cli")}));
    settings.setAutomaticUpdates(false);
    EXPECT_FALSE(model.automaticallyUpdates() || store.autoUpdateCLI());
    EXPECT_FALSE(settings.canCheckForUpdates());
    settings.checkForUpdates(); // disabled: nothing runs
    EXPECT_EQ(updater.checks, 0);
    updater.setCanCheck(true);
    EXPECT_TRUE(settings.canCheckForUpdates());
    settings.checkForUpdates();
    EXPECT_EQ(updater.checks, 1);
}
