#include "bridge/ExecutableLocator.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace tovi;
using namespace tovi::test;

namespace {

// One machine layout below a temporary root, none of it the real one. Each row of the table
// says what is found at which candidate ("place=kind", kinds below) and which place wins.
struct Layout {
    QTemporaryDir root;
    QString home() const { return root.filePath(QStringLiteral("home")); }
    QString path(const QString& place) const {
        static const QHash<QString, QString> places{
            {QStringLiteral("app"), QStringLiteral("bundle/Tovi")},
            {QStringLiteral("bundled"), QStringLiteral("bundle/tovi")},
            {QStringLiteral("system"), QStringLiteral("usr-local-bin/tovi")},
            {QStringLiteral("home"), QStringLiteral("home/.local/bin/tovi")},
            {QStringLiteral("brew"), QStringLiteral("opt-homebrew/tovi")},
            {QStringLiteral("linuxbrew"), QStringLiteral("linuxbrew/tovi")},
            {QStringLiteral("path-a"), QStringLiteral("path-a/tovi")},
            {QStringLiteral("path-b"), QStringLiteral("path-b/tovi")},
            {QStringLiteral("cwd"), QStringLiteral("tovi")},
            {QStringLiteral("relative"), QStringLiteral("tovi-rel/tovi")},
            {QStringLiteral("elsewhere"), QStringLiteral("real/tovi")}};
        return root.filePath(places.value(place));
    }
    // exe, plain (not executable), dir, hardlink / symlink (to the application), dangling
    // (a link to nothing), tolink (a link to an executable elsewhere).
    void make(const QString& place, const QString& kind) const {
        const QString at = path(place);
        QDir().mkpath(QFileInfo(at).absolutePath());
        if (kind == u"exe" || kind == u"plain")
            writeFile(at, "x", kind == u"exe" ? kExecutable : kPlain);
        else if (kind == u"dir")
            QDir().mkpath(at);
        else if (kind == u"hardlink")
            EXPECT_EQ(
                ::link(QFile::encodeName(path(u"app"_qs)).constData(), QFile::encodeName(at).constData()), 0);
        else if (kind == u"tolink")
            make(u"elsewhere"_qs, u"exe"_qs);
        if (kind == u"symlink" || kind == u"dangling" || kind == u"tolink") {
            const QString target = kind == u"symlink"  ? path(u"app"_qs)
                                   : kind == u"tolink" ? path(u"elsewhere"_qs)
                                                       : root.filePath(u"gone"_qs);
            EXPECT_TRUE(QFile::link(target, at));
        }
    }
    ExecutableLocator locator() const {
        ExecutableLocator locator;
        locator.applicationExecutable = path(QStringLiteral("app"));
        locator.homeDirectory = home();
        locator.systemCandidates = QStringList{path(QStringLiteral("system"))};
        locator.packageManagerCandidates =
            QStringList{path(QStringLiteral("brew")), path(QStringLiteral("linuxbrew"))};
        // An empty and a relative entry, which would mean the working directory.
        locator.searchPath = QFile::encodeName(root.filePath(QStringLiteral("path-a"))) +
                             "::tovi-rel:" + QFile::encodeName(root.filePath(QStringLiteral("path-b"))) + "/";
        return locator;
    }
};

} // namespace

TEST(ExecutableLocator, TriesCandidatesInOrderAndSkipsTheApplicationItself) {
    const QString allFixed = QStringLiteral(" system=exe home=exe brew=exe linuxbrew=exe");
    const struct {
        QString layout;
        const char* expected; // nullptr: nothing qualifies
    } rows[] = {
        // Beside Tovi, a different file named tovi wins, execute permission or not.
        {u"bundled=exe"_qs + allFixed, "bundled"},
        {u"bundled=plain"_qs + allFixed, "bundled"},
        // A link to the application is the application; a dangling one is nothing.
        {u"bundled=hardlink"_qs + allFixed, "system"},
        {u"bundled=symlink"_qs + allFixed, "system"},
        {u"bundled=dangling"_qs + allFixed, "system"},
        {u"system=plain home=dir linuxbrew=exe"_qs, "linuxbrew"},
        {u"home=tolink brew=exe"_qs, "home"},
        {u"brew=exe linuxbrew=exe path-a=exe"_qs, "brew"},
        {u"brew=plain path-a=exe path-b=exe"_qs, "path-a"},
        {u"path-a=plain path-b=exe"_qs, "path-b"},
        {u"cwd=exe relative=exe system=plain home=dangling"_qs, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.layout.toStdString());
        Layout layout;
        const ScopedCurrentDir cwd(layout.root.path());
        layout.make(QStringLiteral("app"), QStringLiteral("exe"));
        for (const QString& entry : row.layout.split(u' ', Qt::SkipEmptyParts))
            layout.make(entry.section(u'=', 0, 0), entry.section(u'=', 1));
        const std::optional<QString> found = layout.locator().locate();
        if (row.expected)
            EXPECT_EQ(found, layout.path(QString::fromLatin1(row.expected)));
        else
            EXPECT_EQ(found, std::nullopt);
    }
}

TEST(ExecutableLocator, HomeCandidateIsPlainConcatenation) {
    Layout layout;
    layout.make(QStringLiteral("home"), QStringLiteral("exe"));
    ExecutableLocator locator = layout.locator();
    locator.homeDirectory = layout.home() + QLatin1Char('/');
    EXPECT_EQ(locator.locate(), layout.home() + QStringLiteral("//.local/bin/tovi"));
}
