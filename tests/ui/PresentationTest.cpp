#include "store/CLICommands.h"
#include "support/FakeAppUpdater.h"
#include "support/FakeDependencies.h"
#include "support/FakeDesktopNotifications.h"
#include "support/TestUtil.h"
#include "ui/ColorScheme.h"
#include "ui/IconBitmap.h"
#include "ui/MenuBarIcon.h"
#include "ui/MenuViewModel.h"
#include "ui/PartialStatusWarning.h"
#include "ui/RelativeTimeFormatter.h"
#include "ui/SpacesListModel.h"
#include "ui/SpacesSearch.h"
#include "ui/StatusColors.h"
#include "ui/StatusNotices.h"
#include "ui/StatusTexts.h"
#include "ui/Symbols.h"
#include "ui/TrayIconRenderer.h"

#include <QAbstractItemModelTester>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>

using namespace tovi;
using namespace tovi::test;

namespace {

const auto s = [](const char* text) { return QString::fromUtf8(text); };
const auto readySpace = [](const QString& id, const QString& name) {
    return Space{.id = id, .name = name, .status = s("ready")};
};

SpaceNode node(const QString& id, const QString& name, std::optional<QList<Space>> spaces,
               std::optional<bool> online = true) {
    return SpaceNode{.id = id, .name = name, .online = online, .spaces = std::move(spaces)};
}

// Signed in, with these nodes and, when given, this many unread notifications.
InternalStatus statusWithNodes(QList<SpaceNode> nodes, std::optional<std::int64_t> unread = {}) {
    const auto notifications = unread ? std::optional(Notifications{unread, std::nullopt}) : std::nullopt;
    return {.authenticated = true, .spaces = SpacesSection{std::move(nodes)}, .notifications = notifications};
}

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

InternalStatus signedInStatus() {
    InternalStatus status =
        statusWithNodes({node(s("n1"), s("Laptop"), QList<Space>{readySpace(s("sp-1"), s("Blog"))}),
                         node(s("n2"), s("Server"), QList<Space>{}, false)},
                        2);
    status.account = Account{.name = s("Ann"), .team = s("Acme")};
    status.cli = CLIInfo{s("1.4.0"), s("1.5.0"), std::nullopt};
    return status;
}

// A store fed by a scripted status source, with the window's presentation on top.
struct Fixture {
    void refresh() { QCoro::waitFor(store.refresh()); }
    void show(Result<InternalStatus> status) {
        deps.source->setResult(std::move(status));
        refresh();
    }
    void bootstrap() { QCoro::waitFor(TaskHandle::wait(store.startBootstrap())); }
    QList<QUrl> opened() const { return deps.browser->opened(); }
    static QVariant banner(const QString& message, bool retry) {
        return QVariantMap{{s("message"), message}, {s("hasRetry"), retry}};
    }

