#include "UiTestData.h"
#include "ui/ColorScheme.h"
#include "ui/SpacesListModel.h"
#include "ui/SpacesSearch.h"
#include "ui/Symbols.h"

#include <QAbstractItemModelTester>
#include <QSet>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace tovi;
using namespace tovi::testing;

static const QList<SpaceNode> sampleNodes{
    node(s("n1"), s("Laptop"), QList<Space>{readySpace(s("a"), s("Blog")), readySpace(s("b"), s("Résumé"))}),
    node(s("n3"), s("Server"), std::nullopt, false),
    node(s("n4"), s("Cloud"),
         QList<Space>{readySpace(s("c"), s("API docs")), readySpace(s("d"), s("blog-2"))}),
};

TEST(SpacesSearch, FormQueryHeightAndSymbols) {
    EXPECT_EQ(spacesForm(std::nullopt), SpacesForm::loading);
    InternalStatus status =
        statusWithNodes({node(s("n"), s("A"), std::nullopt), node(s("m"), s("B"), QList<Space>{})});
    EXPECT_EQ(spacesForm(status), SpacesForm::empty);
    status.spaces->nodes->append(node(s("o"), s("C"), QList<Space>{readySpace(s("x"), s("X"))}));
    EXPECT_EQ(spacesForm(status), SpacesForm::search);
    // Space or node names, in node order, ignoring case and surrounding blanks; never ids. A
    // node that matches lists all its spaces, or only its header when it has none.
    const auto run = [&](const char* text) {
        QStringList out;
        for (const SpaceNodeSearchResult& group : searchAll(sampleNodes, normalizedQuery(s(text)))) {
            out << group.node->name;
            for (const Space* space : group.spaces)
                out << QStringLiteral(" ") + space->name;
        }
        return out;
    };
    const std::pair<const char*, const char*> queries[] = {
        {" \t", "Laptop| Blog| Résumé|Cloud| API docs| blog-2"},
        {"BLOG", "Laptop| Blog|Cloud| blog-2"},
        {" RÉSUMÉ\n", "Laptop| Résumé"},
        {"laptop", "Laptop| Blog| Résumé"},
        {"serv", "Server"},
        {"n1", ""},
    };
    for (const auto& [query, groups] : queries)
        EXPECT_EQ(run(query).join(u'|'), s(groups)) << query;
    QList<Space> many;
    for (int i = 0; i < 10; ++i)
        many << readySpace(QString::number(i), QString::number(i));
    EXPECT_DOUBLE_EQ(listHeight(searchAll(sampleNodes, QString())), 2 * 28 + 4 * 43);
    EXPECT_DOUBLE_EQ(listHeight(searchAll({node(s("1"), s("N1"), many)}, QString())), 406.0);
    // Icon names map exactly, prefix and case included; every symbol has a glyph of its own.
    EXPECT_EQ(symbolFor(s("mdi:earth-arrow-right")), s("globe"));
    EXPECT_EQ(symbolFor(s("MDI:console")), s("square.dashed"));
    EXPECT_EQ(symbolFor(std::nullopt), s("square.dashed"));
    QSet<QString> glyphs;
    for (const char* name :
         {"bell", "bell.badge.fill", "magnifyingglass", "terminal", "globe", "square.dashed"}) {
        EXPECT_TRUE(Symbols::isKnown(s(name))) << name;
        glyphs.insert(Symbols::glyph(s(name)));
    }
    EXPECT_EQ(glyphs.size(), 6);
    EXPECT_EQ(Symbols::glyph(s("no.such.symbol")), Symbols::glyph(s("square.dashed")));
}

TEST(SpacesListModel, FlattensGroupsIntoRowsAndRebuildsOnlyWhenTheRowsChange) {
    ColorScheme colors;
    colors.setSecondary(QColor(Qt::gray));
    SpacesListModel model(&colors);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QList<SpaceNode> nodes = sampleNodes;
    (*nodes[2].spaces)[0].indicator = s("attention");
    (*nodes[2].spaces)[0].indicatorLabel = s("Disk full");
    model.setStatus(statusWithNodes(nodes));
    ASSERT_EQ(model.rowCount(), 6); // "Server" has no spaces and is left out
    auto at = [&](int row, int role) { return model.data(model.index(row), role); };
    EXPECT_EQ(at(0, SpacesListModel::KindRole).toString(), s("node"));
    EXPECT_EQ(at(0, SpacesListModel::DotColorRole).value<QColor>(), colors.green());
    EXPECT_FALSE(at(0, SpacesListModel::DividerRole).toBool());
    EXPECT_EQ(at(1, SpacesListModel::TooltipRole).toString(), s("Open Blog"));
    EXPECT_EQ(at(1, SpacesListModel::DetailRole).toString(), s("Ready"));
    EXPECT_EQ(at(1, SpacesListModel::DetailColorRole).value<QColor>(), QColor(Qt::gray));
    EXPECT_EQ(at(1, SpacesListModel::ItemIdRole).toString(), s("a"));
    EXPECT_TRUE(at(1, SpacesListModel::DividerRole).toBool());
    EXPECT_EQ(at(4, SpacesListModel::DetailRole).toString(), s("Disk full"));
    EXPECT_EQ(at(4, SpacesListModel::DotColorRole).value<QColor>(), colors.amber());
    // The dark appearance recolours the rows without rebuilding them.
    const int resets = reset.count();
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    colors.setDark(true);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(at(0, SpacesListModel::DotColorRole).value<QColor>(), statusColor(StatusColor::green, true));
    model.setSearchText(s("blog"));
    EXPECT_EQ(model.rowCount(), 4);
    model.setSearchText(s("  blog ")); // the same query once trimmed
    EXPECT_EQ(reset.count(), resets + 1);
    model.setSearchText(QString());
    // Same rows with new details update in place (the view keeps its scroll); other rows reset.
    (*nodes[0].spaces)[0].activityDetail = s("Deploying");
    model.setStatus(statusWithNodes(nodes));
    EXPECT_EQ(reset.count(), resets + 2);
    EXPECT_EQ(at(1, SpacesListModel::DetailRole).toString(), s("Deploying"));
    nodes[0].spaces->removeFirst();
    model.setStatus(statusWithNodes(nodes));
    EXPECT_EQ(reset.count(), resets + 3);
    model.setStatus(std::nullopt);
    EXPECT_EQ(model.rowCount(), 0);
}
