#include "UiTestData.h"
#include "ui/ColorScheme.h"
#include "ui/SpacesListModel.h"
#include "ui/SpacesSearch.h"
#include "ui/Symbols.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace tovi;
using namespace tovi::testing;

namespace {

QStringList names(const QList<SpaceNodeSearchResult>& results) {
    QStringList out;
    for (const SpaceNodeSearchResult& group : results) {
        out << group.node->name;
        for (const Space* space : group.spaces)
            out << QStringLiteral("  ") + space->name;
    }
    return out;
}

QList<SpaceNode> sampleNodes() {
    return {
        node(s("n1"), s("Laptop"),
             QList<Space>{readySpace(s("a"), s("Blog")), readySpace(s("b"), s("Résumé"))}),
        node(s("n2"), s("Build box"), QList<Space>{}),
        node(s("n3"), s("Server"), std::nullopt, false),
        node(s("n4"), s("Cloud"),
             QList<Space>{readySpace(s("c"), s("API docs")), readySpace(s("d"), s("blog-2"))}),
    };
}

} // namespace

TEST(SpacesSearch, ScreenFormFollowsTheSnapshot) {
    EXPECT_EQ(spacesForm(std::nullopt), SpacesForm::loading);
    InternalStatus status;
    EXPECT_EQ(spacesForm(status), SpacesForm::loading);
    status.spaces = SpacesSection{};
    EXPECT_EQ(spacesForm(status), SpacesForm::loading);
    status.spaces->nodes = QList<SpaceNode>{};
    EXPECT_EQ(spacesForm(status), SpacesForm::empty);
    status.spaces->nodes =
        QList<SpaceNode>{node(s("n"), s("A"), std::nullopt), node(s("m"), s("B"), QList<Space>{})};
    EXPECT_EQ(spacesForm(status), SpacesForm::empty);
    status.spaces->nodes->append(node(s("o"), s("C"), QList<Space>{readySpace(s("x"), s("X"))}));
    EXPECT_EQ(spacesForm(status), SpacesForm::search);
}

TEST(SpacesSearch, QueryMatchesNodeOrSpaceNamesIgnoringCaseAndSurroundingBlanks) {
    const QList<SpaceNode> nodes = sampleNodes();
    auto run = [&](const char* text) { return names(searchAll(nodes, normalizedQuery(s(text)))); };

    // Empty (or blank) query: nodes without spaces are left out.
    const QStringList everything{s("Laptop"), s("  Blog"),     s("  Résumé"),
                                 s("Cloud"),  s("  API docs"), s("  blog-2")};
    EXPECT_EQ(run(""), everything);
    EXPECT_EQ(run("  \t\n "), everything);

    // Space names, in node order, case-insensitively.
    EXPECT_EQ(run("BLOG"), (QStringList{s("Laptop"), s("  Blog"), s("Cloud"), s("  blog-2")}));
    EXPECT_EQ(run(" résumé\n"), (QStringList{s("Laptop"), s("  Résumé")}));
    EXPECT_EQ(run("RÉSUMÉ"), (QStringList{s("Laptop"), s("  Résumé")}));

    // A node name match lists all of its spaces, or only its header when it has none.
    EXPECT_EQ(run("laptop"), (QStringList{s("Laptop"), s("  Blog"), s("  Résumé")}));
    EXPECT_EQ(run("build"), (QStringList{s("Build box")}));
    EXPECT_EQ(run("serv"), (QStringList{s("Server")}));

    // Ids are not searched.
    EXPECT_TRUE(run("n1").isEmpty());
    EXPECT_TRUE(run("zzz").isEmpty());
}

TEST(SpacesSearch, ListHeightAddsRowsAndCapsAtTheMaximum) {
    QList<Space> two{readySpace(s("a"), s("A")), readySpace(s("b"), s("B"))};
    QList<Space> one{readySpace(s("c"), s("C"))};
    const QList<SpaceNode> nodes{node(s("1"), s("N1"), two), node(s("2"), s("N2"), two),
                                 node(s("3"), s("N3"), one)};
    EXPECT_DOUBLE_EQ(listHeight(searchAll(nodes, QString())), 299.0);
    EXPECT_DOUBLE_EQ(listHeight({}), 0.0);

    QList<Space> many;
    for (int i = 0; i < 10; ++i)
        many << readySpace(QString::number(i), QString::number(i));
    const QList<SpaceNode> big{node(s("1"), s("N1"), many)};
    EXPECT_DOUBLE_EQ(listHeight(searchAll(big, QString())), 406.0);
    EXPECT_DOUBLE_EQ(listHeight(searchAll(big, QString()), 10, 20, 1000), 10 + 10 * 21.0);
}

