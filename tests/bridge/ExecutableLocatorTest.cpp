#include "bridge/ExecutableLocator.h"
#include "BridgeTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <unistd.h>

using namespace tovi;
using namespace tovi::test;

namespace {

// One machine layout below a temporary root: the application's folder, a system folder,
// a home folder and two package-manager folders, none of which is the real one.
struct Layout {
    QTemporaryDir root;
    QString app() const { return root.filePath(QStringLiteral("bundle/Tovi")); }
    QString bundled() const { return root.filePath(QStringLiteral("bundle/tovi")); }
    QString system() const { return root.filePath(QStringLiteral("usr-local-bin/tovi")); }
    QString home() const { return root.filePath(QStringLiteral("home")); }
    QString homeCandidate() const { return home() + QStringLiteral("/.local/bin/tovi"); }
    QString brew() const { return root.filePath(QStringLiteral("opt-homebrew/tovi")); }
    QString linuxbrew() const { return root.filePath(QStringLiteral("linuxbrew/tovi")); }
    QString onPathFirst() const { return root.filePath(QStringLiteral("path-a/tovi")); }
    QString onPathSecond() const { return root.filePath(QStringLiteral("path-b/tovi")); }

    ExecutableLocator locator() const {
        ExecutableLocator locator;
        locator.applicationExecutable = app();
        locator.homeDirectory = home();
        locator.systemCandidates = QStringList{system()};
        locator.packageManagerCandidates = QStringList{brew(), linuxbrew()};
        // An empty and a relative entry, which would mean the working directory.
        locator.searchPath = QFile::encodeName(root.filePath(QStringLiteral("path-a"))) +
                             "::tovi-rel:" + QFile::encodeName(root.filePath(QStringLiteral("path-b"))) + "/";
        return locator;
    }
};

void link(const QString& target, const QString& path) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    ASSERT_EQ(::link(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()), 0);
}

void symlink(const QString& target, const QString& path) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    ASSERT_TRUE(QFile::link(target, path));
}

} // namespace

