#include "StoreFixture.h"

#include "store/WebOrigin.h"

#include "BuildConfig.h"

namespace tovi::testing {
namespace {

const QString didRegister = QStringLiteral("didRegisterLoginItem");

TEST_F(StoreTest, LoginItemIsRegisteredOnceFromAnInstalledLocation) {
    // From a temporary copy or elsewhere: nothing, and the flag stays unset.
    for (AppLocation where : {AppLocation::temporary, AppLocation::elsewhere}) {
        *fakes.location = where;
        makeStore().registerLoginItemOnFirstLaunch();
        EXPECT_TRUE(fakes.loginItem->requests().isEmpty());
        EXPECT_FALSE(fakes.defaults->contains(didRegister));
    }

    *fakes.location = AppLocation::applicationsFolder;
    StatusStore& s = makeStore();
    QSignalSpy changed(&s, &StatusStore::launchAtLoginEnabledChanged);
    s.registerLoginItemOnFirstLaunch();
    EXPECT_EQ(fakes.loginItem->requests(), QList<bool>{true});
    EXPECT_TRUE(s.launchAtLoginEnabled());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(fakes.defaults->boolValue(didRegister), true);

    // The user turns it off; later launches leave it off.
    s.setLaunchAtLogin(false);
    makeStore().registerLoginItemOnFirstLaunch();
    EXPECT_EQ(fakes.loginItem->requests(), (QList<bool>{true, false}));
    EXPECT_FALSE(store().launchAtLoginEnabled());

    // A failed first registration is not retried, and says nothing.
    fakes.defaults->remove(didRegister);
    fakes.loginItem->failWith(QStringLiteral("read-only"));
    makeStore().registerLoginItemOnFirstLaunch();
    store().registerLoginItemOnFirstLaunch();
    EXPECT_EQ(fakes.loginItem->requests().size(), 3);
    EXPECT_FALSE(store().maintenanceMessage());
}

TEST_F(StoreTest, OpenAtLoginSwitchShowsThePlatformsState) {
    fakes.loginItem->failWith(QStringLiteral("autostart folder is read-only"));
    StatusStore& s = makeStore();
    QSignalSpy changed(&s, &StatusStore::launchAtLoginEnabledChanged);

    // Refused: the message, and a notification so the switch springs back to off.
    s.setLaunchAtLogin(true);
    EXPECT_EQ(s.maintenanceMessage(), QStringLiteral("autostart folder is read-only"));
    EXPECT_FALSE(s.launchAtLoginEnabled());
    EXPECT_EQ(changed.count(), 1);

    // Success clears whatever message was there.
    fakes.loginItem->failWith(std::nullopt);
    s.setLaunchAtLogin(true);
    EXPECT_FALSE(s.maintenanceMessage());
    EXPECT_TRUE(s.launchAtLoginEnabled());
    EXPECT_EQ(changed.count(), 2);

    // Accepted but waiting for approval: shows off.
    fakes.loginItem->setNeedsApproval(true);
    s.setLaunchAtLogin(false);
    s.setLaunchAtLogin(true);
    EXPECT_FALSE(s.launchAtLoginEnabled());
    EXPECT_FALSE(s.maintenanceMessage());

    // The initial value comes from the platform.
    fakes.loginItem->setState(true);
    EXPECT_TRUE(makeStore().launchAtLoginEnabled());
}

TEST_F(StoreTest, KeepAwakeHoldsAtMostOneAssertion) {
    StatusStore& s = makeStore();
    s.applyKeepAwake(true);
    s.applyKeepAwake(true);
    EXPECT_EQ(fakes.keepAwake->begins(), 1);
    EXPECT_EQ(fakes.keepAwake->reasons(), QStringList{QStringLiteral("Keep computer awake (Tovi)")});
    EXPECT_TRUE(s.isKeepAwakeActive());
    s.applyKeepAwake(false);
    s.applyKeepAwake(false);
    EXPECT_EQ(fakes.keepAwake->ends(), 1);
    EXPECT_EQ(fakes.keepAwake->activeCount(), 0);

    QSignalSpy changed(&s, &StatusStore::keepAwakeChanged);
    s.setKeepAwake(true);
    EXPECT_TRUE(s.keepAwake());
    EXPECT_EQ(fakes.defaults->value(QStringLiteral("keepAwake")), QVariant(true));
    EXPECT_EQ(fakes.keepAwake->activeCount(), 1);
    s.setKeepAwake(false);
    EXPECT_FALSE(s.keepAwake());
    EXPECT_EQ(fakes.keepAwake->activeCount(), 0);
    EXPECT_EQ(changed.count(), 2);
}

TEST_F(StoreTest, WebOriginComesFromTheEnvironmentOrTheBuild) {
    std::optional<ScopedEnv> env;
    env.emplace("TOVI_WEB_ORIGIN", QByteArray("http://127.0.0.1:8123///"));
    EXPECT_EQ(serviceWebOrigin(), QStringLiteral("http://127.0.0.1:8123"));
    fakes.webOrigin.clear();
    EXPECT_EQ(makeStore().serviceURL(QStringLiteral("/credits")),
              QUrl(QStringLiteral("http://127.0.0.1:8123/credits")));
    env.reset();
    env.emplace("TOVI_WEB_ORIGIN", QByteArray(""));
    EXPECT_EQ(serviceWebOrigin(), normalizedWebOrigin(QString::fromUtf8(build::defaultWebOrigin)));
    EXPECT_FALSE(serviceWebOrigin().endsWith(QLatin1Char('/')));
    // An injected origin wins over both.
    fakes.webOrigin = QStringLiteral("https://staging.test/");
    EXPECT_EQ(makeStore().webOrigin(), QStringLiteral("https://staging.test"));
    EXPECT_FALSE(makeStore().maintenanceMessage());

    // Anything but an http(s) address with a host would reach curl or the browser as
    // something else: the built-in origin is used and the refusal said once.
    const QString builtIn = normalizedWebOrigin(QString::fromUtf8(build::defaultWebOrigin));
    fakes.webOrigin.clear();
    for (const char* refused :
         {"-o/tmp/x http://evil.test", "file:///etc", "https://", "https://tovi.test/?q=1"}) {
        env.reset();
        env.emplace("TOVI_WEB_ORIGIN", QByteArray(refused));
        EXPECT_EQ(serviceWebOrigin(), builtIn) << refused;
        StatusStore& store = makeStore();
        EXPECT_EQ(store.webOrigin(), builtIn) << refused;
        EXPECT_EQ(store.maintenanceMessage(),
                  QStringLiteral("TOVI_WEB_ORIGIN \u201C") + QString::fromUtf8(refused) +
                      QStringLiteral("\u201D is not an http or https address; using ") + builtIn +
                      QStringLiteral(" instead."));
    }
    fakes.webOrigin = QStringLiteral("javascript:alert(1)");
    EXPECT_EQ(makeStore().webOrigin(), builtIn);
}

} // namespace
} // namespace tovi::testing
