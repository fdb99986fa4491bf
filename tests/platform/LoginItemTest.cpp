#include "platform/XdgAutostartLoginItem.h"
#include "support/TestUtil.h"

#include "BuildConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovi;
using namespace tovi::test;

namespace {

QString entryFile(const QString& configDir) {
    return configDir + QStringLiteral("/autostart/") + QLatin1String(build::appId) +
           QStringLiteral(".desktop");
}

QStringList readLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

// What a session launcher does with an Exec value: undo the string escapes, then the
// quoting, then the %% escape. Written from the desktop-entry rules, independently of the
// code under test.
QStringList parseExec(const QString& value) {
    QString unescaped;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\' && i + 1 < value.size()) {
            const QChar next = value[++i];
            unescaped += next == u's'   ? QChar(u' ')
                         : next == u'n' ? QChar(u'\n')
                         : next == u't' ? QChar(u'\t')
                                        : next;
        } else {
            unescaped += value[i];
        }
    }
    QStringList arguments;
    QString current;
    bool inQuotes = false;
    bool have = false;
    for (qsizetype i = 0; i < unescaped.size(); ++i) {
        const QChar c = unescaped[i];
        if (inQuotes) {
            if (c == u'\\' && i + 1 < unescaped.size())
                current += unescaped[++i];
            else if (c == u'"')
                inQuotes = false;
            else
                current += c;
        } else if (c == u'"') {
            inQuotes = true;
            have = true;
        } else if (c == u' ') {
            if (have)
                arguments << current;
            current.clear();
            have = false;
        } else {
            current += c;
            have = true;
        }
    }
    if (have)
        arguments << current;
    for (QString& argument : arguments)
        argument.replace(QStringLiteral("%%"), QStringLiteral("%"));
    return arguments;
}

QString execValue(const QStringList& lines) {
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("Exec=")))
            return line.mid(5);
    }
    return {};
}

} // namespace

TEST(XdgAutostartLoginItem, EnablingWritesTheEntryAndDisablingRemovesIt) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString config = temp.path() + QStringLiteral("/config");
    XdgAutostartLoginItem item(config, QStringLiteral("/opt/Tovi/tovi-tray"));
    EXPECT_EQ(item.entryPath(), entryFile(config));
    EXPECT_FALSE(item.isEnabled());

    const Status enabled = item.setEnabled(true);
    ASSERT_TRUE(enabled.ok()) << qPrintable(enabled.error().description());
    EXPECT_TRUE(item.isEnabled());
    const QStringList lines = readLines(entryFile(config));
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), QStringLiteral("[Desktop Entry]"));
    for (const char* expected :
         {"Type=Application", "Name=Tovi", "Exec=/opt/Tovi/tovi-tray", "Icon=dev.tovi.Tovi",
          "X-GNOME-Autostart-Delay=3", "X-KDE-autostart-after=panel", "X-LXQt-Need-Tray=true",
          "X-GNOME-Autostart-enabled=true"})
        EXPECT_TRUE(lines.contains(QLatin1String(expected))) << expected;
    EXPECT_TRUE(QDir(config + QStringLiteral("/autostart")).entryList(QDir::Files | QDir::Hidden).size() == 1)
        << "no temporary file left behind";

    // Enabling again rewrites in place; disabling removes; a missing file is already off.
    EXPECT_TRUE(item.setEnabled(true).ok());
    EXPECT_TRUE(item.isEnabled());
    EXPECT_TRUE(item.setEnabled(false).ok());
    EXPECT_FALSE(QFile::exists(entryFile(config)));
    EXPECT_FALSE(item.isEnabled());
    EXPECT_TRUE(item.setEnabled(false).ok());
}

TEST(XdgAutostartLoginItem, EntriesTheSessionWouldSkipReadAsDisabled) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    XdgAutostartLoginItem item(temp.path(), QStringLiteral("/usr/bin/tovi-tray"));
    const QString path = entryFile(temp.path());

    const struct {
        const char* contents;
        bool enabled;
    } cases[] = {
        {"[Desktop Entry]\nType=Application\nExec=x\n", true},
        {"[Desktop Entry]\nHidden=true\n", false},
        {"[Desktop Entry]\nHidden=false\n", true},
        {"[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n", false},
        // Keys of other groups say nothing about the entry itself.
        {"[Desktop Entry]\nExec=x\n[Desktop Action quit]\nHidden=true\nX-GNOME-Autostart-enabled=false\n",
         true},
        {"# Hidden=true\n[Desktop Entry]\nExec=x\n", true},
    };
    for (const auto& c : cases) {
        writeFile(path, c.contents);
        EXPECT_EQ(item.isEnabled(), c.enabled) << c.contents;
    }

    // Switching on over an entry the user hid makes it live again.
    writeFile(path, "[Desktop Entry]\nHidden=true\n");
    ASSERT_TRUE(item.setEnabled(true).ok());
    EXPECT_TRUE(item.isEnabled());
    EXPECT_FALSE(readLines(path).contains(QStringLiteral("Hidden=true")));
}

TEST(XdgAutostartLoginItem, ExecLineStartsExactlyTheExecutable) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString awkward[] = {
        QStringLiteral("/home/u/My Apps/tovi-tray"),
        QStringLiteral("/home/u/100% real/tovi"),
        QStringLiteral("/home/u/$HOME/`x`/tovi"),
        QStringLiteral("/home/u/back\\slash/tovi"),
    };
    for (const QString& executable : awkward) {
        XdgAutostartLoginItem item(temp.path(), executable);
        ASSERT_TRUE(item.setEnabled(true).ok());
        const QString exec = execValue(readLines(item.entryPath()));
        EXPECT_EQ(parseExec(exec), QStringList{executable}) << qPrintable(exec);
    }
}

TEST(XdgAutostartLoginItem, DefaultsComeFromTheEnvironment) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const ScopedEnv config("XDG_CONFIG_HOME", QFile::encodeName(temp.path()));
    std::optional<ScopedEnv> image;
    image.emplace("APPIMAGE", std::nullopt);
    EXPECT_EQ(XdgAutostartLoginItem::defaultConfigDir(), temp.path());
    EXPECT_EQ(XdgAutostartLoginItem().entryPath(), entryFile(temp.path()));
    EXPECT_EQ(XdgAutostartLoginItem::defaultExecutablePath(), QCoreApplication::applicationFilePath());
    // Inside an AppImage the image is what must start, not its temporary mount.
    image.reset();
    image.emplace("APPIMAGE", QByteArray("/home/u/Apps/Tovi-x86_64.AppImage"));
    EXPECT_EQ(XdgAutostartLoginItem::defaultExecutablePath(),
              QStringLiteral("/home/u/Apps/Tovi-x86_64.AppImage"));
}

TEST(XdgAutostartLoginItem, FailuresNameTheFileAndTheReason) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());

    // The config directory is a regular file: nothing can be created beneath it.
    const QString blocker = temp.path() + QStringLiteral("/config");
    writeFile(blocker, "not a directory");
    XdgAutostartLoginItem blocked(blocker, QStringLiteral("/usr/bin/tovi-tray"));
    const Status on = blocked.setEnabled(true);
    ASSERT_FALSE(on.ok());
    EXPECT_EQ(on.error().kind, Error::Kind::Platform);
    EXPECT_EQ(on.error().description(),
              QStringLiteral("Couldn't write %1: Not a directory").arg(entryFile(blocker)));
    EXPECT_FALSE(blocked.isEnabled());
    EXPECT_TRUE(blocked.setEnabled(false).ok()) << "no directory, no entry: already off";
}
