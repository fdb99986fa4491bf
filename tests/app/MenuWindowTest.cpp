#include "app/MenuWindow.h"
#include "app/AccountMenu.h"
#include "model/Decoding.h"
#include "store/StatusStore.h"
#include "support/FakeAppUpdater.h"
#include "support/FakeDependencies.h"
#include "ui/MenuViewModel.h"
#include "ui/UpdaterViewModel.h"

#include <QAccessible>
#include <QAction>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>
#include <QTranslator>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>

#include <algorithm>
#include <functional>

using namespace tovi;
using tovi::testing::FakeDependencies;
using tovi::testing::FakeRunner;

namespace {

const char* kSignedIn = R"({
  "authenticated": true,
  "account": {"name": "Ada", "email": "ada@example.com", "team": "Analytical"},
  "cli": {"current_version": "1.4.0", "latest_version": "1.5.0"},
  "spaces": {"nodes": [
    {"id": "n1", "name": "studio", "online": true, "spaces": [
      {"id": "s1", "name": "terminal", "icon": "mdi:console", "online": true, "status": "running"},
      {"id": "s2", "name": "docs-site", "icon": "mdi:web", "online": true, "status": "ready"}]},
    {"id": "n2", "name": "garage", "online": false, "spaces": [
      {"id": "s3", "name": "backups", "online": false, "stopped": true, "status": "stopped"}]}]},
  "nodes": {"online": 1, "total": 2},
  "notifications": {"unread": 2}
})";

// Collects what the QML engine complains about: a binding to a missing property or a
// type error shows up here long before anyone sees a blank window.
class QmlWarnings {
public:
    QmlWarnings() {
        s_messages.clear();
        s_previous = qInstallMessageHandler(&QmlWarnings::handle);
    }
    ~QmlWarnings() { qInstallMessageHandler(s_previous); }
    QStringList messages() const { return s_messages; }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (type != QtDebugMsg && type != QtInfoMsg &&
            (message.contains(QLatin1String("qrc:/")) || message.contains(QLatin1String("QML"))))
            s_messages << message;
        if (s_previous)
            s_previous(type, context, message);
    }
    static inline QStringList s_messages;
    static inline QtMessageHandler s_previous = nullptr;
};

QQuickItem* findItem(QQuickItem* root, const std::function<bool(QQuickItem*)>& match) {
    if (!root)
        return nullptr;
    if (match(root))
        return root;
    for (QQuickItem* child : root->childItems()) {
        if (QQuickItem* found = findItem(child, match))
            return found;
    }
    return nullptr;
}

QQuickItem* findVisibleText(QQuickWindow* window, const QString& text) {
    return findItem(window->contentItem(), [&](QQuickItem* item) {
        return item->isVisible() && item->property("text").toString() == text;
    });
}

QString accessibleName(QQuickItem* item) {
    const QAccessibleInterface* a = item ? QAccessible::queryAccessibleInterface(item) : nullptr;
    return a ? a->text(QAccessible::Name) : QString();
}

QList<QQuickItem*> allItems(QQuickItem* root) {
    QList<QQuickItem*> items{root};
    for (QQuickItem* child : root->childItems())
        items += allItems(child);
    return items;
}

// The menu as a user reads it: "-" a divider, "# text" a heading, "> text" a submenu, and
// "[x]" / "[ ]" a switch or a profile row, "(off)" a disabled entry.
QStringList describe(const QMenu* menu) {
    QStringList rows;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            rows << (action->text().isEmpty() ? QStringLiteral("-") : u"# "_qs + action->text());
            continue;
        }
        QString row = action->menu() ? u"> "_qs + action->text() : action->text();
        if (action->isCheckable())
            row.prepend(action->isChecked() ? u"[x] "_qs : u"[ ] "_qs);
        if (!action->isEnabled())
            row.append(u" (off)"_qs);
        rows << row;
    }
    return rows;
}