TEST(ExecutableLocator, TriesCandidatesInOrderAndSkipsTheApplicationItself) {
    // The expected pick is one of the layout's paths, or none.
    using Pick = QString (Layout::*)() const;
    struct Case {
        const char* name;
        std::function<void(const Layout&)> arrange;
        Pick expected;
    };
    const auto app = [](const Layout& l) { writeFile(l.app(), "app", kExecutable); };
    const auto allFixed = [](const Layout& l) {
        writeFile(l.system(), "sys", kExecutable);
        writeFile(l.homeCandidate(), "home", kExecutable);
        writeFile(l.brew(), "brew", kExecutable);
        writeFile(l.linuxbrew(), "linuxbrew", kExecutable);
    };

    const Case cases[] = {
        {"a different file named tovi beside Tovi wins over every fixed candidate",
         [&](const Layout& l) {
             app(l);
             writeFile(l.bundled(), "cli", kExecutable);
             allFixed(l);
         },
         &Layout::bundled},
        {"the bundled copy needs no execute permission",
         [&](const Layout& l) {
             app(l);
             writeFile(l.bundled(), "cli", kPlain);
             allFixed(l);
         },
         &Layout::bundled},
        {"a hard link to the application is the application",
         [&](const Layout& l) {
             app(l);
             link(l.app(), l.bundled());
             allFixed(l);
         },
         &Layout::system},
        {"a symbolic link to the application is the application",
         [&](const Layout& l) {
             app(l);
             symlink(l.app(), l.bundled());
             allFixed(l);
         },
         &Layout::system},
        {"both paths links to one file elsewhere",
         [&](const Layout& l) {
             const QString real = l.root.filePath(QStringLiteral("real/Tovi"));
             writeFile(real, "app", kExecutable);
             symlink(real, l.app());
             symlink(real, l.bundled());
             allFixed(l);
         },
         &Layout::system},
        {"an application executable that cannot be examined leaves the bundled copy in",
         [&](const Layout& l) {
             writeFile(l.bundled(), "cli", kExecutable);
             allFixed(l);
         },
         &Layout::bundled},
        {"a dangling bundled link is no candidate",
         [&](const Layout& l) {
             app(l);
             symlink(l.root.filePath(QStringLiteral("gone")), l.bundled());
             allFixed(l);
         },
         &Layout::system},
        {"a non-executable system copy is passed over",
         [&](const Layout& l) {
             app(l);
             writeFile(l.system(), "sys", kPlain);
             writeFile(l.homeCandidate(), "home", kExecutable);
         },
         &Layout::homeCandidate},
        {"a directory is not an executable file",
         [&](const Layout& l) {
             app(l);
             ASSERT_TRUE(QDir().mkpath(l.system()));
             writeFile(l.homeCandidate(), "home", kExecutable);
         },
         &Layout::homeCandidate},
        {"the home copy comes before the package managers",
         [&](const Layout& l) {
             app(l);
             writeFile(l.homeCandidate(), "home", kExecutable);
             writeFile(l.brew(), "brew", kExecutable);
         },
         &Layout::homeCandidate},
        {"Homebrew before Linuxbrew",
         [&](const Layout& l) {
             app(l);
             writeFile(l.brew(), "brew", kExecutable);
             writeFile(l.linuxbrew(), "linuxbrew", kExecutable);
         },
         &Layout::brew},
        {"Linuxbrew last",
         [&](const Layout& l) {
             app(l);
             writeFile(l.brew(), "brew", kPlain);
             writeFile(l.linuxbrew(), "linuxbrew", kExecutable);
         },
         &Layout::linuxbrew},
        {"every fixed candidate comes before PATH",
         [&](const Layout& l) {
             app(l);
             writeFile(l.linuxbrew(), "linuxbrew", kExecutable);
             writeFile(l.onPathFirst(), "path", kExecutable);
         },
         &Layout::linuxbrew},
        {"PATH is searched in its order after the fixed candidates",
         [&](const Layout& l) {
             app(l);
             writeFile(l.brew(), "brew", kPlain);
             writeFile(l.onPathFirst(), "path-a", kExecutable);
             writeFile(l.onPathSecond(), "path-b", kExecutable);
         },
         &Layout::onPathFirst},
        {"a non-executable file on PATH is passed over",
         [&](const Layout& l) {
             app(l);
             writeFile(l.onPathFirst(), "path-a", kPlain);
             writeFile(l.onPathSecond(), "path-b", kExecutable);
         },
         &Layout::onPathSecond},
        {"a symbolic link to an executable qualifies",
         [&](const Layout& l) {
             app(l);
             const QString real = l.root.filePath(QStringLiteral("real/tovi"));
             writeFile(real, "cli", kExecutable);
             symlink(real, l.homeCandidate());
         },
         &Layout::homeCandidate},
        {"nothing qualifies, not even a tovi in the working directory's relative PATH entries",
         [&](const Layout& l) {
             app(l);
             writeFile(l.root.filePath(QStringLiteral("tovi")), "cwd", kExecutable);
             writeFile(l.root.filePath(QStringLiteral("tovi-rel/tovi")), "relative", kExecutable);
             writeFile(l.system(), "sys", kPlain);
             symlink(l.root.filePath(QStringLiteral("gone")), l.homeCandidate());
         },
         nullptr},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Layout layout;
        ASSERT_TRUE(layout.root.isValid());
        const ScopedCurrentDir cwd(layout.root.path());
        c.arrange(layout);
        const std::optional<QString> found = layout.locator().locate();
        if (c.expected)
            EXPECT_EQ(found, (layout.*c.expected)());
        else
            EXPECT_EQ(found, std::nullopt);
    }
}

TEST(ExecutableLocator, ApplicationNamedToviIsNeverItsOwnCli) {
    Layout layout;
    const QString self = layout.root.filePath(QStringLiteral("bundle/tovi"));
    writeFile(self, "app", kExecutable);
    writeFile(layout.system(), "sys", kExecutable);
    ExecutableLocator locator = layout.locator();
    locator.applicationExecutable = self;
    EXPECT_EQ(locator.locate(), layout.system());
}

TEST(ExecutableLocator, HomeCandidateIsPlainConcatenationAndNothingIsCached) {
    Layout layout;
    writeFile(layout.app(), "app", kExecutable);
    ExecutableLocator locator = layout.locator();
    locator.homeDirectory = layout.home() + QLatin1Char('/');
    EXPECT_EQ(locator.locate(), std::nullopt);

    writeFile(layout.homeCandidate(), "home", kExecutable);
    EXPECT_EQ(locator.locate(), layout.home() + QStringLiteral("//.local/bin/tovi"));

    ASSERT_TRUE(QFile::remove(layout.homeCandidate()));
    EXPECT_EQ(locator.locate(), std::nullopt);
}

TEST(ExecutableLocator, AHomeWhoseNameIsNotUtf8IsUsedByteForByte) {
    Layout layout;
    writeFile(layout.app(), "app", kExecutable);
    const QByteArray home = QFile::encodeName(layout.root.path()) + "/h\xe9me\xff";
    writeNativeScript(home + "/.local/bin/tovi", "exit 0");
    const ScopedEnv homeEnv("HOME", home);
    ExecutableLocator locator = layout.locator();
    locator.homeDirectory.reset();
    ASSERT_TRUE(locator.locate().has_value()) << "not found under the home directory";
    EXPECT_EQ(locator.locateNative(), home + "/.local/bin/tovi");
}
