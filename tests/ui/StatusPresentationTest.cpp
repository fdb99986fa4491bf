#include "UiTestData.h"
#include "support/FakeDependencies.h"
#include "ui/ColorScheme.h"
#include "ui/IconBitmap.h"
#include "ui/MenuBarIcon.h"
#include "ui/PartialStatusWarning.h"
#include "ui/RelativeTimeFormatter.h"
#include "ui/SpacesListModel.h"
#include "ui/SpacesSearch.h"
#include "ui/StatusColors.h"
#include "ui/StatusTexts.h"
#include "ui/Symbols.h"
#include "ui/TrayIconRenderer.h"

#include <QAbstractItemModelTester>
#include <QSet>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>

using namespace tovi;
using namespace tovi::testing;

namespace {

const QList<SpaceNode> sampleNodes{
    node(s("n1"), s("Laptop"), QList<Space>{readySpace(s("a"), s("Blog")), readySpace(s("b"), s("Résumé"))}),
    node(s("n3"), s("Server"), std::nullopt, false),
    node(s("n4"), s("Cloud"),
         QList<Space>{readySpace(s("c"), s("API docs")), readySpace(s("d"), s("blog-2"))}),
};

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 12 && std::abs(a.green() - b.green()) <= 12 &&
           std::abs(a.blue() - b.blue()) <= 12;
}

// Share of red pixels in the top-right quarter, where badge and dot sit.
double redShare(const QImage& image) {
    int red = 0, all = 0;
    for (int y = 0; y < image.height() / 2; ++y) {
        for (int x = image.width() / 2; x < image.width(); ++x, ++all)
            red += near(image.pixelColor(x, y), standardRed()) ? 1 : 0;
    }
    return double(red) / all;
}

} // namespace

// One row per state; which state a space is in belongs to the model's display rules.
TEST(StatusTexts, SpaceStateLabelAndColour) {
    const struct {
        Space space;
        const char* label;
        ColorRole color;
    } rows[] = {
        {Space{}, "Unknown", ColorRole::secondary},
        {Space{.status = s("RUNNING")}, "Running", ColorRole::green},
        {Space{.stopped = true}, "Stopped", ColorRole::secondary},
        {Space{.online = false}, "Offline", ColorRole::red},
        {Space{.indicator = s("attention")}, "Needs attention", ColorRole::amber},
        {Space{.indicator = s("attention"), .indicatorLabel = s("  Disk full ")}, "  Disk full ",
         ColorRole::amber},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(spaceStateLabel(row.space), s(row.label));
        EXPECT_EQ(spaceStateColor(row.space), row.color) << row.label;
    }
}

TEST(StatusTexts, IdentityAndProfileTexts) {
    InternalStatus status;
    EXPECT_EQ(identityTitle(status), s("Not signed in"));
    status.account = Account{.email = s("ann@example.com"), .team = s("Acme")};
    EXPECT_EQ(identityTitle(status), s("ann@example.com (Acme)"));
    status.account->name = s("Ann");
    EXPECT_EQ(identityTitle(status), s("Ann (Acme)"));
    status.account->team = s("");
    EXPECT_EQ(identityTitle(status), s("Ann"));

    // "name — team", else "name — email"; the one in use is the active one, else the default one.
    const Profile home{.name = s("default"), .isDefault = true};
    Profile work{.name = s("work"), .email = s("ann@example.com"), .team = s("")};
    EXPECT_EQ(profileTexts({home, work}),
              (QList<ProfileText>{{s("default"), true}, {s("work — ann@example.com"), false}}));
    work.team = s("Acme");
    work.active = true;
    EXPECT_EQ(profileTexts({home, work}),
              (QList<ProfileText>{{s("default"), false}, {s("work — Acme"), true}}));
}

TEST(StatusTexts, TimesCountsAndVersions) {
    const QDateTime now = QDateTime(QDate(2024, 3, 15), QTime(12, 0), Qt::UTC);
    EXPECT_EQ(refreshAge(std::nullopt, now), s("Refresh status now"));
    EXPECT_EQ(refreshAge(now.addMSecs(-4999), now), s("Last refreshed just now"));
    EXPECT_EQ(refreshAge(now.addSecs(-5), now), s("Last refreshed 5 seconds ago"));
    EXPECT_EQ(refreshAge(now.addSecs(30), now), s("Last refreshed just now")); // a clock stepped back
    const std::pair<QDateTime, const char*> ages[] = {
        {now.addSecs(-1), "1 second ago"},     {now.addSecs(-119), "1 minute ago"},
        {now.addSecs(-10740), "2 hours ago"},  {now.addDays(-23), "3 weeks ago"},
        {now.addMonths(-11), "11 months ago"}, {now.addYears(-1), "1 year ago"},
        {now.addSecs(5), "in 5 seconds"},
    };
    for (const auto& [then, text] : ages)
        EXPECT_EQ(RelativeTimeFormatter::format(then, now), s(text));

    EXPECT_EQ(nodeCountText(0, 0), (NodeCountText{s("0/0 Nodes"), ColorRole::red, s("0 of 0 nodes online")}));
    EXPECT_EQ(nodeCountText(1, 3).color, ColorRole::secondary);
    EXPECT_EQ(unreadText(-4),
              (UnreadText{s("bell"), QString(), ColorRole::secondary, s("No unread notifications")}));
    EXPECT_EQ(unreadText(1),
              (UnreadText{s("bell.badge.fill"), s("1"), ColorRole::amber, s("1 unread notification")}));
    EXPECT_EQ(unreadText(1234).tooltip, s("1234 unread notifications"));

    // Differing version texts mean an update, with no ordering; the flag, when present, decides.
    InternalStatus status;
    EXPECT_EQ(upgradeControlText(status), (UpgradeControlText{false, s("Upgrade")}));
    status.cli = CLIInfo{.currentVersion = s("1.2.0")};
    EXPECT_EQ(upgradeControlText(status), (UpgradeControlText{false, s("Up to date (1.2.0)")}));
    status.cli->latestVersion = s("1.1.9");
    EXPECT_EQ(upgradeControlText(status), (UpgradeControlText{true, s("Upgrade to 1.1.9")}));
    status.cli->updateAvailable = false;
    EXPECT_FALSE(upgradeControlText(status).updateForm);
    status.cli->updateAvailable = true;
    status.cli->latestVersion.reset();
    EXPECT_EQ(upgradeControlText(status), (UpgradeControlText{true, s("Upgrade")}));

    EXPECT_EQ(versionHeading(s("1.0.0"), s("42")), s("Tovi 1.0.0 (42)"));
    EXPECT_EQ(versionHeading(QString(), QString()), s("Tovi ? (?)"));
    EXPECT_EQ(partialSummary({}), s("Some status sections could not be loaded."));
    EXPECT_EQ(partialSummary({{s("spaces"), s("boom")}, {s("usage"), s("timeout")}}),
              s("Unavailable sections: spaces, usage."));
}

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