QAction* actionNamed(const QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

class MenuWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        QQuickStyle::setStyle(QStringLiteral("Fusion"));
    }

    void SetUp() override {
        fakes.useFakeSource();
        store = std::make_unique<StatusStore>(fakes.make());
        updaterViewModel = std::make_unique<UpdaterViewModel>(&updater);
        menu = std::make_unique<MenuViewModel>(store.get(), updaterViewModel.get());
    }

    void TearDown() override {
        window.reset();
        menu.reset();
        store.reset();
        fakes.releaseAll();
    }

    void setStatus(const QByteArray& json) {
        auto decoded = decodeInternalStatus(json);
        ASSERT_TRUE(decoded.ok()) << decoded.error().description().toStdString();
        fakes.source->setResult(decoded.value());
        QCoro::waitFor(store->refresh());
    }

    MenuWindow& makeWindow(MenuWindow::Mode mode = MenuWindow::Mode::dropDown) {
        window = std::make_unique<MenuWindow>(mode, menu.get());
        return *window;
    }

    // Lets bindings, loaders and polished layouts settle.
    static void settle() {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }

    // The header's menu button, as QML reports a click on it.
    static void clickMenuButton(MenuWindow& w) {
        QMetaObject::invokeMethod(w.window(), "accountMenuRequested", Q_ARG(double, 330.0),
                                  Q_ARG(double, 40.0));
    }

    FakeDependencies fakes;
    tovi::testing::FakeAppUpdater updater;
    std::unique_ptr<StatusStore> store;
    std::unique_ptr<UpdaterViewModel> updaterViewModel;
    std::unique_ptr<MenuViewModel> menu;
    std::unique_ptr<MenuWindow> window;
};

} // namespace

TEST_F(MenuWindowTest, IsBuiltOnFirstOpenAndItsBodyAndHeightFollowTheSignInState) {
    QmlWarnings warnings;
    setStatus(kSignedIn);
    MenuWindow& w = makeWindow();
    EXPECT_EQ(w.window(), nullptr) << "no Qt Quick before the first open";
    w.show();
    settle();
    QQuickWindow* qw = w.window();
    ASSERT_NE(qw, nullptr);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(qw->width(), 340);
    EXPECT_EQ(qw->height(), qCeil(qw->property("contentHeight").toReal()));
    EXPECT_TRUE(qw->flags().testFlag(Qt::FramelessWindowHint));

    // Signed in: the header shows the team, and the list holds two node headers and three
    // spaces; typing narrows it through the view model.
    EXPECT_NE(findVisibleText(qw, QStringLiteral("Analytical")), nullptr);
    QQuickItem* list =
        findItem(qw->contentItem(), [](QQuickItem* item) { return item->inherits("QQuickListView"); });
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->property("count").toInt(), 5);
    EXPECT_EQ(list->height(), 2 * 28 + 3 * 43);
    const int signedInHeight = qw->height();
    for (const char key : {'d', 'o', 'c', 's'})
        QTest::keyClick(qw, key);
    settle();
    EXPECT_EQ(menu->body()->spaces()->searchText(), QStringLiteral("docs"));
    EXPECT_EQ(list->property("count").toInt(), 2);

    // Signed out: the welcome form replaces the list, and the window shrinks or grows with it.
    setStatus(R"({"authenticated": false})");
    settle();
    EXPECT_NE(findVisibleText(qw, QStringLiteral("Welcome to Tovi")), nullptr);
    EXPECT_EQ(findVisibleText(qw, QStringLiteral("Analytical")), nullptr);
    EXPECT_NE(qw->height(), signedInHeight);
    EXPECT_EQ(qw->height(), qCeil(qw->property("contentHeight").toReal()));
    EXPECT_TRUE(warnings.messages().isEmpty()) << warnings.messages().join(u'\n').toStdString();

    // Closing and opening again reuses the same window.
    w.hide();
    w.show();
    EXPECT_EQ(w.window(), qw);
}

