#include "app/MenuWindow.h"
#include "app/AccountMenu.h"
#include "app/AddAccountPrompt.h"
#include "app/NormalWindowFrame.h"
#include "model/Decoding.h"
#include "store/CLICommands.h"
#include "support/FakeAppUpdater.h"
#include "support/FakeDependencies.h"
#include "ui/MenuViewModel.h"

#include <QAccessible>
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>
#include <QToolTip>
#include <QTranslator>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>

#include <algorithm>

using namespace tovi;
using namespace tovi::test;

namespace {

const char* kSignedIn =
    R"({"authenticated": true, "nodes": {"online": 1, "total": 2}, "notifications": {"unread": 2},
  "account": {"name": "Ada", "email": "ada@example.com", "team": "Analytical"},
  "cli": {"current_version": "1.4.0", "latest_version": "1.5.0"}, "spaces": {"nodes": [
    {"id": "n1", "name": "studio", "online": true, "spaces": [
      {"id": "s1", "name": "terminal", "icon": "mdi:console", "online": true, "status": "running"},
      {"id": "s2", "name": "docs-site", "icon": "mdi:web", "online": true, "status": "ready"}]},
    {"id": "n2", "name": "garage", "online": false, "spaces": [
      {"id": "s3", "name": "backups", "online": false, "stopped": true, "status": "stopped"}]}]}})";
const char* kSignedOut = R"({"authenticated": false})";
const char* kProfiles =
    R"([{"name":"default","active":true,"team":"Acme"},{"name":"R&D","email":"ann@rd.test"}])";

// A binding to a missing property or a type error shows up here before anyone sees a blank window.
QStringList qmlWarnings;
QtMessageHandler previousHandler = nullptr;
void collectQmlWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg &&
        (message.contains(u"qrc:/"_qs) || message.contains(u"QML"_qs)))
        qmlWarnings << message;
    previousHandler(type, context, message);
}

QList<QQuickItem*> allItems(QQuickItem* root) {
    QList<QQuickItem*> items{root};
    for (QQuickItem* child : root->childItems())
        items += allItems(child);
    return items;
}

bool showsText(QQuickWindow* window, const char* text) {
    const QList<QQuickItem*> items = allItems(window->contentItem());
    return std::any_of(items.begin(), items.end(), [&](QQuickItem* i) {
        return i->isVisible() && i->property("text") == QString::fromUtf8(text);
    });
}

QQuickItem* findList(QQuickWindow* window) {
    const QList<QQuickItem*> items = allItems(window->contentItem());
    const auto it =
        std::find_if(items.begin(), items.end(), [](auto* i) { return i->inherits("QQuickListView"); });
    return it == items.end() ? nullptr : *it;
}

// The menu as a user reads it: "-" a divider, "# text" a heading, "> text" a submenu,
// "[x]" / "[ ]" a switch, "(mark)" a plain mark (the current profile), "(off)" a disabled entry.
QString describe(const QMenu* menu) {
    QStringList rows;
    for (const QAction* a : menu->actions()) {
        QString row = a->isSeparator() ? (a->text().isEmpty() ? u"-"_qs : u"# "_qs + a->text())
                                       : (a->menu() ? u"> "_qs : QString()) + a->text();
        if (a->isCheckable())
            row.prepend(a->isChecked() ? u"[x] "_qs : u"[ ] "_qs);
        else if (!a->icon().isNull())
            row.prepend(u"(mark) "_qs);
        rows << (a->isEnabled() || a->isSeparator() ? row : row + u" (off)"_qs);
    }
    return rows.join(u'|');
}

QAction* actionNamed(const QMenu* menu, const char* text) {
    for (QAction* a : menu->actions())
        if (a->text() == QString::fromUtf8(text))
            return a;
    return nullptr;
}

class MenuWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        QQuickStyle::setStyle(QStringLiteral("Fusion"));
    }
    void setStatus(const QByteArray& json) {
        fakes.source->setResult(*decodeInternalStatus(json));
        QCoro::waitFor(store.refresh());
        settle();
    }
    // Opens (again), lets bindings, loaders and layouts settle, and hands back the Qt Quick window.
    QQuickWindow* open() {
        window->hide();
        window->show();
        settle();
        return window->window();
    }
    QQuickWindow* openNew(MenuWindow::Mode mode = MenuWindow::Mode::dropDown) {
        window = std::make_unique<MenuWindow>(mode, &menu);
        return open();
    }
    static void settle() {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }
    // The header's menu button, as QML reports a click on it.
    QMenu* openAccountMenu() {
        QMetaObject::invokeMethod(window->window(), "accountMenuRequested", Q_ARG(double, 330.0),
                                  Q_ARG(double, 40.0));
        settle();
        return window->accountMenu() ? window->accountMenu()->menu() : nullptr;
    }
    // Keys as a user types them; returns what the search field then holds.
    std::string type(QQuickWindow* qw, const char* keys) {
        for (const char* key = keys; *key; ++key)
            QTest::keyClick(qw, *key);
        settle();
        return menu.body()->spaces()->searchText().toStdString();
    }
    void serveProfiles(const char* json = kProfiles) {
        fakes.runner->reply(profileListArguments(), FakeRunner::ok(json));
    }

    FakeDependencies fakes;
    bool sourceReady = (fakes.useFakeSource(), true); // before the store takes its dependencies
    FakeAppUpdater updater;
    StatusStore store{fakes.make()};
    MenuViewModel menu{&store, &updater};
    std::unique_ptr<MenuWindow> window; // the first to go
};

} // namespace