TEST(SpacesSearch, SymbolForMatchesIconNamesExactly) {
    // One icon of each family; exact prefix and case only.
    const std::pair<const char*, const char*> table[] = {
        {"mdi:console-line", "terminal"},
        {"mdi:code-tags", "chevron.left.forwardslash.chevron.right"},
        {"mdi:desktop-classic", "display"},
        {"mdi:chat-outline", "text.bubble"},
        {"mdi:earth-arrow-right", "globe"},
        {"mdi:database-outline", "server.rack"},
        {"mdi:view-grid-outline", "square.stack.3d.up"},
        {"mdi:lightning-bolt", "bolt"},
        {"mdi:robot-outline", "cpu"},
        {"MDI:console", "square.dashed"},
        {"mdi:Terminal", "square.dashed"},
        {"mdi:folder", "square.dashed"},
        {" mdi:web", "square.dashed"},
        {"", "square.dashed"},
    };
    for (const auto& [icon, symbol] : table) {
        EXPECT_EQ(symbolFor(s(icon)), s(symbol)) << icon;
        // Every symbol the list can show has its own glyph.
        EXPECT_TRUE(Symbols::isKnown(s(symbol))) << symbol;
    }
    EXPECT_EQ(symbolFor(std::nullopt), s("square.dashed"));
}

TEST(Symbols, GlyphsAreDistinctCodePointsOfTheIconFont) {
    const QStringList used{s("ellipsis.circle"),
                           s("checkmark"),
                           s("bell"),
                           s("bell.badge.fill"),
                           s("magnifyingglass"),
                           s("xmark.circle.fill"),
                           s("exclamationmark.triangle.fill"),
                           s("exclamationmark.triangle"),
                           s("arrow.up.circle"),
                           s("arrow.triangle.2.circlepath"),
                           s("terminal"),
                           s("chevron.left.forwardslash.chevron.right"),
                           s("display"),
                           s("text.bubble"),
                           s("globe"),
                           s("server.rack"),
                           s("square.stack.3d.up"),
                           s("bolt"),
                           s("cube"),
                           s("video"),
                           s("hammer"),
                           s("folder"),
                           s("cpu"),
                           s("square.dashed")};
    QSet<QString> glyphs;
    for (const QString& name : used) {
        ASSERT_TRUE(Symbols::isKnown(name)) << name.toStdString();
        const QString glyph = Symbols::glyph(name);
        ASSERT_EQ(glyph.size(), 1);
        EXPECT_GE(glyph.at(0).unicode(), 0xe000) << name.toStdString(); // private use area
        glyphs.insert(glyph);
    }
    EXPECT_EQ(glyphs.size(), used.size());
    EXPECT_EQ(Symbols::glyph(s("no.such.symbol")), Symbols::glyph(s("square.dashed")));
}

