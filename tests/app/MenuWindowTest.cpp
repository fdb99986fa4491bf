#include "app/MenuWindow.h"
#include "model/Decoding.h"
#include "store/StatusStore.h"
#include "support/FakeAppUpdater.h"
#include "support/FakeDependencies.h"
#include "ui/MenuViewModel.h"
#include "ui/UpdaterViewModel.h"

#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTest>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>

#include <functional>

using namespace tovi;
using tovi::testing::FakeDependencies;

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

// With TOVI_WINDOW_SHOTS set to a folder, the tests leave a picture of each state there.
void keepShot(QQuickWindow* window, const char* name) {
    const QString dir = qEnvironmentVariable("TOVI_WINDOW_SHOTS");
    if (!dir.isEmpty())
        window->grabWindow().save(dir + u'/' + QLatin1String(name) + QStringLiteral(".png"));
}

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
        window = std::make_unique<MenuWindow>(mode, [this] {
            return QVariantMap{{QStringLiteral("menu"), QVariant::fromValue<QObject*>(menu.get())}};
        });
        return *window;
    }

    // Lets bindings, loaders and polished layouts settle.
    static void settle() {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }

    FakeDependencies fakes;
    tovi::testing::FakeAppUpdater updater;
    std::unique_ptr<StatusStore> store;
    std::unique_ptr<UpdaterViewModel> updaterViewModel;
    std::unique_ptr<MenuViewModel> menu;
    std::unique_ptr<MenuWindow> window;
};

} // namespace

TEST_F(MenuWindowTest, IsBuiltOnFirstOpenOnlyAndLaysOutCleanlyAtTheFixedWidth) {
    QmlWarnings warnings;
    setStatus(kSignedIn);
    MenuWindow& w = makeWindow();
    EXPECT_EQ(w.window(), nullptr) << "no Qt Quick before the first open";
    EXPECT_FALSE(w.isVisible());

    w.show();
    settle();
    ASSERT_NE(w.window(), nullptr);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.window()->width(), 340);
    EXPECT_EQ(w.window()->height(), qCeil(w.window()->property("contentHeight").toReal()));
    EXPECT_TRUE(w.window()->flags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(warnings.messages().isEmpty()) << warnings.messages().join(u'\n').toStdString();

    // Closing and opening again reuses the same window.
    QQuickWindow* first = w.window();
    w.hide();
    EXPECT_FALSE(w.isVisible());
    w.show();
    EXPECT_EQ(w.window(), first);
}

TEST_F(MenuWindowTest, TheBodyFollowsTheSignInStateAndTheHeightFollowsTheBody) {
    QmlWarnings warnings;
    setStatus(kSignedIn);
    MenuWindow& w = makeWindow();
    w.show();
    settle();
    QQuickWindow* qw = w.window();
    ASSERT_NE(qw, nullptr);

    // Signed in: the header shows the team, the search field has the keyboard, and the list
    // holds two node headers and three spaces.
    EXPECT_NE(findVisibleText(qw, QStringLiteral("Analytical")), nullptr);
    QQuickItem* search = findItem(qw->contentItem(), [](QQuickItem* item) {
        return item->property("placeholderText").toString() == QLatin1String("Search spaces");
    });
    ASSERT_NE(search, nullptr);
    EXPECT_TRUE(search->hasActiveFocus());
    QQuickItem* list =
        findItem(qw->contentItem(), [](QQuickItem* item) { return item->inherits("QQuickListView"); });
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->property("count").toInt(), 5);
    EXPECT_EQ(list->height(), 2 * 28 + 3 * 43);
    const int signedInHeight = qw->height();
    keepShot(qw, "spaces");

    // Typing narrows the list through the view model, and Down + Enter opens the first row.
    for (const char key : {'d', 'o', 'c', 's'})
        QTest::keyClick(qw, key);
    settle();
    EXPECT_EQ(menu->body()->spaces()->searchText(), QStringLiteral("docs"));
    EXPECT_EQ(list->property("count").toInt(), 2);
    keepShot(qw, "search");

    // Signed out: the welcome form replaces the list, and the window shrinks or grows with it.
    setStatus(R"({"authenticated": false})");
    settle();
    EXPECT_NE(findVisibleText(qw, QStringLiteral("Welcome to Tovi")), nullptr);
    EXPECT_NE(findVisibleText(qw, QStringLiteral("Sign in")), nullptr);
    EXPECT_EQ(findVisibleText(qw, QStringLiteral("Analytical")), nullptr);
    EXPECT_NE(qw->height(), signedInHeight);
    keepShot(qw, "signed-out");
    EXPECT_EQ(qw->height(), qCeil(qw->property("contentHeight").toReal()));

    EXPECT_TRUE(warnings.messages().isEmpty()) << warnings.messages().join(u'\n').toStdString();
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

    // The tray click toggles: open, then closed again.
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
