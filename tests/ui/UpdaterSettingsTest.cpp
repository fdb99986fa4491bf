#include "UiTestData.h"
#include "support/FakeAppUpdater.h"
#include "support/FakeDependencies.h"
#include "ui/SettingsViewModel.h"
#include "ui/UpdaterViewModel.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace tovi;
using namespace tovi::testing;

TEST(UpdaterViewModel, FollowsCanCheckAndReadsAutomaticChecksOnce) {
    FakeAppUpdater updater;
    updater.m_checks = true;
    updater.m_canCheck = true;
    UpdaterViewModel model(&updater);
    EXPECT_TRUE(model.canCheckForUpdates());
    EXPECT_TRUE(model.automaticallyUpdates());

    QSignalSpy spy(&model, &UpdaterViewModel::canCheckForUpdatesChanged);
    updater.setCanCheck(false);
    EXPECT_FALSE(model.canCheckForUpdates());
    EXPECT_EQ(spy.count(), 1);
    model.checkForUpdates(); // disabled: nothing runs
    EXPECT_EQ(updater.checks, 0);
    updater.setCanCheck(true);
    model.checkForUpdates();
    EXPECT_EQ(updater.checks, 1);

    // A later change inside the updater is not mirrored.
    updater.m_checks = false;
    EXPECT_TRUE(model.automaticallyUpdates());
}

TEST(SettingsViewModel, AutomaticUpdatesSwitchCombinesBothHalvesAndSetsThemInOrder) {
    FakeDependencies deps;
    StatusStore store(deps.make());
    FakeAppUpdater updater;
    updater.m_checks = true;

    // Nothing stored for the CLI: the switch shows the updater's own setting.
    {
        UpdaterViewModel model(&updater);
        SettingsViewModel settings(&store, &model);
        EXPECT_TRUE(settings.automaticUpdates());
    }

    // The updater checks automatically but the CLI half is off: the switch is off.
    deps.defaults->setValue(s("autoUpdateCLI"), false);
    UpdaterViewModel model(&updater);
    SettingsViewModel settings(&store, &model);
    EXPECT_FALSE(settings.automaticUpdates());

    QStringList& log = updater.log;
    QObject::connect(&model, &UpdaterViewModel::automaticallyUpdatesChanged, [&] { log << s("model"); });
    QObject::connect(&store, &StatusStore::autoUpdateCLIChanged, [&] {
        log << QStringLiteral("cli=%1").arg(deps.defaults->value(s("autoUpdateCLI")).toBool());
    });

    settings.setAutomaticUpdates(true);
    EXPECT_TRUE(settings.automaticUpdates());
    EXPECT_TRUE(updater.m_checks);
    EXPECT_TRUE(updater.m_downloads);
    EXPECT_EQ(deps.defaults->value(s("autoUpdateCLI")).toBool(), true);
    // The view model was already on, so it has no change to report; the updater calls are
    // always made.
    EXPECT_EQ(log, (QStringList{s("checks=1"), s("downloads=1"), s("cli=1")}));

    log.clear();
    QSignalSpy changed(&settings, &SettingsViewModel::changed);
    settings.setAutomaticUpdates(false);
    EXPECT_EQ(log, (QStringList{s("checks=0"), s("downloads=0"), s("model"), s("cli=0")}));
    EXPECT_FALSE(model.automaticallyUpdates());
    EXPECT_FALSE(store.autoUpdateCLI()); // the store stops updating the CLI on its own
    EXPECT_FALSE(settings.automaticUpdates());
    EXPECT_GE(changed.count(), 1);

    // "Check for Updates…" follows the updater.
    EXPECT_FALSE(settings.canCheckForUpdates());
    settings.checkForUpdates();
    EXPECT_EQ(updater.checks, 0);
    updater.setCanCheck(true);
    EXPECT_TRUE(settings.canCheckForUpdates());
    settings.checkForUpdates();
    EXPECT_EQ(updater.checks, 1);
}