// Which level wins belongs to the model's display rules; here, what each level draws.
TEST(MenuBarIcon, EachAlertLevelHasItsOwnMark) {
    using State = MenuBarIcon::State;
    EXPECT_EQ(MenuBarIcon::iconState(std::nullopt), State{});
    const auto with = [](Space space) {
        return statusWithNodes({node(s("n"), s("N"), QList<Space>{space})}, 4);
    };
    EXPECT_EQ(MenuBarIcon::iconState(with(readySpace(s("r"), s("R")))), (State{4, std::nullopt}));
    EXPECT_EQ(MenuBarIcon::iconState(with(Space{.indicator = s("attention")})), (State{0, standardOrange()}));
    const InternalStatus offline = with(Space{.online = false});
    EXPECT_EQ(MenuBarIcon::iconState(offline), (State{0, standardRed()}));
    EXPECT_EQ(MenuBarIcon::bitmap(offline, true).markName, s("ToviMarkDark"));
    EXPECT_EQ(IconBitmap::badgeText(99), s("99"));
    EXPECT_EQ(IconBitmap::badgeText(100), s("99+"));
}

TEST(IconBitmap, DrawsTheMarkWithABadgeOrADotAtEachScale) {
    for (qreal scale : {1.0, 2.0}) {
        const QImage bare = IconBitmap{s("ToviMark"), 0, std::nullopt}.render(scale);
        ASSERT_EQ(bare.width(), qCeil(22 * scale));
        EXPECT_EQ(bare.pixelColor(0, 0).alpha(), 0);
        EXPECT_GT(bare.pixelColor(bare.width() / 2, bare.height() / 2).alpha(), 0);
        EXPECT_EQ(redShare(bare), 0.0);
        EXPECT_GT(redShare(IconBitmap{s("ToviMark"), 7, std::nullopt}.render(scale)), 0.25) << scale;
        const QImage dot = IconBitmap{s("ToviMark"), 0, QColor(Qt::green)}.render(scale);
        EXPECT_TRUE(near(dot.pixelColor(int(17.5 * scale), int(4.5 * scale)), QColor(Qt::green))) << scale;
    }
    // A badge wins over a dot; the dark mark is another drawing.
    const QImage both = IconBitmap{s("ToviMark"), 3, QColor(Qt::green)}.render(2);
    EXPECT_FALSE(near(both.pixelColor(35, 9), QColor(Qt::green)));
    const QImage light = IconBitmap{s("ToviMark"), 0, std::nullopt}.render(2);
    EXPECT_NE(light, (IconBitmap{s("ToviMarkDark"), 0, std::nullopt}.render(2)));
    // The icon a tray host is sent carries a bitmap drawn at each common size.
    const QIcon icon = IconBitmap{s("ToviMark"), 100, std::nullopt}.renderIcon();
    for (int side : {16, 22, 48})
        EXPECT_TRUE(icon.availableSizes().contains(QSize(side, side))) << side;
}

TEST(TrayIconRenderer, DrawsAgainOnlyWhenTheIconWouldChange) {
    FakeDependencies deps;
    deps.useFakeSource().setResult(statusWithNodes({}, 2));
    StatusStore store(deps.make());
    TrayIconRenderer renderer(&store);
    QSignalSpy changed(&renderer, &TrayIconRenderer::iconChanged);
    EXPECT_EQ(renderer.renderCount(), 1); // the bare mark before any status
    QCoro::waitFor(store.refresh());
    QCoro::waitFor(store.refresh()); // same snapshot again
    EXPECT_EQ(renderer.renderCount(), 2);
    EXPECT_EQ(renderer.bitmap().unread, 2);
    renderer.setDark(true);
    renderer.setDark(true);
    EXPECT_EQ(renderer.renderCount(), 3);
    EXPECT_EQ(renderer.bitmap().markName, s("ToviMarkDark"));
    EXPECT_EQ(changed.count(), 2);
    EXPECT_FALSE(renderer.icon().isNull());
}