TEST(SpacesListModel, FlattensGroupsIntoHeaderAndSpaceRows) {
    ColorScheme colors;
    colors.setSecondary(QColor(Qt::gray));
    SpacesListModel model(&colors);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    QList<Space> spaces{readySpace(s("s1"), s("Blog"), s("mdi:web")), Space{}};
    spaces[1].id = s("s2");
    spaces[1].name = s("Worker");
    spaces[1].indicator = s("attention");
    spaces[1].indicatorLabel = s("Disk full");
    InternalStatus status = statusWithNodes(
        {node(s("n1"), s("Laptop"), spaces, true), node(s("n2"), s("Idle"), QList<Space>{}, false),
         node(s("n3"), s("Desk"), QList<Space>{readySpace(s("s3"), s("Wiki"))}, false)});
    model.setStatus(status);

    ASSERT_EQ(model.rowCount(), 5); // "Idle" has no spaces and is left out
    auto at = [&](int row, int role) { return model.data(model.index(row), role); };
    EXPECT_EQ(at(0, SpacesListModel::KindRole).toString(), s("node"));
    EXPECT_EQ(at(0, SpacesListModel::TitleRole).toString(), s("Laptop"));
    EXPECT_EQ(at(0, SpacesListModel::TooltipRole).toString(), s("View nodes"));
    EXPECT_EQ(at(0, SpacesListModel::DotColorRole).value<QColor>(), colors.green());
    EXPECT_EQ(at(0, SpacesListModel::RowHeightRole).toDouble(), 28.0);
    EXPECT_FALSE(at(0, SpacesListModel::DividerRole).toBool());

    EXPECT_EQ(at(1, SpacesListModel::KindRole).toString(), s("space"));
    EXPECT_EQ(at(1, SpacesListModel::TooltipRole).toString(), s("Open Blog"));
    EXPECT_EQ(at(1, SpacesListModel::DetailRole).toString(), s("Ready"));
    EXPECT_EQ(at(1, SpacesListModel::DetailColorRole).value<QColor>(), QColor(Qt::gray));
    EXPECT_EQ(at(1, SpacesListModel::StateLabelRole).toString(), s("Ready"));
    EXPECT_EQ(at(1, SpacesListModel::SymbolRole).toString(), s("globe"));
    EXPECT_EQ(at(1, SpacesListModel::GlyphRole).toString(), Symbols::glyph(s("globe")));
    EXPECT_EQ(at(1, SpacesListModel::ItemIdRole).toString(), s("s1"));
    EXPECT_EQ(at(1, SpacesListModel::RowHeightRole).toDouble(), 42.0);
    EXPECT_TRUE(at(1, SpacesListModel::DividerRole).toBool());

    EXPECT_EQ(at(2, SpacesListModel::DetailRole).toString(), s("Disk full"));
    EXPECT_EQ(at(2, SpacesListModel::DetailColorRole).value<QColor>(), colors.amber());
    EXPECT_EQ(at(2, SpacesListModel::DotColorRole).value<QColor>(), colors.amber());
    EXPECT_EQ(at(2, SpacesListModel::SymbolRole).toString(), s("square.dashed"));

    EXPECT_EQ(at(3, SpacesListModel::DotColorRole).value<QColor>(), QColor(Qt::gray)); // offline node
    EXPECT_DOUBLE_EQ(model.listHeight(), 2 * 28 + 3 * 43);

    // The dark appearance recolours the rows without rebuilding them.
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    colors.setDark(true);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(at(0, SpacesListModel::DotColorRole).value<QColor>(), statusColor(StatusColor::green, true));
}

TEST(SpacesListModel, SearchTextAndSnapshotsRebuildTheRows) {
    ColorScheme colors;
    SpacesListModel model(&colors);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

    model.setStatus(statusWithNodes(sampleNodes()));
    EXPECT_EQ(model.rowCount(), 6);
    model.setSearchText(s("blog"));
    EXPECT_EQ(model.rowCount(), 4);
    const int resets = reset.count();
    model.setSearchText(s("  blog ")); // same query once trimmed
    EXPECT_EQ(reset.count(), resets);
    model.setSearchText(s("nothing at all"));
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_DOUBLE_EQ(model.listHeight(), 0.0);
    model.setSearchText(QString());
    EXPECT_EQ(model.rowCount(), 6);

    // A poll with the same rows and new details updates in place (the view keeps its
    // scroll position); the new details are what the rows show.
    QList<SpaceNode> nodes = sampleNodes();
    (*nodes[0].spaces)[0].activityDetail = s("Deploying");
    const int before = reset.count();
    model.setStatus(statusWithNodes(nodes));
    EXPECT_EQ(reset.count(), before);
    EXPECT_EQ(model.data(model.index(1), SpacesListModel::DetailRole).toString(), s("Deploying"));

    // A different set of rows resets.
    nodes[0].spaces->removeFirst();
    model.setStatus(statusWithNodes(nodes));
    EXPECT_EQ(reset.count(), before + 1);
    EXPECT_EQ(model.rowCount(), 5);

    // Loading and empty forms have no rows.
    model.setStatus(std::nullopt);
    EXPECT_EQ(model.rowCount(), 0);
    model.setStatus(statusWithNodes({node(s("n"), s("N"), QList<Space>{})}));
    EXPECT_EQ(model.rowCount(), 0);
}