    FakeDependencies deps;
    // The source must exist before the store takes its dependencies.
    bool sourceReady = (deps.useFakeSource().setResult(signedInStatus()), true);
    QDateTime now = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    StatusStore store{deps.make()};
    MenuViewModel menu{&store, nullptr, [this] { return now; }};
    HeaderViewModel* header = menu.header();
    BodyViewModel* body = menu.body();
    SpacesViewModel* spaces = body->spaces();
    AccountMenuViewModel* account = menu.accountMenu();
    FooterViewModel* footer = menu.footer();
};

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

// A text in a state colour: the dot's hue, deeper in light only (its contrast is the look session's).
TEST(StatusColors, TextKeepsTheHueAndDeepensOnlyInLight) {
    for (StatusColor color : {StatusColor::green, StatusColor::red, StatusColor::amber, StatusColor::blue}) {
        const QColor dot = statusColor(color, false), text = statusTextColor(color, false);
        EXPECT_NEAR(text.hsvHueF(), dot.hsvHueF(), 0.01);
        EXPECT_NEAR(text.valueF(), dot.valueF() * 0.75, 0.01);
        EXPECT_EQ(statusTextColor(color, true), statusColor(color, true));
    }
}

TEST(StatusTexts, IdentityAndProfileTexts) {
    EXPECT_EQ(identityTitle(InternalStatus{}), s("Not signed in"));
    InternalStatus status{.account = Account{.email = s("ann@example.com"), .team = s("Acme")}};
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
    // Past the range of int the plural and the number still come from the count itself.
    for (const std::int64_t big :
         {std::int64_t(1) << 31, (std::int64_t(1) << 32) + 1, std::numeric_limits<std::int64_t>::max()})
        EXPECT_EQ(unreadText(big).tooltip, QString::number(big) + s(" unread notifications"));
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
    // Names (never ids), in node order, case and outer blanks ignored; a matching node lists all its spaces.
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
    const QList<Space> many(10, readySpace(s("x"), s("X")));
    EXPECT_DOUBLE_EQ(listHeight(searchAll(sampleNodes, QString())), 2 * 28 + 4 * 43);
    EXPECT_DOUBLE_EQ(listHeight(searchAll({node(s("1"), s("N1"), many)}, QString())), 406.0);
    // Icon names map exactly, prefix and case included; every symbol has a glyph of its own.
    EXPECT_EQ(symbolFor(s("mdi:earth-arrow-right")), s("globe"));
    EXPECT_EQ(symbolFor(s("MDI:console")), s("square.dashed"));
    EXPECT_EQ(symbolFor({}), s("square.dashed"));
    QSet<QString> glyphs;
    for (const char* name :
         {"bell", "bell.badge.fill", "magnifyingglass", "terminal", "globe", "square.dashed"}) {
        EXPECT_TRUE(Symbols::isKnown(s(name))) << name;
        glyphs.insert(Symbols::glyph(s(name)));
    }
    EXPECT_EQ(glyphs.size(), 6);
    EXPECT_EQ(Symbols::glyph(s("no.such.symbol")), Symbols::glyph(s("square.dashed")));
    EXPECT_TRUE(Symbols::registerFont()) << "the bundled icon font loads, once";
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
    using M = SpacesListModel;
    auto at = [&](int row, int role) { return model.data(model.index(row), role); };
    const std::tuple<int, int, QVariant> cells[] = {
        {0, M::KindRole, s("node")},
        {0, M::DotColorRole, colors.green()},
        {0, M::DividerRole, false},
        {1, M::TooltipRole, s("Open Blog")},
        {1, M::DetailRole, s("Ready")},
        {1, M::DetailColorRole, QColor(Qt::gray)},
        {1, M::ItemIdRole, s("a")},
        {1, M::DividerRole, true},
        {4, M::DetailRole, s("Disk full")},
        {4, M::DotColorRole, colors.amber()},
        {4, M::DetailColorRole, colors.amberText()},
    };
    for (const auto& [row, role, value] : cells)
        EXPECT_EQ(at(row, role), value) << row << ' ' << role;
    // The dark appearance recolours the rows without rebuilding them.
    const int resets = reset.count();
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    colors.setDark(true);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(at(0, M::DotColorRole).value<QColor>(), statusColor(StatusColor::green, true));
    model.setSearchText(s("blog"));
    EXPECT_EQ(model.rowCount(), 4);
    model.setSearchText(s("  blog ")); // the same query once trimmed
    EXPECT_EQ(reset.count(), resets + 1);
    model.setSearchText(QString());
    // Same rows with new details update in place (the view keeps its scroll); other rows reset.
    (*nodes[0].spaces)[0].activityDetail = s("Deploying");
    model.setStatus(statusWithNodes(nodes));
    EXPECT_EQ(reset.count(), resets + 2);
    EXPECT_EQ(at(1, M::DetailRole).toString(), s("Deploying"));
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
        const QImage badge = IconBitmap{s("ToviMark"), 7, std::nullopt}.render(scale);
        EXPECT_GT(redShare(badge), 0.25) << scale;
        EXPECT_NE(badge, (IconBitmap{s("ToviMark"), 1, std::nullopt}.render(scale))) << "the count is drawn";
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
    // At 16 px no count is drawn (a red disc, larger than the problem dot); from 22 px it is.
    const auto pixels = [](std::int64_t unread, std::optional<QColor> dot, int side) {
        return IconBitmap{s("ToviMark"), unread, dot}.renderPixels(side);
    };
    EXPECT_EQ(pixels(7, std::nullopt, 16), pixels(100, std::nullopt, 16));
    EXPECT_GT(redShare(pixels(100, std::nullopt, 16)), redShare(pixels(0, standardRed(), 16)));
    EXPECT_NE(pixels(7, std::nullopt, 22), pixels(100, std::nullopt, 22));
}

TEST(TrayIconRenderer, DrawsAgainOnlyWhenTheIconWouldChange) {
    Fixture f;
    f.deps.source->setResult(statusWithNodes({}, 2));
    TrayIconRenderer renderer(&f.store);
    QSignalSpy changed(&renderer, &TrayIconRenderer::iconChanged);
    EXPECT_EQ(renderer.renderCount(), 1); // the bare mark before any status
    f.refresh();
    f.refresh(); // same snapshot again
    EXPECT_EQ(renderer.renderCount(), 2);
    EXPECT_EQ(renderer.bitmap().unread, 2);
    renderer.setDark(true);
    renderer.setDark(true);
    EXPECT_EQ(renderer.renderCount(), 3);
    EXPECT_EQ(renderer.bitmap().markName, s("ToviMarkDark"));
    EXPECT_EQ(changed.count(), 2);
    EXPECT_FALSE(renderer.icon().isNull());
}

// The menu's view models: which parts show when and where actions go; texts and rows only arrive.
TEST(MenuViewModel, NothingLoadedYetShowsLoadingOrWhyNot) {
    Fixture f;
    EXPECT_EQ(f.header->identityTitle(), s("Not signed in"));
    EXPECT_EQ(f.spaces->form(), s("loading"));
    EXPECT_FALSE(f.footer->showNotifications());
    EXPECT_FALSE(f.footer->showNodeCount());
    // The store's error with nothing loaded is said once, in the footer; the body keeps spinning.
    f.show(Error::cliNotFound());
    EXPECT_EQ(f.spaces->unavailableText(), s(""));
    EXPECT_EQ(f.footer->banners(), QVariantList{f.banner(s("Couldn't find the tovi CLI."), false)});
    // A spaces section that failed cannot load by itself: the body says why instead of spinning.
    f.show(InternalStatus{.partial = true,
                          .errors = QList<StatusSectionError>{{s("usage"), s("usage: timed out")},
                                                              {s("spaces"), s("<b>x</b>")}}});
    EXPECT_EQ(f.spaces->unavailableText(), s("<b>x</b>"));
    EXPECT_TRUE(f.footer->showPartialWarning());
    f.show(signedInStatus());
    EXPECT_EQ(f.spaces->unavailableText(), s(""));
}

// Closed, nothing recomputes; opening recomputes once; the same snapshot again tells nothing.
TEST(MenuViewModel, SignedInSnapshotFillsHeaderListAndStatusRowOnceOpen) {
    Fixture f;
    f.menu.setActive(false);
    QSignalSpy header(f.header, &HeaderViewModel::changed);
    QSignalSpy account(f.account, &AccountMenuViewModel::changed);
    QSignalSpy spaces(f.spaces, &SpacesViewModel::changed);
    QSignalSpy footer(f.footer, &FooterViewModel::changed);
    const auto expectChanges = [&](qsizetype n) {
        for (const QSignalSpy* spy : {&header, &account, &spaces, &footer})
            EXPECT_EQ(spy->count(), n) << spy->signal().toStdString();
    };
    f.refresh();
    expectChanges(0);
    f.menu.setActive(true);
    expectChanges(1);
    f.refresh();
    expectChanges(1);
    EXPECT_EQ(QStringList({f.header->title(), f.header->windowTitle(), f.header->identityTitle()}),
              QStringList({s("Acme"), s("Tovi \u2014 Acme"), s("Ann (Acme)")}));
    EXPECT_EQ(f.spaces->form(), s("search"));
    EXPECT_EQ(f.spaces->model()->rowCount(), 2);
    EXPECT_EQ(QStringList({f.footer->serviceText(), f.footer->cliVersion(), f.footer->nodeCountText(),
                           f.footer->notificationsCountText()}),
              QStringList({s("Service running"), s("1.4.0"), s("1/2 Nodes"), s("2")}));
    ColorScheme* colors = f.menu.colors();
    EXPECT_EQ((QList<QColor>{f.footer->serviceDotColor(), f.footer->notificationsColor()}),
              (QList<QColor>{colors->green(), colors->amber()}));
    EXPECT_TRUE(f.footer->upgradeUpdateForm());
    // A blank team name would leave a dangling dash in task switchers.
    InternalStatus noTeam = signedInStatus();
    noTeam.account->team = s(" ");
    f.show(noTeam);
    EXPECT_EQ(f.header->windowTitle(), s("Tovi"));
    // The dark appearance swaps the mark, telling the window, and recolours.
    header.clear();
    f.menu.setDark(true);
    EXPECT_EQ(f.header->markSource(), QUrl(s("qrc:/assets/ToviMarkDark.svg")));
    EXPECT_GT(header.count(), 0);
    EXPECT_EQ(f.footer->serviceDotColor(), statusColor(StatusColor::green, true));
}

TEST(MenuViewModel, SignedOutOffersSignInAndReopensOnlyAWebAddress) {
    Fixture f;
    f.show(InternalStatus{.authenticated = false});
    EXPECT_TRUE(f.body->signedOut());
    EXPECT_TRUE(f.account->showSignIn());
    EXPECT_FALSE(f.account->showSignOut());
    EXPECT_FALSE(f.footer->showNotifications());
    f.body->createAccount();
    EXPECT_EQ(f.opened().value(0), QUrl(s("https://tovi.test/create-account")));
    auto gate = f.deps.runner->gate(CLICommands::claim({}, {}).first(2));
    f.deps.runner->replyPrefix(CLICommands::login({}).first(2),
                               FakeRunner::ok(R"({"token":"t","url":"https://tovi.test/approve/1"})"));
    f.body->signIn();
    ASSERT_TRUE(f.body->awaitingApproval());
    ASSERT_TRUE(f.body->showReopenLink());
    f.body->reopenApprovalPage();
    EXPECT_EQ(f.opened().size(), 3);
    f.body->cancelSignIn();
    EXPECT_FALSE(f.body->showReopenLink());
    f.body->reopenApprovalPage(); // nothing to reopen any more
    EXPECT_EQ(f.opened().size(), 3);
    gate->open();
}

TEST(MenuViewModel, AccountsSectionListsProfilesAndAddingOneTrimsOnlySpacesAndTabs) {
    Fixture f;
    f.refresh();
    f.deps.runner->reply(profileListArguments(), FakeRunner::ok(R"([])"));
    QCoro::waitFor(f.store.loadProfiles());
    EXPECT_FALSE(f.account->showAccounts());
    EXPECT_TRUE(f.account->removableAccounts().isEmpty());
    f.deps.runner->reply(profileListArguments(),
                         FakeRunner::ok(R"([{"name":"default","active":true,"team":"Acme"},
                                            {"name":"work","email":"ann@work.test","team":""}])"));
    f.menu.setActive(true); // opening reloads the profiles
    QCoreApplication::processEvents();
    ASSERT_TRUE(f.account->showAccounts());
    const auto row = [](const char* text, bool current, const char* name) {
        return QVariant(QVariantMap{{s("text"), s(text)},
                                    {s("mark"), current ? Symbols::glyph(s("checkmark")) : QString()},
                                    {s("enabled"), !current},
                                    {s("name"), s(name)}});
    };
    EXPECT_EQ(f.account->accounts(), (QVariantList{row("default — Acme", true, "default"),
                                                   row("work — ann@work.test", false, "work")}));
    EXPECT_EQ(f.account->removableAccounts(), (QStringList{s("default"), s("work")}));
    f.account->switchProfile(s("work"));
    f.account->removeProfile(s("default"));
    f.account->signOut();
    QCoreApplication::processEvents();
    for (const QStringList& command : {CLICommands::profileUse(s("work")),
                                       CLICommands::profileRemove(s("default")), CLICommands::logout()})
        EXPECT_EQ(f.deps.runner->count(command), 1) << command.join(u' ').toStdString();
    EXPECT_EQ(AccountMenuViewModel::trimmedProfileName(s(" \twork \t")), s("work"));
    EXPECT_EQ(AccountMenuViewModel::trimmedProfileName(s("\nwork\n")), s("\nwork\n"));
    EXPECT_FALSE(f.account->addAccount(s(" \t ")));
    EXPECT_EQ(f.store.signInTask(), nullptr);
}

TEST(MenuViewModel, PagesOpenOnlyWithAnAddress) {
    Fixture f;
    f.deps.runner->reply(accountMeArguments(), FakeRunner::fail(1, s("offline")));
    f.refresh();
    // Service pages never need the team; team pages do, and open nothing without one.
    f.header->openUsage();
    f.account->openServicePage(s("/credits"));
    f.footer->openNodes();
    f.footer->openNotifications();
    f.spaces->open(1);
    EXPECT_EQ(f.opened(),
              (QList<QUrl>{QUrl(s("https://tovi.test/usage")), QUrl(s("https://tovi.test/credits"))}));
    f.deps.runner->reply(accountMeArguments(), FakeRunner::ok(R"({"id":"u1","team_id":"team-1"})"));
    f.refresh();
    f.footer->openNodes();
    f.footer->openNotifications();
    f.spaces->open(0);  // node header
    f.spaces->open(1);  // space row
    f.spaces->open(99); // out of range: ignored
    const QString team = s("https://tovi.test/team/team-1/");
    EXPECT_EQ(f.opened().mid(2), (QList<QUrl>{QUrl(team + s("nodes")), QUrl(team + s("notifications")),
                                              QUrl(team + s("nodes")), QUrl(team + s("spaces/sp-1"))}));
    // Identifiers from the CLI stay one path segment each: nothing climbs out of the team's pages
    // or starts a query; ordinary ones read as they always did; dot segments open nothing.
    const struct {
        const char* teamId;
        const char* spaceId;
        const char* space; // the space row's address, empty: none opens
    } rows[] = {
        {"team-1", "sp_1.x~", "https://tovi.test/team/team-1/spaces/sp_1.x~"},
        {"../../evil?q=1#f", "sp-1", "https://tovi.test/team/..%2F..%2Fevil%3Fq%3D1%23f/spaces/sp-1"},
        {"t 1", "a/../../b%2F", "https://tovi.test/team/t%201/spaces/a%2F..%2F..%2Fb%252F"},
        {"Équipe", "\\x", "https://tovi.test/team/%C3%89quipe/spaces/%5Cx"},
        {"team-1", "..", ""},
        {".", "sp-1", ""},
    };
    for (const auto& row : rows) {
        Fixture g;
        g.deps.runner->reply(
            accountMeArguments(),
            FakeRunner::ok(QJsonDocument(QJsonObject{{s("team_id"), s(row.teamId)}}).toJson()));
        InternalStatus status = signedInStatus();
        (*(*status.spaces->nodes)[0].spaces)[0].id = s(row.spaceId);
        g.show(status);
        g.spaces->open(1);
        QStringList opened;
        for (const QUrl& url : g.opened())
            opened << url.toString(QUrl::FullyEncoded);
        EXPECT_EQ(opened, row.space[0] ? QStringList{s(row.space)} : QStringList{})
            << row.teamId << ' ' << row.spaceId;
    }
}

TEST(MenuViewModel, FooterBannersFollowTheStoreMessages) {
    Fixture f;
    f.refresh();
    f.show(Error::decode(s("spaces: expected a list")));
    EXPECT_EQ(f.footer->banners(), QVariantList{f.banner(s("spaces: expected a list"), false)});
    // A failed set-up comes first and offers a retry, which runs the set-up again.
    f.deps.runner->setInstalled(false);
    f.deps.runner->replyShell(FakeRunner::fail(7, s("curl: could not resolve host")));
    f.bootstrap();
    EXPECT_EQ(f.footer->banners(), (QVariantList{f.banner(f.store.bootstrapState().message, true),
                                                 f.banner(s("spaces: expected a list"), false)}));
    f.footer->retryBootstrap();
    QCoreApplication::processEvents();
    EXPECT_EQ(f.deps.runner->shellLines().size(), 2);
    // A script that leaves no CLI to find: one banner saying so, with Retry.
    f.deps.runner->replyShell(FakeRunner::ok());
    f.deps.source->setResult(Error::cliNotFound());
    f.bootstrap();
    EXPECT_EQ(f.footer->banners(), QVariantList{f.banner(s("Couldn't find the tovi CLI."), true)});
}

TEST(MenuViewModel, ControlsRowFollowsServiceMaintenanceAndTheClock) {
    Fixture f;
    f.deps.setDaemon(DaemonState::stopped());
    f.refresh();
    EXPECT_EQ(f.footer->serviceDotColor(), f.menu.colors()->red());
    EXPECT_TRUE(f.footer->showStart());
    EXPECT_FALSE(f.footer->showSpinner());
    // While the store maintains, the spinner replaces "Start" and upgrading is disabled.
    auto gate = f.deps.runner->gate(CLICommands::install());
    f.footer->upgrade();
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.footer->showSpinner());
    EXPECT_FALSE(f.footer->showStart());
    EXPECT_FALSE(f.footer->upgradeEnabled());
    f.footer->upgrade(); // a stale click while disabled
    EXPECT_EQ(f.deps.runner->count(CLICommands::install()), 1);
    gate->open();
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.footer->upgradeEnabled());
    EXPECT_TRUE(f.footer->showMaintenanceMessage());
    f.now = f.deps.clock->now().addSecs(120);
    f.menu.setActive(true);
    EXPECT_EQ(f.footer->refreshTooltip(), s("Last refreshed 2 minutes ago"));
}

// What each switch stores, and how, belongs to the store's tests; here what the switches show.
TEST(MenuViewModel, SettingsShowTheStoreAndNoteWhatTheDesktopRefuses) {
    Fixture f;
    SettingsViewModel* settings = f.menu.settings();
    QSignalSpy changed(settings, &SettingsViewModel::changed);
    settings->setKeepAwake(true);
    // No inhibitor on this desktop holds it: the switch says so until one does.
    EXPECT_TRUE(settings->keepAwake());
    EXPECT_TRUE(settings->keepAwakeNote().isEmpty());
    f.deps.keepAwake->settle(false);
    EXPECT_EQ(settings->keepAwakeNote(),
              s("No power manager on this desktop lets Tovi keep the computer awake."));
    settings->setKeepAwake(false);
    settings->setKeepAwake(true);
    f.deps.keepAwake->settle(true);
    EXPECT_EQ(settings->keepAwakeNote(), QString());
    settings->setOpenAtLogin(true);
    settings->setSyncAgentHistory(true);
    EXPECT_TRUE(settings->openAtLogin());
    EXPECT_TRUE(settings->syncAgentHistory());
    EXPECT_FALSE(settings->showMoveNote());
    // The store's own changes, not the switches': each switch follows.
    const std::pair<const char*, std::function<void()>> storeChanges[] = {
        {"open at login", [&] { f.store.setLaunchAtLogin(false); }},
        {"notifications", [&] { f.store.setNotificationsEnabled(!f.store.notificationsEnabled()); }},
        {"agent history", [&] { f.store.setHistorySyncEnabled(false); }},
    };
    for (const auto& [name, change] : storeChanges) {
        const qsizetype before = changed.count();
        change();
        QCoreApplication::processEvents();
        EXPECT_GT(changed.count(), before) << name;
    }
    EXPECT_EQ(std::tuple(settings->openAtLogin(), settings->notifications(), settings->syncAgentHistory()),
              std::tuple(false, f.store.notificationsEnabled(), false));
    *f.deps.location = AppLocation::temporary;
    EXPECT_TRUE(settings->showMoveNote());
}

// "Automatic updates": on when both halves are, sets both, the updater first.
TEST(SettingsViewModel, AutomaticUpdatesSwitchCombinesBothHalvesAndSetsThemInOrder) {
    FakeDependencies deps;
    StatusStore store(deps.make());
    FakeAppUpdater updater;
    updater.m_checks = true;
    deps.defaults->setValue(s("autoUpdateCLI"), false);
    SettingsViewModel settings(&store, &updater);
    EXPECT_FALSE(settings.automaticUpdates());
    QObject::connect(&store, &StatusStore::autoUpdateCLIChanged, [&] { updater.log << s("cli"); });
    settings.setAutomaticUpdates(true);
    EXPECT_TRUE(settings.automaticUpdates());
    EXPECT_EQ(updater.log, (QStringList{s("checks=1"), s("downloads=1"), s("cli")}));
    // The updater owns its flag: the switch shows what it holds now, never a copy of before.
    updater.m_checks = false;
    EXPECT_FALSE(settings.automaticUpdates());
    updater.m_checks = true;
    // The CLI half changed elsewhere (the settings file, another window): the switch follows.
    QSignalSpy changed(&settings, &SettingsViewModel::changed);
    store.setAutoUpdateCLI(false);
    QCoreApplication::processEvents();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(settings.automaticUpdates());
    settings.setAutomaticUpdates(false);
    EXPECT_FALSE(updater.m_checks);
    EXPECT_FALSE(store.autoUpdateCLI());
    EXPECT_FALSE(settings.canCheckForUpdates());
    settings.checkForUpdates(); // disabled: nothing runs
    EXPECT_EQ(updater.checks, 0);
    // Greyed while a check runs says nothing; greyed for good in a build without a feed says why.
    EXPECT_EQ(settings.checkForUpdatesTooltip(), QString());
    updater.m_hasFeed = false;
    EXPECT_EQ(settings.checkForUpdatesTooltip(),
              s("Updates to Tovi come with your system's package manager."));
    updater.setCanCheck(true);
    EXPECT_TRUE(settings.canCheckForUpdates());
    settings.checkForUpdates();
    EXPECT_EQ(updater.checks, 1);
}

// A walk through the moments worth a notice: each is told once, when it changes, never for what
// the first reading finds, and not at all with the switch off.
TEST(StatusNotices, OneNoticePerChangeNoneAtStartAndNoneWhenSwitchedOff) {
    Fixture f;
    f.deps.runner->reply(accountMeArguments(), FakeRunner::ok(R"({"team_id":"t1"})"));
    InternalStatus status = signedInStatus();
    // Taken anew at each change: a reference kept across a copy would write into both.
    const auto blog = [&]() -> Space& { return (*(*status.spaces->nodes)[0].spaces)[0]; };
    blog().indicator = s("attention");
    f.deps.useFakeSource().setResult(status);
    FakeDesktopNotifications out;
    StatusNotices notices(&f.store, &out, std::chrono::milliseconds(0));
    QSignalSpy openWindow(&notices, &StatusNotices::openWindowRequested);
    f.refresh();
    EXPECT_EQ(out.taken(), QList<DesktopNotice>{}) << "the state found at start-up is no news";

    const QList<std::pair<QString, QString>> openAction{{s("open"), s("Open")}};
    blog().indicator.reset();
    f.show(status);
    blog().indicator = s("attention");
    blog().indicatorLabel = s("Waiting for <b>&</b> approval");
    f.show(status);
    f.show(status);
    EXPECT_EQ(out.taken(),
              (QList<DesktopNotice>{{s("attention:sp-1"), s("Blog needs attention"),
                                     s("Waiting for <b>&</b> approval on Laptop"), openAction}}));
    out.actionInvoked(s("attention:sp-1"), s("open"));
    out.actionInvoked(s("attention:sp-1"), s("default"));
    EXPECT_EQ(f.opened(), QList<QUrl>{QUrl(f.store.webOrigin() + s("/team/t1/spaces/sp-1"))});
    EXPECT_EQ(openWindow.count(), 1);

    status.notifications->unread = 5;
    f.show(status);
    status.notifications->unread = 4;
    f.show(status);
    EXPECT_EQ(out.taken(), (QList<DesktopNotice>{{s("unread"), s("5 unread notifications"), {}, {}}}));

    f.deps.setDaemon(DaemonState::stopped());
    f.refresh();
    f.deps.setDaemon(DaemonState::makeRunning(4242));
    f.refresh();
    f.refresh();
    const QList<std::pair<QString, QString>> startAction{{s("start"), s("Start")}};
    EXPECT_EQ(out.taken(),
              (QList<DesktopNotice>{{s("service"), s("The Tovi service stopped"),
                                     s("This computer's spaces can't be reached until it runs again."),
                                     startAction},
                                    {s("service"), s("The Tovi service is running again"), {}, {}}}));
    // Start on the stopped service's notice is the window's Start: the service installed again.
    const auto installs = [&] { return f.deps.runner->count(CLICommands::installService()); };
    const int before = installs();
    out.actionInvoked(s("service"), s("start"));
    EXPECT_TRUE(tovi::test::spinUntil([&] { return installs() == before + 1; }));

    // Failing after it worked: one notice once the failure lasted, one when it works again.
    f.show(Error::cliFailed(1, s("boom")));
    ASSERT_TRUE(tovi::test::spinUntil([&] { return !out.shown.isEmpty(); }));
    f.show(Error::cliFailed(1, s("boom")));
    QCoreApplication::processEvents();
    f.show(status);
    EXPECT_EQ(out.taken(),
              (QList<DesktopNotice>{{s("cli"),
                                     s("Tovi can't get the status from the tovi CLI"),
                                     s("tovi exited with code 1: boom"),
                                     {}},
                                    {s("cli"), s("Tovi gets the status from the tovi CLI again"), {}, {}}}));

    status.authenticated = false;
    f.show(status);
    status.authenticated = true;
    status.account->email = s("ann@example.com");
    f.show(status);
    EXPECT_EQ(out.taken(),
              (QList<DesktopNotice>{{s("signin"), s("Signed in to Tovi"), s("ann@example.com"), {}}}));

    f.store.setNotificationsEnabled(false);
    EXPECT_EQ(f.deps.defaults->value(s("notifications")), QVariant(false));
    status.notifications->unread = 50;
    f.deps.setDaemon(DaemonState::stopped());
    f.show(status);
    EXPECT_EQ(out.taken(), QList<DesktopNotice>{}) << "switched off, nothing at all";
}
