#include "UiTestData.h"
#include "support/FakeAppUpdater.h"
#include "support/FakeDependencies.h"
#include "ui/SettingsViewModel.h"
#include "ui/UpdaterViewModel.h"

#include <gtest/gtest.h>

using namespace tovi;
using namespace tovi::testing;

// "Automatic updates" is on only when both the application updater and the CLI half are, and
// sets both, the updater first; "Check for Updates…" follows the updater.
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
    EXPECT_FALSE(model.automaticallyUpdates());
    EXPECT_FALSE(store.autoUpdateCLI());

    EXPECT_FALSE(settings.canCheckForUpdates());
    settings.checkForUpdates(); // disabled: nothing runs
    EXPECT_EQ(updater.checks, 0);
    updater.setCanCheck(true);
    EXPECT_TRUE(settings.canCheckForUpdates());
    settings.checkForUpdates();
    EXPECT_EQ(updater.checks, 1);
}
