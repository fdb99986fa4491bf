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
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QListView>
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

QList<QWidget*> visibleWidgets(QWidget* root) {
    QList<QWidget*> widgets;
    for (QWidget* w : root->findChildren<QWidget*>())
        if (w->isVisible())
            widgets << w;
    return widgets;
}

bool showsText(QWidget* window, const char* text) {
    const QList<QWidget*> widgets = visibleWidgets(window);
    return std::any_of(widgets.begin(), widgets.end(), [&](QWidget* w) {
        auto* label = qobject_cast<QLabel*>(w);
        return label && label->text() == QString::fromUtf8(text);
    });
}

QListView* findList(QWidget* window) {
    return window->findChild<QListView*>();
}

int rows(QWidget* window) {
    return findList(window)->model()->rowCount();
}

// A key as a user presses it: to whatever has the keyboard.
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(static_cast<QWidget*>(nullptr), key, modifiers);
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
    void setStatus(const QByteArray& json) {
        fakes.source->setResult(*decodeInternalStatus(json));
        QCoro::waitFor(store.refresh());
        settle();
    }
    // Opens (again), lets layouts settle, and hands back the window's widget.
    QWidget* open() {
        window->hide();
        window->show();
        settle();
        // The offscreen platform keeps its focus window across a hide, and so reports no new
        // activation for the window shown again; a desktop does.
        if (window->widget() && !QApplication::activeWindow())
            QApplication::setActiveWindow(window->widget());
        return window->widget();
    }
    QWidget* openNew(MenuWindow::Mode mode = MenuWindow::Mode::dropDown) {
        window = std::make_unique<MenuWindow>(mode, &menu);
        return open();
    }
    static void settle() {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }
    // A click on the header's menu button.
    QMenu* openAccountMenu() {
        window->widget()->findChild<QAbstractButton*>(u"accountMenu"_qs)->click();
        settle();
        return window->accountMenu() ? window->accountMenu()->menu() : nullptr;
    }
    // Keys as a user types them; returns what the search field then holds.
    std::string type(const char* keys) {
        for (const char* key = keys; *key; ++key)
            QTest::keyClick(static_cast<QWidget*>(nullptr), *key);
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
    setStatus(kSignedIn);
    window = std::make_unique<MenuWindow>(MenuWindow::Mode::dropDown, &menu);
    EXPECT_EQ(window->widget(), nullptr) << "no window before the first open";
    QWidget* w = open();
    ASSERT_NE(w, nullptr);
    const auto fitsContent = [&] { return w->height() == window->handle()->contentHeight(); };
    EXPECT_TRUE(window->isVisible()), (void*)QGuiApplication::focusWindow();
    EXPECT_TRUE(fitsContent());
    EXPECT_TRUE(window->window()->flags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(w->width(), 340);
    // Signed in: the team, two node headers and three spaces; typing narrows the list.
    EXPECT_TRUE(showsText(w, "Analytical"));
    ASSERT_NE(findList(w), nullptr);
    EXPECT_EQ(rows(w), 5);
    EXPECT_EQ(findList(w)->height(), 2 * 28 + 3 * 43);
    const int signedInHeight = w->height();
    EXPECT_EQ(type("docs"), "docs");
    EXPECT_EQ(rows(w), 2);
    settle();
    EXPECT_LT(w->height(), signedInHeight);
    EXPECT_TRUE(fitsContent());
    // Signed out: the welcome form replaces the list, and the window shrinks or grows with it.
    setStatus(kSignedOut);
    EXPECT_TRUE(showsText(w, "Welcome to Tovi"));
    EXPECT_FALSE(showsText(w, "Analytical"));
    EXPECT_NE(w->height(), signedInHeight);
    EXPECT_TRUE(fitsContent());
    EXPECT_EQ(open(), w) << "opening again reuses the window";
    setStatus(kSignedIn);

    press(Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible()), (void*)QGuiApplication::focusWindow();
    // One quit shortcut (two on one key would be ambiguous and neither fire); the tray click toggles.
    int quits = 0;
    QObject::connect(&menu, &MenuViewModel::quitRequested, [&] { ++quits; });
    open();
    press(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1);
    window->hide();
    window->toggle();
    EXPECT_TRUE(window->isVisible()), (void*)QGuiApplication::focusWindow();
    window->toggle();
    EXPECT_FALSE(window->isVisible()), (void*)QGuiApplication::focusWindow();
    // Without a tray, a normal window framed as the platform's rule says (offscreen: as on X11).
    w = openNew(MenuWindow::Mode::normal);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(window->window()->flags(), normalWindowFrame(u"offscreen").flags);
    EXPECT_FALSE(window->handle()->ownTitleBar());
    EXPECT_EQ(w->width(), 340);
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
    QWidget* w = openNew(MenuWindow::Mode::normal);
    ASSERT_NE(w, nullptr);
    auto* close = w->findChild<QAbstractButton*>(u"closeWindow"_qs);
    ASSERT_NE(close, nullptr);
    EXPECT_FALSE(close->isVisible());
    EXPECT_FALSE(showsText(w, "Tovi"));
    const int framed = w->height();
    window->handle()->setOwnTitleBar(true);
    settle();
    EXPECT_TRUE(close->isVisible());
    EXPECT_TRUE(showsText(w, "Tovi"));
    EXPECT_EQ(w->height(), framed + 30);
    EXPECT_EQ(w->height(), window->handle()->contentHeight());
    // First in the keyboard's round, at the top of the window, named for assistive technology.
    open();
    press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), close);
    const QAccessibleInterface* a = QAccessible::queryAccessibleInterface(close);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->text(QAccessible::Name).toStdString(), "Close");
    press(Qt::Key_Return);
    EXPECT_FALSE(window->isVisible()), (void*)QGuiApplication::focusWindow();
    open();
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible()), (void*)QGuiApplication::focusWindow();
}

