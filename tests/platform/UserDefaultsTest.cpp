#include "QStringPrinter.h"
#include "platform/QSettingsUserDefaults.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovi;
using namespace tovi::test;

TEST(QSettingsUserDefaults, ValuesSurviveARestartWithTheirTypes) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString path = temp.path() + QStringLiteral("/Tovi.conf");
    {
        QSettingsUserDefaults defaults(path);
        EXPECT_FALSE(defaults.value(QStringLiteral("keepAwake")).isValid());
        EXPECT_EQ(defaults.boolValue(QStringLiteral("keepAwake")), std::nullopt);
        EXPECT_EQ(defaults.doubleValue(QStringLiteral("lastCliUpdate")), 0.0);

        defaults.setValue(QStringLiteral("didRegisterLoginItem"), true);
        defaults.setValue(QStringLiteral("keepAwake"), false);
        defaults.setValue(QStringLiteral("lastCliUpdate"), 1700000000.25);
        // Readable at once, before any restart.
        EXPECT_EQ(defaults.boolValue(QStringLiteral("didRegisterLoginItem")), true);
    }
    // Written through without an explicit flush, with the keys at the top level.
    const QByteArray text = readFile(path);
    EXPECT_TRUE(text.contains("didRegisterLoginItem=true")) << text.constData();
    EXPECT_TRUE(text.contains("keepAwake=false")) << text.constData();
    EXPECT_FALSE(text.contains("[Tovi]")) << text.constData();

    QSettingsUserDefaults reopened(path);
    EXPECT_EQ(reopened.boolValue(QStringLiteral("didRegisterLoginItem")), true);
    EXPECT_EQ(reopened.boolValue(QStringLiteral("keepAwake")), false);
    EXPECT_EQ(reopened.doubleValue(QStringLiteral("lastCliUpdate")), 1700000000.25);
    EXPECT_EQ(reopened.boolValue(QStringLiteral("historySync")), std::nullopt);
}

TEST(QSettingsUserDefaults, OnlyTrueAndFalseTextCountAsBooleans) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString path = temp.path() + QStringLiteral("/Tovi.conf");
    writeFile(path, "[General]\n"
                    "autoUpdateCLI=false\n"
                    "keepAwake=yes\n"
                    "historySync=1\n"
                    "didRegisterLoginItem=TRUE\n"
                    "lastCliUpdate=soon\n");
    QSettingsUserDefaults defaults(path);
    EXPECT_EQ(defaults.boolValue(QStringLiteral("autoUpdateCLI")), false);
    EXPECT_EQ(defaults.boolValue(QStringLiteral("keepAwake")), std::nullopt);
    EXPECT_EQ(defaults.boolValue(QStringLiteral("historySync")), std::nullopt);
    EXPECT_EQ(defaults.boolValue(QStringLiteral("didRegisterLoginItem")), std::nullopt);
    EXPECT_EQ(defaults.doubleValue(QStringLiteral("lastCliUpdate")), 0.0);
    // Stored non-boolean values are still there for whoever reads them raw.
    EXPECT_EQ(defaults.value(QStringLiteral("keepAwake")).toString(), QStringLiteral("yes"));
}

TEST(QSettingsUserDefaults, DamagedOrUnreadableFilesReadAsEmpty) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());

    // A file the INI parser gives up on part-way: nothing of it is believed, and the next
    // write starts a clean file rather than carrying the debris along.
    const QString damaged = temp.path() + QStringLiteral("/damaged.conf");
    writeFile(damaged, QByteArray("keepAwake=true\n[General\n\"oops=1\nhistorySync=true\n\xff\xfe\x00", 48));
    {
        QSettingsUserDefaults defaults(damaged);
        EXPECT_FALSE(defaults.value(QStringLiteral("keepAwake")).isValid());
        EXPECT_EQ(defaults.boolValue(QStringLiteral("historySync")), std::nullopt);
        defaults.setValue(QStringLiteral("autoUpdateCLI"), false);
        EXPECT_EQ(defaults.boolValue(QStringLiteral("autoUpdateCLI")), false);
        EXPECT_FALSE(defaults.value(QStringLiteral("keepAwake")).isValid());
    }
    QSettingsUserDefaults repaired(damaged);
    EXPECT_EQ(repaired.boolValue(QStringLiteral("autoUpdateCLI")), false);
    EXPECT_FALSE(repaired.value(QStringLiteral("keepAwake")).isValid());
    EXPECT_FALSE(readFile(damaged).contains("oops"));

    // A directory where the file should be: reads are empty, writes do not crash and are
    // remembered for this run.
    const QString blocked = temp.path() + QStringLiteral("/blocked.conf");
    ASSERT_TRUE(QDir().mkpath(blocked));
    QSettingsUserDefaults unreadable(blocked);
    EXPECT_FALSE(unreadable.value(QStringLiteral("keepAwake")).isValid());
    unreadable.setValue(QStringLiteral("keepAwake"), true);
    EXPECT_EQ(unreadable.boolValue(QStringLiteral("keepAwake")), true);
}