TEST_F(MenuWindowTest, EscapeClosesAndAWindowWithoutATrayKeepsItsFrame) {
    setStatus(kSignedIn);
    MenuWindow& dropDown = makeWindow();
    dropDown.show();
    settle();
    ASSERT_TRUE(dropDown.isVisible());
    QTest::keyClick(dropDown.window(), Qt::Key_Escape);
    settle();
    EXPECT_FALSE(dropDown.isVisible());

    // One quit shortcut (two on the same key would be ambiguous and neither would fire), and
    // the tray click toggles.
    int quits = 0;
    QObject::connect(menu.get(), &MenuViewModel::quitRequested, [&] { ++quits; });
    dropDown.show();
    settle();
    QTest::keyClick(dropDown.window(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1);
    dropDown.hide();
    dropDown.toggle();
    settle();
    EXPECT_TRUE(dropDown.isVisible());
    dropDown.toggle();
    EXPECT_FALSE(dropDown.isVisible());

    MenuWindow& normal = makeWindow(MenuWindow::Mode::normal);
    normal.show();
    settle();
    ASSERT_NE(normal.window(), nullptr);
    EXPECT_FALSE(normal.window()->flags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(normal.window()->width(), 340);
}

// The keyboard as a user drives it: where Tab goes, where typing lands, and that each opening
// starts with nothing picked.
TEST_F(MenuWindowTest, TheKeyboardStartsAtTheTopTypesIntoTheSearchAndPicksNothingByItself) {
    fakes.runner->reply(tovi::testing::accountMeArguments(),
                        FakeRunner::ok(R"({"id":"u1","team_id":"team-1"})"));
    MenuWindow& w = makeWindow();
    w.show(); // no status yet: the list is not there
    settle();
    QQuickWindow* qw = w.window();
    ASSERT_NE(qw, nullptr);

    // The list appears while the window is open: typing still reaches the search field.
    setStatus(kSignedIn);
    settle();
    QTest::keyClick(qw, 'g');
    settle();
    EXPECT_EQ(menu->body()->spaces()->searchText(), QStringLiteral("g"));
    QTest::keyClick(qw, Qt::Key_Backspace);
    settle();

    // A new opening: Tab visits the header, the search field, the list, then the footer.
    w.hide();
    w.show();
    settle();
    QStringList stops;
    for (int i = 0; i < 10; ++i) {
        QTest::keyClick(qw, Qt::Key_Tab);
        stops << (qw->activeFocusItem() ? qw->activeFocusItem()->objectName() : QString());
        // Each stop is named for assistive technology.
        if (accessibleName(qw->activeFocusItem()).isEmpty())
            stops.last() += u"(unnamed)"_qs;
    }
    EXPECT_EQ(stops.join(u' ').toStdString(), "mark title accountMenu search spacesRow nodeCount "
                                              "notifications refresh upgrade mark");
    // Typing from a footer button goes to the search field too.
    QTest::keyClick(qw, Qt::Key_Tab, Qt::ShiftModifier);
    QTest::keyClick(qw, 's');
    settle();
    EXPECT_EQ(menu->body()->spaces()->searchText(), QStringLiteral("s"));
    EXPECT_EQ(qw->activeFocusItem()->objectName(), QStringLiteral("search"));

    // A row picked in one opening is not picked in the next: Return there opens nothing, and
    // Down picks the first row again.
    QTest::keyClick(qw, Qt::Key_Backspace);
    QTest::keyClick(qw, Qt::Key_Down);
    QTest::keyClick(qw, Qt::Key_Down);
    w.hide();
    w.show();
    settle();
    QTest::keyClick(qw, Qt::Key_Return);
    settle();
    EXPECT_TRUE(fakes.browser->opened().isEmpty());
    QTest::keyClick(qw, Qt::Key_Down);
    // The row picked is the one assistive technology reads: named and selected.
    QQuickItem* list =
        findItem(qw->contentItem(), [](QQuickItem* item) { return item->inherits("QQuickListView"); });
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
    fakes.runner->reply(tovi::testing::profileListArguments(),
                        FakeRunner::ok(R"([{"name":"default","active":true,"team":"Acme"},
                                           {"name":"R&D","email":"ann@rd.test"}])"));
    MenuWindow& w = makeWindow();
    w.show(); // reloads the profiles
    settle();
    clickMenuButton(w);
    settle();
    ASSERT_NE(w.accountMenu(), nullptr);
    QMenu* popup = w.accountMenu()->menu();
    EXPECT_TRUE(popup->isVisible());
    EXPECT_TRUE(w.isVisible()) << "the menu's focus does not close the window";
    EXPECT_TRUE(w.window()->property("accountMenuOpen").toBool());
    const QStringList expected{u"# "_qs + menu->accountMenu()->identityTitle(),
                               u"Usage"_qs,
                               u"Credits"_qs,
                               u"Nodes"_qs,
                               u"# Accounts"_qs,
                               u"[x] default — Acme (off)"_qs,
                               u"[ ] R&&D — ann@rd.test"_qs,
                               u"> Remove account"_qs,
                               u"-"_qs,
                               u"Add account…"_qs,
                               u"Sign out"_qs,
                               u"-"_qs,
                               u"# "_qs + menu->accountMenu()->versionHeading(),
                               u"Check for Updates… (off)"_qs,
                               u"[ ] Automatic updates"_qs,
                               u"[ ] Open at Login"_qs,
                               u"[ ] Keep Computer Awake"_qs,
                               u"[ ] Sync agent history"_qs,
                               u"-"_qs,
                               u"Quit Tovi"_qs};
    EXPECT_EQ(describe(popup).join(u'\n').toStdString(), expected.join(u'\n').toStdString());
    EXPECT_EQ(describe(actionNamed(popup, u"Remove account"_qs)->menu()).join(u'|'), u"default|R&&D"_qs);
    EXPECT_EQ(actionNamed(popup, u"Quit Tovi"_qs)->shortcut(), QKeySequence(u"Ctrl+Q"_qs));

    // A switch writes through the view model and shows the stored value once rebuilt.
    actionNamed(popup, u"Keep Computer Awake"_qs)->trigger();
    settle();
    EXPECT_TRUE(store->keepAwake());
    EXPECT_TRUE(actionNamed(popup, u"Keep Computer Awake"_qs)->isChecked());
    // A profile row switches to that profile; Esc closes the menu and the window stays.
    actionNamed(popup, u"R&&D — ann@rd.test"_qs)->trigger();
    settle();
    EXPECT_EQ(fakes.runner->count({u"account"_qs, u"profile"_qs, u"use"_qs, u"R&D"_qs}), 1);
    QTest::keyClick(popup, Qt::Key_Escape);
    settle();
    EXPECT_FALSE(popup->isVisible());
    EXPECT_FALSE(w.window()->property("accountMenuOpen").toBool());
    EXPECT_TRUE(w.isVisible());

    // "Add account…" asks in a dialog of its own; its answer, trimmed, starts a sign-in.
    auto gate = fakes.runner->gate({u"account"_qs, u"login"_qs});
    actionNamed(popup, u"Add account…"_qs)->trigger();
    settle();
    QInputDialog* prompt = w.accountMenu()->prompt();
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(prompt->okButtonText(), u"Continue"_qs);
    EXPECT_EQ(prompt->findChild<QLineEdit*>()->placeholderText(), u"work"_qs);
    prompt->setTextValue(u" \tlab "_qs);
    prompt->accept();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    settle();
    EXPECT_EQ(w.accountMenu()->prompt(), nullptr);
    EXPECT_NE(store->signInTask(), nullptr);
    gate->open();
    settle();

    // Signed out, the menu offers "Sign in" in their place.
    setStatus(R"({"authenticated": false})");
    settle();
    EXPECT_NE(actionNamed(popup, u"Sign in"_qs), nullptr);
    EXPECT_EQ(actionNamed(popup, u"Sign out"_qs), nullptr);
    EXPECT_EQ(actionNamed(popup, u"Add account…"_qs), nullptr);
}

// In the pseudo-locale every letter the interface writes is accented: plain ASCII letters left
// once the CLI's own words are taken out are a text that skipped translation.
TEST_F(MenuWindowTest, InThePseudoLocaleNoInterfaceTextIsLeftInEnglish) {
    QTranslator pseudo;
    ASSERT_TRUE(pseudo.load(u":/i18n/tovi_en_XA.qm"_qs));
    QCoreApplication::installTranslator(&pseudo); // until the end of the test
    setStatus(kSignedIn);
    fakes.runner->reply(tovi::testing::profileListArguments(),
                        FakeRunner::ok(R"([{"name":"default","active":true,"team":"Acme"},{"name":"lab"}])"));
    store->setKeepAwake(true);
    fakes.keepAwake->settle(false); // and the note under the switch
    MenuWindow& w = makeWindow();
    w.show();
    settle();
    clickMenuButton(w);
    settle();
    ASSERT_NE(w.accountMenu(), nullptr);

    const QStringList cliWords{
        u"ada@example.com"_qs, u"Ada"_qs,    u"Analytical"_qs, u"studio"_qs,  u"terminal"_qs,
        u"docs-site"_qs,       u"garage"_qs, u"backups"_qs,    u"running"_qs, u"ready"_qs,
        u"default"_qs,         u"Acme"_qs,   u"lab"_qs};
    QStringList texts;
    for (QQuickItem* item : allItems(w.window()->contentItem())) {
        for (const char* name : {"text", "placeholderText", "tooltip"}) {
            if (item->isVisible() && !item->property(name).toString().isEmpty())
                texts << item->property(name).toString();
        }
    }
    QList<const QMenu*> menus{w.accountMenu()->menu()};
    for (qsizetype i = 0; i < menus.size(); ++i) {
        for (const QAction* action : menus.at(i)->actions()) {
            texts << action->text() << action->toolTip();
            if (action->menu())
                menus << action->menu();
        }
    }
    QStringList english;
    for (const QString& text : std::as_const(texts)) {
        QString rest = text;
        for (const QString& word : cliWords)
            rest.remove(word, Qt::CaseInsensitive);
        if (rest.contains(QRegularExpression(u"[A-Za-z]"_qs)))
            english << text;
    }
    EXPECT_GT(texts.size(), 40);
    EXPECT_TRUE(english.isEmpty()) << english.join(u'\n').toStdString();
    keepShot(w.window(), "pseudo-locale");
}

// Whoever names a team, a node, a space or a profile, and whatever a CLI prints, the window
// shows the characters: no styling, no links, no image fetched from an address in the text.
TEST_F(MenuWindowTest, TextFromTheCliAndTheServiceIsShownAsWrittenAndFetchesNothing) {
    QTcpServer listener;
    ASSERT_TRUE(listener.listen(QHostAddress::LocalHost));
    const QString img = u"<img src=\"http://127.0.0.1:%1/seen.png\">"_qs.arg(listener.serverPort());
    const QString team = u"<b>Ana</b> & Co"_qs + img;
    QString json = QString::fromUtf8(kSignedIn);
    json.replace(u"\"Analytical\""_qs, u"\"%1\""_qs.arg(QString(team).replace(u'"', u"\\\""_qs)));
    json.replace(u"\"studio\""_qs, u"\"<i>node</i>%1\""_qs.arg(QString(img).replace(u'"', u"\\\""_qs)));
    json.replace(u"\"terminal\""_qs, u"\"<u>space</u>%1\""_qs.arg(QString(img).replace(u'"', u"\\\""_qs)));
    json.replace(u"\"1.4.0\""_qs, u"\"<font color=red>1.4</font>\""_qs);
    setStatus(json.toUtf8());
    const QString error = u"<a href=\"https://evil.test\">failed</a>"_qs + img;
    fakes.source->setResult(tovi::Error::cliFailed(1, error));
    QCoro::waitFor(store->refresh());
    QByteArray profiles = R"([{"name":"<b>x</b>&y","active":true,"team":"TEAM"}])";
    profiles.replace("TEAM", QString(img).replace(u'"', u"\\\""_qs).toUtf8());
    fakes.runner->reply(tovi::testing::profileListArguments(), FakeRunner::ok(profiles));

    MenuWindow& w = makeWindow();
    w.show();
    settle();
    QQuickWindow* qw = w.window();
    ASSERT_NE(qw, nullptr);
    QStringList marked;
    for (QQuickItem* item : allItems(qw->contentItem())) {
        const QString text = item->property("text").toString();
        if (!item->inherits("QQuickText") || !text.contains(u'<'))
            continue;
        marked << text;
        EXPECT_EQ(item->property("textFormat").toInt(), 0 /* Text.PlainText */) << text.toStdString();
    }
    EXPECT_TRUE(marked.contains(team));
    EXPECT_TRUE(marked.contains(u"<font color=red>1.4</font>"_qs));
    EXPECT_TRUE(std::any_of(marked.begin(), marked.end(),
                            [](const QString& t) { return t.startsWith(u"<u>space"_qs); }));
    EXPECT_TRUE(std::any_of(marked.begin(), marked.end(),
                            [](const QString& t) { return t.contains(u"evil.test"_qs); }));

    // The menu opens with such a profile (it once crashed here) and shows it as written.
    clickMenuButton(w);
    settle();
    EXPECT_TRUE(describe(w.accountMenu()->menu()).contains(u"[x] <b>x</b>&&y — "_qs + img + u" (off)"_qs));
    w.accountMenu()->menu()->close();

    // Give a fetch every chance to arrive: rendering, the network thread, the event loop.
    qw->grabWindow();
    QTest::qWait(300);
    EXPECT_FALSE(listener.hasPendingConnections()) << "the window fetched an address from the text";
}