// The keyboard as a user drives it: where Tab goes, where typing lands, nothing picked on opening.
TEST_F(MenuWindowTest, TheKeyboardStartsAtTheTopTypesIntoTheSearchAndPicksNothingByItself) {
    fakes.runner->reply(accountMeArguments(), FakeRunner::ok(R"({"id":"u1","team_id":"team-1"})"));
    QWidget* w = openNew(); // no status yet: the list is not there
    ASSERT_NE(w, nullptr);
    QStringList trail; // what the trace says of the keyboard
    QObject::connect(window.get(), &MenuWindow::focusChanged, [&](const QString& item) { trail << item; });
    setStatus(kSignedIn); // the list appears while open: typing still reaches the search field
    EXPECT_EQ(type("g"), "g");
    press(Qt::Key_Backspace);
    // A new opening: Tab goes header, search, list, footer, each stop named for assistive technology.
    open();
    EXPECT_EQ(trail.value(trail.size() - 1).toStdString(), "window");
    trail.clear();
    QStringList unnamed;
    for (int i = 0; i < 10; ++i) {
        press(Qt::Key_Tab);
        const QAccessibleInterface* a = QAccessible::queryAccessibleInterface(QApplication::focusWidget());
        if (!a || a->text(QAccessible::Name).isEmpty())
            unnamed << trail.value(trail.size() - 1);
    }
    EXPECT_EQ(trail.join(u' ').toStdString(),
              "mark title accountMenu search spacesRow nodeCount notifications refresh upgrade mark");
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(u' ').toStdString();
    // Typing from a footer button goes to the search field too.
    press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(type("s"), "s");
    // A row picked in one opening is not in the next: Return opens nothing, Down picks the first row.
    for (Qt::Key key : {Qt::Key_Backspace, Qt::Key_Down, Qt::Key_Down})
        press(key);
    open();
    press(Qt::Key_Return);
    EXPECT_TRUE(fakes.browser->opened().isEmpty());
    press(Qt::Key_Down);
    // The row picked is the one assistive technology reads: named and selected.
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(findList(w));
    ASSERT_NE(list, nullptr);
    ASSERT_NE(list->tableInterface(), nullptr);
    const QAccessibleInterface* row = list->tableInterface()->cellAt(0, 0);
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->state().selected);
    EXPECT_EQ(row->text(QAccessible::Name).toStdString(), "studio, View nodes");
    press(Qt::Key_Return);
    ASSERT_EQ(fakes.browser->opened().size(), 1);
    EXPECT_EQ(fakes.browser->opened().first().path().toStdString(), "/team/team-1/nodes"); // the first row
    // A screen that goes takes the keyboard back to the window, not on to a control of the next.
    open();
    for (int i = 0; i < 4; ++i)
        press(Qt::Key_Tab);
    EXPECT_EQ(trail.value(trail.size() - 1).toStdString(), "search");
    setStatus(kSignedOut);
    EXPECT_EQ(trail.value(trail.size() - 1).toStdString(), "window");
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
    EXPECT_TRUE(window->isVisible()), (void*)QGuiApplication::focusWindow();
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
    for (QWidget* w : visibleWidgets(window->widget())) {
        texts << w->accessibleName() << w->accessibleDescription();
        for (const char* name : {"text", "placeholderText"})
            texts << w->property(name).toString();
    }
    for (QList<const QMenu*> menus{window->accountMenu()->menu()}; !menus.isEmpty();)
        for (const QAction* action : menus.takeFirst()->actions()) {
            texts << action->text() << action->toolTip();
            if (action->menu())
                menus << action->menu();
        }
    texts.removeAll(QString());
    texts.removeAll(window->widget()->windowTitle()); // the header's, checked where it is made
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
    QWidget* w = openNew();
    ASSERT_NE(w, nullptr);
    QStringList marked;
    for (auto* label : w->findChildren<QLabel*>()) {
        if (label->text().contains(u'<')) {
            marked << label->text();
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
        }
    }
    EXPECT_TRUE(marked.contains(team));
    EXPECT_TRUE(marked.contains(u"<font color=red>1.4</font>"_qs));
    EXPECT_EQ(marked.filter(QRegularExpression(u"evil\\.test"_qs)).size(), 1);
    ASSERT_NE(openAccountMenu(), nullptr); // with such a profile it once crashed here
    window->accountMenu()->menu()->grab(); // drawn, as a fetch would need
    window->accountMenu()->menu()->close();
    // Give a fetch every chance to arrive: rendering, the network thread, the event loop.
    w->grab();
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
    QWidget* w = openNew();
    ASSERT_NE(w, nullptr);
    qsizetype longest = 0, texts = 0;
    for (auto* label : w->findChildren<QLabel*>()) {
        longest = std::max(longest, label->text().size());
        texts += label->text().contains(u"WWW"_qs) ? 1 : 0;
    }
    EXPECT_GE(texts, 2) << "the long names are shown";
    EXPECT_LE(longest, 700);
    EXPECT_LE(w->windowTitle().size(), 700);
    QMenu* popup = openAccountMenu();
    ASSERT_NE(popup, nullptr);
    const QString heading = popup->actions().value(0)->text();
    EXPECT_TRUE(heading.startsWith(u"AdWWW"_qs)) << heading.left(40).toStdString();
    EXPECT_TRUE(heading.endsWith(QChar(0x2026))) << heading.right(40).toStdString();
    EXPECT_LT(popup->sizeHint().width(), popup->screen()->availableGeometry().width());
}