TEST_F(MenuWindowTest, IsBuiltOnFirstOpenItsBodyAndHeightFollowTheSignInStateAndItCloses) {
    previousHandler = qInstallMessageHandler(&collectQmlWarnings);
    setStatus(kSignedIn);
    window = std::make_unique<MenuWindow>(MenuWindow::Mode::dropDown, &menu);
    EXPECT_EQ(window->window(), nullptr) << "no Qt Quick before the first open";
    QQuickWindow* qw = open();
    ASSERT_NE(qw, nullptr);
    const auto fitsContent = [&] { return qw->height() == window->handle()->contentHeight(); };
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(fitsContent());
    EXPECT_TRUE(qw->flags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(qw->width(), 340);
    // Signed in: the team, two node headers and three spaces; typing narrows the list.
    EXPECT_TRUE(showsText(qw, "Analytical"));
    const auto* list = findList(qw);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->property("count").toInt(), 5);
    EXPECT_EQ(list->height(), 2 * 28 + 3 * 43);
    const int signedInHeight = qw->height();
    EXPECT_EQ(type(qw, "docs"), "docs");
    EXPECT_EQ(list->property("count").toInt(), 2);
    // Signed out: the welcome form replaces the list, and the window shrinks or grows with it.
    setStatus(kSignedOut);
    EXPECT_TRUE(showsText(qw, "Welcome to Tovi"));
    EXPECT_FALSE(showsText(qw, "Analytical"));
    EXPECT_NE(qw->height(), signedInHeight);
    EXPECT_TRUE(fitsContent());
    qInstallMessageHandler(previousHandler);
    EXPECT_TRUE(qmlWarnings.isEmpty()) << qmlWarnings.join(u'\n').toStdString();
    EXPECT_EQ(open(), qw) << "opening again reuses the window";
    setStatus(kSignedIn);

    QTest::keyClick(qw, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    // One quit shortcut (two on one key would be ambiguous and neither fire); the tray click toggles.
    int quits = 0;
    QObject::connect(&menu, &MenuViewModel::quitRequested, [&] { ++quits; });
    QTest::keyClick(open(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1);
    window->hide();
    window->toggle();
    EXPECT_TRUE(window->isVisible());
    window->toggle();
    EXPECT_FALSE(window->isVisible());
    // Without a tray, a normal window framed as the platform's rule says (offscreen: as on X11).
    qw = openNew(MenuWindow::Mode::normal);
    ASSERT_NE(qw, nullptr);
    EXPECT_EQ(qw->flags(), normalWindowFrame(u"offscreen").flags);
    EXPECT_FALSE(window->handle()->ownTitleBar());
    EXPECT_EQ(qw->width(), 340);
}

// Its size follows the content, so a normal window never offers maximise; on Wayland, where
// the only title bar otherwise is Qt's own (which always has maximise), it draws one itself.
TEST(NormalWindowFrameTest, OnlyWaylandDrawsItsOwnTitleBarAndNoFrameOffersMaximise) {
    const struct {
        const char16_t* platform;
        bool own;
    } rows[] = {{u"wayland", true}, {u"wayland-egl", true}, {u"xcb", false}, {u"offscreen", false}, {u"", false}};
    for (const auto& row : rows) {
        const NormalWindowFrame frame = normalWindowFrame(row.platform);
        const std::string name = QString::fromUtf16(row.platform).toStdString();
        EXPECT_EQ(frame.ownTitleBar, row.own) << name;
        EXPECT_EQ(frame.flags.testFlag(Qt::FramelessWindowHint), row.own) << name;
        EXPECT_TRUE(frame.flags.testFlag(Qt::Window)) << name;
        EXPECT_FALSE(frame.flags.testFlag(Qt::WindowMaximizeButtonHint)) << name;
        if (!row.own) {
            // Buttons chosen: the decorations' default has maximise.
            EXPECT_TRUE(frame.flags.testFlag(Qt::CustomizeWindowHint)) << name;
            EXPECT_TRUE(frame.flags.testFlag(Qt::WindowCloseButtonHint)) << name;
        }
    }
}

// The bar the window draws for itself (as the application asks for it on Wayland): the name, a
// close button a click or the keyboard reaches, and its height is part of the window's.
TEST_F(MenuWindowTest, ItsOwnTitleBarNamesTheAppClosesTheWindowAndCountsInItsHeight) {
    setStatus(kSignedIn);
    QQuickWindow* qw = openNew(MenuWindow::Mode::normal);
    ASSERT_NE(qw, nullptr);
    const QList<QQuickItem*> items = allItems(qw->contentItem());
    const auto named = std::find_if(items.begin(), items.end(),
                                    [](QQuickItem* i) { return i->objectName() == u"closeWindow"_qs; });
    ASSERT_NE(named, items.end());
    QQuickItem* close = *named;
    EXPECT_FALSE(close->isVisible());
    EXPECT_FALSE(showsText(qw, "Tovi"));
    const int framed = qw->height();
    window->handle()->setOwnTitleBar(true);
    // The layout takes the bar in at the next polish, from the render loop.
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->handle()->contentHeight() > framed; }));
    settle();
    EXPECT_TRUE(close->isVisible());
    EXPECT_TRUE(showsText(qw, "Tovi"));
    EXPECT_EQ(qw->height(), framed + 30);
    EXPECT_EQ(qw->height(), window->handle()->contentHeight());
    // First in the keyboard's round, at the top of the window, named for assistive technology.
    open();
    QTest::keyClick(qw, Qt::Key_Tab);
    ASSERT_EQ(qw->activeFocusItem(), close);
    const QAccessibleInterface* a = QAccessible::queryAccessibleInterface(close);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->text(QAccessible::Name).toStdString(), "Close");
    QTest::keyClick(qw, Qt::Key_Return);
    EXPECT_FALSE(window->isVisible());
    open();
    QTest::mouseClick(qw, Qt::LeftButton, {}, close->mapToScene(QPointF(12, 12)).toPoint());
    EXPECT_FALSE(window->isVisible());
}

