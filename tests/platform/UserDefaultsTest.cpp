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

    // Only true and false, as written, are booleans; the rest stays readable raw.
    const QString written = temp.path() + QStringLiteral("/Written.conf");
    writeFile(written, "[General]\nkeepAwake=yes\nhistorySync=1\nautoUpdateCLI=TRUE\nlastCliUpdate=soon\n");
    QSettingsUserDefaults words(written);
    for (const char* key : {"keepAwake", "historySync", "autoUpdateCLI"})
        EXPECT_EQ(words.boolValue(QString::fromLatin1(key)), std::nullopt) << key;
    EXPECT_EQ(words.doubleValue(QStringLiteral("lastCliUpdate")), 0.0);
    EXPECT_EQ(words.value(QStringLiteral("keepAwake")).toString(), QStringLiteral("yes"));
}

TEST(QSettingsUserDefaults, ADamagedFileKeepsWhatCouldBeReadAndIsSetAsideBeforeItIsRewritten) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());

    // The user's choices around an unterminated section header.
    const QString damaged = temp.path() + QStringLiteral("/Tovi.conf");
    const QByteArray original =
        "[General]\ndidRegisterLoginItem=true\nhistorySync=true\nautoUpdateCLI=false\n"
        "[updater\nlastCliUpdate=1700000000\n[updater]\nautomaticallyChecksForUpdates=false\n";
    writeFile(damaged, original);
    {
        QSettingsUserDefaults defaults(damaged);
        EXPECT_EQ(defaults.boolValue(QStringLiteral("didRegisterLoginItem")), true);
        EXPECT_EQ(defaults.boolValue(QStringLiteral("historySync")), true);
        EXPECT_EQ(defaults.boolValue(QStringLiteral("autoUpdateCLI")), false);
        EXPECT_EQ(defaults.boolValue(QStringLiteral("updater/automaticallyChecksForUpdates")), false);
        ASSERT_TRUE(defaults.notice().has_value());
        EXPECT_TRUE(defaults.notice()->contains(defaults.damagedCopyPath()))
            << defaults.notice()->toStdString();
        EXPECT_EQ(readFile(defaults.damagedCopyPath()), original);

        EXPECT_TRUE(defaults.setValue(QStringLiteral("keepAwake"), true).ok());
    }
    QSettingsUserDefaults rewritten(damaged);
    EXPECT_EQ(rewritten.notice(), std::nullopt);
    EXPECT_EQ(rewritten.boolValue(QStringLiteral("keepAwake")), true);
    EXPECT_EQ(rewritten.boolValue(QStringLiteral("didRegisterLoginItem")), true);
    EXPECT_EQ(rewritten.boolValue(QStringLiteral("historySync")), true);
    EXPECT_EQ(rewritten.boolValue(QStringLiteral("autoUpdateCLI")), false);
    EXPECT_EQ(rewritten.boolValue(QStringLiteral("updater/automaticallyChecksForUpdates")), false);
    EXPECT_EQ(readFile(rewritten.damagedCopyPath()), original) << "the copy was replaced by the clean file";
}

TEST(QSettingsUserDefaults, AWriteThatCannotBeSavedSaysSoAndHoldsForThisRun) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    // A directory where the file should be, and a file where its directory should be: root
    // ignores permission bits, not these.
    const QString blocked = temp.path() + QStringLiteral("/blocked.conf");
    ASSERT_TRUE(QDir().mkpath(blocked));
    writeFile(temp.path() + QStringLiteral("/plain"), "keepAwake=true\n");
    for (const QString& path : {blocked, temp.path() + QStringLiteral("/plain/Tovi.conf")}) {
        SCOPED_TRACE(path.toStdString());
        QSettingsUserDefaults unwritable(path);
        EXPECT_FALSE(unwritable.value(QStringLiteral("keepAwake")).isValid());
        const Status first = unwritable.setValue(QStringLiteral("keepAwake"), true);
        ASSERT_FALSE(first.ok());
        EXPECT_EQ(first.error().description(),
                  QStringLiteral("Couldn't save Tovi's settings to ") + path + QLatin1Char('.'));
        EXPECT_FALSE(unwritable.setValue(QStringLiteral("historySync"), true).ok())
            << "a later write passed for saved";
        EXPECT_EQ(unwritable.boolValue(QStringLiteral("keepAwake")), true);
    }
}
