#include "bridge/AppLocationProbe.h"
#include "support/TestUtil.h"

#include <QCoreApplication>
#include <QDir>

#include <gtest/gtest.h>

using namespace tovi;
using namespace tovi::test;

TEST(AppLocation, PathsClassifyInOrder) {
    const QString home = QStringLiteral("/home/ada");
    struct Case {
        QString path;
        AppLocation expected;
    };
    const Case cases[] = {
        {QStringLiteral("/Applications/Tovi.app"), AppLocation::applicationsFolder},
        {QStringLiteral("/Volumes/Tovi/Tovi.app"), AppLocation::temporary},
        {QStringLiteral("/private/var/folders/x1/T/AppTranslocation/4F2/d/Tovi.app"), AppLocation::temporary},
        {home + QStringLiteral("/Downloads/Tovi.app"), AppLocation::elsewhere},
        {QStringLiteral("/applications/Tovi.app"), AppLocation::elsewhere},
        {QStringLiteral("/Applications"), AppLocation::elsewhere},
        {QStringLiteral("/home/adam/Applications/Tovi.app"), AppLocation::elsewhere},
        // Linux: an AppImage's mount and /tmp do not persist.
        {QStringLiteral("/tmp/.mount_ToviXy12/usr/bin"), AppLocation::temporary},
        {QStringLiteral("/tmp/Tovi.AppImage"), AppLocation::temporary},
        {QStringLiteral("/tmpfiles/Tovi"), AppLocation::elsewhere},
        // Linux: package-managed, /opt bundles and per-user installs.
        {QStringLiteral("/usr/bin"), AppLocation::applicationsFolder},
        {QStringLiteral("/usr"), AppLocation::elsewhere},
        {QStringLiteral("/opt/tovi/bin"), AppLocation::applicationsFolder},
        {home + QStringLiteral("/.local/bin"), AppLocation::applicationsFolder},
        {home + QStringLiteral("/Applications/Tovi.AppImage"), AppLocation::applicationsFolder},
        {QStringLiteral("/home/adam/.local/bin"), AppLocation::elsewhere},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(classifyAppLocation(c.path, home), c.expected);
    }
}

TEST(AppLocation, BundlePathIsTheAppImageWhenThereIsOne) {
    {
        const ScopedEnv appImage("APPIMAGE", QByteArray("/tmp/Tovi-x86_64.AppImage"));
        EXPECT_EQ(currentBundlePath(), QStringLiteral("/tmp/Tovi-x86_64.AppImage"));
        EXPECT_EQ(currentAppLocation(), AppLocation::temporary);
    }
    {
        const ScopedEnv home("HOME", QByteArray("/home/ada"));
        const ScopedEnv appImage("APPIMAGE", QByteArray("/home/ada/Applications/Tovi.AppImage"));
        EXPECT_EQ(currentAppLocation(), AppLocation::applicationsFolder);
    }
    const ScopedEnv appImage("APPIMAGE", std::nullopt);
    EXPECT_EQ(currentBundlePath(), QCoreApplication::applicationDirPath());
}