// The keyboard as a user drives it: where Tab goes, where typing lands, nothing picked on opening.
TEST_F(MenuWindowTest, TheKeyboardStartsAtTheTopTypesIntoTheSearchAndPicksNothingByItself) {
    fakes.runner->reply(accountMeArguments(), FakeRunner::ok(R"({"id":"u1","team_id":"team-1"})"));
    QQuickWindow* qw = openNew(); // no status yet: the list is not there
    ASSERT_NE(qw, nullptr);
    setStatus(kSignedIn); // the list appears while open: typing still reaches the search field
    const auto* list = findList(qw);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(type(qw, "g"), "g");
    QTest::keyClick(qw, Qt::Key_Backspace);
    // A new opening: Tab goes header, search, list, footer, each stop named for assistive technology.
    open();
    QStringList stops;
    for (int i = 0; i < 10; ++i) {
        QTest::keyClick(qw, Qt::Key_Tab);
        QQuickItem* focus = qw->activeFocusItem();
        const QAccessibleInterface* a = focus ? QAccessible::queryAccessibleInterface(focus) : nullptr;
        stops << (focus ? focus->objectName() : QString()) +
                     (a && !a->text(QAccessible::Name).isEmpty() ? QString() : u"(unnamed)"_qs);
    }
    EXPECT_EQ(stops.join(u' ').toStdString(),
              "mark title accountMenu search spacesRow nodeCount notifications refresh upgrade mark");
    // Typing from a footer button goes to the search field too.
    QTest::keyClick(qw, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(type(qw, "s"), "s");
    // A row picked in one opening is not in the next: Return opens nothing, Down picks the first row.
    for (Qt::Key key : {Qt::Key_Backspace, Qt::Key_Down, Qt::Key_Down})
        QTest::keyClick(qw, key);
    QTest::keyClick(open(), Qt::Key_Return);
    EXPECT_TRUE(fakes.browser->opened().isEmpty());
    QTest::keyClick(qw, Qt::Key_Down);
    // The row picked is the one assistive technology reads: named and selected.
    const QAccessibleInterface* row =
        QAccessible::queryAccessibleInterface(list->property("currentItem").value<QQuickItem*>());
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->state().selected);
    EXPECT_EQ(row->text(QAccessible::Name).toStdString(), "studio, View nodes");
    QTest::keyClick(qw, Qt::Key_Return);
    ASSERT_EQ(fakes.browser->opened().size(), 1);
    EXPECT_EQ(fakes.browser->opened().first().path().toStdString(), "/team/team-1/nodes"); // the first row
}

TEST_F(MenuWindowTest, TheAccountMenuIsANativePopupBuiltFromTheViewModels) {
    setStatus(kSignedIn);
    serveProfiles();
    updater.m_hasFeed = false; // a distribution's build
    openNew();                 // reloads the profiles
    QMenu* popup = openAccountMenu();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_TRUE(window->handle()->accountMenuOpen());
    EXPECT_TRUE(window->isVisible()) << "the menu's focus does not close the window";
    EXPECT_EQ(
        describe(popup).toStdString(),
        u"# %1|Usage|Credits|Nodes|# Accounts|(mark) default — Acme (off)|R&&D — ann@rd.test|"
        u"> Remove account|-|Add account…|Sign out|-|# %2|Check for Updates… (off)|"
        u"[ ] Automatic updates|[ ] Open at Login|[ ] Keep Computer Awake|[ ] Sync agent history|[x] Notifications|-|Quit Tovi"_qs
            .arg(menu.accountMenu()->identityTitle(), menu.accountMenu()->versionHeading())
            .toStdString());
    EXPECT_EQ(actionNamed(popup, "Quit Tovi")->shortcut(), QKeySequence(u"Ctrl+Q"_qs));
    // The greyed "Check for Updates…" says why when the pointer rests on it.
    const QRect check = popup->actionGeometry(actionNamed(popup, "Check for Updates…"));
    QHelpEvent rest(QEvent::ToolTip, check.center(), popup->mapToGlobal(check.center()));
    QCoreApplication::sendEvent(popup, &rest);
    EXPECT_EQ(QToolTip::text(), menu.settings()->checkForUpdatesTooltip());
    QToolTip::hideText();
    // A switch sets the store and shows what it holds, also after the store's own change; a
    // profile row switches by its name as written; Esc leaves the window.
    actionNamed(popup, "Keep Computer Awake")->trigger();
    auto slowSwitch = fakes.runner->gate(CLICommands::profileUse(u"R&D"_qs));
    actionNamed(popup, "R&&D — ann@rd.test")->trigger();
    EXPECT_TRUE(actionNamed(popup, "R&&D — ann@rd.test")->icon().isNull()) << "until the switch is done";
    slowSwitch->open();
    store.setLaunchAtLogin(true);
    settle();
    EXPECT_TRUE(store.keepAwake());
    EXPECT_TRUE(actionNamed(popup, "Open at Login")->isChecked());
    EXPECT_EQ(fakes.runner->count(CLICommands::profileUse(u"R&D"_qs)), 1);
    QTest::keyClick(popup, Qt::Key_Escape);
    settle();
    EXPECT_FALSE(popup->isVisible());
    EXPECT_FALSE(window->handle()->accountMenuOpen());
    EXPECT_TRUE(window->isVisible());
    // "Add account…" asks in a dialog of its own; its answer starts a sign-in.
    auto gate = fakes.runner->gate(CLICommands::login({}).first(2));
    actionNamed(popup, "Add account…")->trigger();
    settle();
    AddAccountPrompt* prompt = window->accountMenu()->prompt();
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(QStringList({prompt->windowTitle(), prompt->continueButton()->text(),
                           prompt->cancelButton()->text(), prompt->field()->placeholderText()}),
              QStringList({u"Add account"_qs, u"Continue"_qs, u"Cancel"_qs, u"work"_qs}));
    // One fixed size and no minimise or maximise: a prompt, not a window of the application.
    EXPECT_EQ(prompt->minimumSize(), prompt->maximumSize());
    EXPECT_FALSE(prompt->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(prompt->continueButton()->isDefault());
    QTest::keyClicks(prompt->field(), u"  lab "_qs);
    QTest::keyClick(prompt->field(), Qt::Key_Return);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    settle();
    EXPECT_EQ(window->accountMenu()->prompt(), nullptr);
    EXPECT_NE(store.signInTask(), nullptr);
    EXPECT_EQ(fakes.runner->count(CLICommands::login(u"lab"_qs)), 1) << "the name trimmed";
    gate->open();
    // Signed out, the menu offers "Sign in" in their place.
    setStatus(kSignedOut);
    EXPECT_NE(actionNamed(popup, "Sign in"), nullptr);
    EXPECT_EQ(actionNamed(popup, "Sign out"), nullptr);
    EXPECT_EQ(actionNamed(popup, "Add account…"), nullptr);
}

// Pseudo-locale: ASCII letters left once the CLI's own words are taken out skipped translation.
TEST_F(MenuWindowTest, InThePseudoLocaleNoInterfaceTextIsLeftInEnglish) {
    QTranslator pseudo;
    ASSERT_TRUE(pseudo.load(u":/i18n/tovi_en_XA.qm"_qs));
    QCoreApplication::installTranslator(&pseudo); // until the end of the test
    setStatus(kSignedIn);
    serveProfiles();
    store.setKeepAwake(true);
    fakes.keepAwake->settle(false); // and the note under the switch
    openNew();
    ASSERT_NE(openAccountMenu(), nullptr);
    QStringList texts;
    for (QQuickItem* item : allItems(window->window()->contentItem()))
        for (const char* name : {"text", "placeholderText", "tooltip"})
            if (item->isVisible())
                texts << item->property(name).toString();
    for (QList<const QMenu*> menus{window->accountMenu()->menu()}; !menus.isEmpty();)
        for (const QAction* action : menus.takeFirst()->actions()) {
            texts << action->text() << action->toolTip();
            if (action->menu())
                menus << action->menu();
        }
    texts.removeAll(QString());
    const QRegularExpression cliWords(u"ada@example.com|Ada|Analytical|studio|terminal|docs-site|garage|"
                                      u"backups|running|ready|default|Acme|R&&?D|ann@rd.test"_qs,
                                      QRegularExpression::CaseInsensitiveOption);
    const QStringList english =
        QStringList(texts).replaceInStrings(cliWords, {}).filter(QRegularExpression(u"[A-Za-z]"_qs));
    EXPECT_GT(texts.size(), 40);
    EXPECT_TRUE(english.isEmpty()) << english.join(u'\n').toStdString();
}

// Names and CLI output show as characters: no styling, no links, no image fetched from the text.
TEST_F(MenuWindowTest, TextFromTheCliAndTheServiceIsShownAsWrittenAndFetchesNothing) {
    QTcpServer listener;
    ASSERT_TRUE(listener.listen(QHostAddress::LocalHost));
    const QString img = u"<img src=\"http://127.0.0.1:%1/seen.png\">"_qs.arg(listener.serverPort());
    const QString team = u"<b>Ana</b> & Co"_qs + img;
    const auto quoted = [](QString text) { return u"\"%1\""_qs.arg(text.replace(u'"', u"\\\""_qs)); };
    QString json = QString::fromUtf8(kSignedIn)
                       .replace(u"\"Analytical\""_qs, quoted(team))
                       .replace(u"\"studio\""_qs, quoted(u"<i>node</i>"_qs + img))
                       .replace(u"\"terminal\""_qs, quoted(u"<u>space</u>"_qs + img))
                       .replace(u"\"1.4.0\""_qs, u"\"<font color=red>1.4</font>\""_qs);
    setStatus(json.toUtf8());
    fakes.source->setResult(tovi::Error::cliFailed(1, u"<a href=\"https://evil.test\">failed</a>"_qs + img));
    QCoro::waitFor(store.refresh());
    serveProfiles(u"[{\"name\":\"<b>x</b>&y\",\"active\":true,\"team\":%1}]"_qs.arg(quoted(img)).toUtf8());
    QQuickWindow* qw = openNew();
    ASSERT_NE(qw, nullptr);
    QStringList marked;
    for (QQuickItem* item : allItems(qw->contentItem())) {
        const QString text = item->property("text").toString();
        if (item->inherits("QQuickText") && text.contains(u'<')) {
            marked << text;
            EXPECT_EQ(item->property("textFormat").toInt(), 0 /* Text.PlainText */) << text.toStdString();
        }
    }
    EXPECT_TRUE(marked.contains(team));
    EXPECT_TRUE(marked.contains(u"<font color=red>1.4</font>"_qs));
    EXPECT_EQ(marked.filter(QRegularExpression(u"^<u>space|evil\\.test"_qs)).size(), 2);
    ASSERT_NE(openAccountMenu(), nullptr); // with such a profile it once crashed here
    window->accountMenu()->menu()->grab(); // drawn, as a fetch would need
    window->accountMenu()->menu()->close();
    // Give a fetch every chance to arrive: rendering, the network thread, the event loop.
    qw->grabWindow();
    QTest::qWait(300);
    EXPECT_FALSE(listener.hasPendingConnections()) << "the window fetched an address from the text";
}

// Whatever length the CLI's names come in, a label lays out a few hundred characters at most (the
// window opened many seconds late with a team name of 200,000), and the account menu's heading,
// wider than any screen, ends in an ellipsis instead of being cut off mid-letter.
TEST_F(MenuWindowTest, TextsOfAnyLengthFromTheCliReachTheLabelsBounded) {
    const QString huge = QString(200'000, u'W');
    QString json = QString::fromUtf8(kSignedIn);
    for (const char* name :
         {"\"Ada\"", "\"Analytical\"", "\"studio\"", "\"terminal\"", "\"1.4.0\"", "\"1.5.0\""})
        json.replace(QString::fromUtf8(name), u'"' + QString::fromUtf8(name).mid(1, 2) + huge + u'"');
    setStatus(json.toUtf8());
    QQuickWindow* qw = openNew();
    ASSERT_NE(qw, nullptr);
    qsizetype longest = 0, texts = 0;
    for (QQuickItem* item : allItems(qw->contentItem()))
        if (item->inherits("QQuickText")) {
            longest = std::max(longest, item->property("text").toString().size());
            texts += item->property("text").toString().contains(u"WWW"_qs) ? 1 : 0;
        }
    EXPECT_GE(texts, 4) << "the long names are shown";
    EXPECT_LE(longest, 700);
    EXPECT_LE(qw->title().size(), 700);
    QMenu* popup = openAccountMenu();
    ASSERT_NE(popup, nullptr);
    const QString heading = popup->actions().value(0)->text();
    EXPECT_TRUE(heading.startsWith(u"AdWWW"_qs)) << heading.left(40).toStdString();
    EXPECT_TRUE(heading.endsWith(QChar(0x2026))) << heading.right(40).toStdString();
    EXPECT_LT(popup->sizeHint().width(), popup->screen()->availableGeometry().width());
}
