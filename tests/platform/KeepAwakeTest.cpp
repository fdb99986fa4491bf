#include "FakeCookieInhibitors.h"
#include "FakePortalInhibit.h"
#include "PrivateBus.h"
#include "platform/DBusKeepAwake.h"

#include "BuildConfig.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace tovi;
using namespace tovi::test;

namespace {

const QString reason = QStringLiteral("Keep computer awake (Tovi)");

// Runs until the activity's inhibitor answered (or all of them failed).
bool settle(QSignalSpy& spy, int count = 1) {
    return spinUntil([&] { return spy.count() >= count; });
}

// The application's keep-awake on `bus` with one activity begun; held() waits for the
// inhibitor's answer.
struct OneActivity {
    // Without its own system bus the session's stands in: no logind on it either.
    explicit OneActivity(const QDBusConnection& bus)
        : keepAwake(bus, bus) {}
    OneActivity(const QDBusConnection& bus, const QDBusConnection& systemBus)
        : keepAwake(bus, systemBus) {}
    bool held() { return settle(settled) && settled.at(0).at(1).toBool(); }

    DBusKeepAwake keepAwake;
    QSignalSpy settled{&keepAwake, &DBusKeepAwake::activitySettled};
    int token = keepAwake.beginActivity(reason);
};

} // namespace

TEST(DBusKeepAwake, PrefersThePortalAndReleasesItsRequest) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakePortalInhibit portal(bus.connect(QStringLiteral("portal")));
    FakePowerManagement pm(bus.connect(QStringLiteral("pm")));
    FakeGnomeSession gnome(bus.connect(QStringLiteral("gnome")));

    const QDBusConnection app = bus.connect(QStringLiteral("app"));
    DBusKeepAwake keepAwake(app, app);
    QSignalSpy settled(&keepAwake, &DBusKeepAwake::activitySettled);
    const int token = keepAwake.beginActivity(reason);
    ASSERT_TRUE(settle(settled));
    EXPECT_EQ(settled.at(0).at(0).toInt(), token);
    EXPECT_TRUE(settled.at(0).at(1).toBool());
    EXPECT_EQ(keepAwake.heldCount(), 1);

    ASSERT_EQ(portal.calls.size(), 1u);
    EXPECT_EQ(portal.calls[0].window, QString());
    EXPECT_EQ(portal.calls[0].flags, 4u) << "suspend only, never idle";
    EXPECT_EQ(portal.calls[0].options.value(QStringLiteral("reason")).toString(), reason);
    EXPECT_TRUE(pm.calls.empty());
    EXPECT_TRUE(gnome.calls.empty());

    keepAwake.endActivity(token);
    EXPECT_EQ(keepAwake.heldCount(), 0);
    ASSERT_TRUE(spinUntil([&] { return !portal.closed.isEmpty(); }));
    EXPECT_EQ(portal.closed, QStringList{portal.handles.at(0)});

    // Ending twice, or a token never handed out, does nothing.
    keepAwake.endActivity(token);
    keepAwake.endActivity(12345);

    // Two activities hold two requests, each released on its own.
    const int a = keepAwake.beginActivity(reason);
    const int b = keepAwake.beginActivity(reason);
    ASSERT_TRUE(settle(settled, 3));
    EXPECT_EQ(keepAwake.heldCount(), 2);
    keepAwake.endActivity(b);
    ASSERT_TRUE(spinUntil([&] { return portal.closed.size() == 2; }));
    EXPECT_EQ(portal.closed.at(1), portal.handles.at(2));
    keepAwake.endActivity(a);
    ASSERT_TRUE(spinUntil([&] { return portal.closed.size() == 3; }));
    EXPECT_EQ(portal.closed.at(2), portal.handles.at(1));
}

TEST(DBusKeepAwake, FallsBackInOrderWhenThePortalCannotInhibit) {
    // A portal that answers with an error (no inhibit backend) counts as absent.
    {
        PrivateBus bus;
        ASSERT_TRUE(bus.isRunning());
        FakePortalInhibit portal(bus.connect(QStringLiteral("portal")));
        portal.fail = true;
        FakePowerManagement pm(bus.connect(QStringLiteral("pm")));
        FakeGnomeSession gnome(bus.connect(QStringLiteral("gnome")));

        OneActivity activity(bus.connect(QStringLiteral("app")));
        EXPECT_TRUE(activity.held());
        EXPECT_EQ(portal.calls.size(), 1u);
        ASSERT_EQ(pm.calls.size(), 1u);
        EXPECT_EQ(pm.calls[0].reason, reason);
        EXPECT_FALSE(pm.calls[0].application.isEmpty());
        EXPECT_TRUE(gnome.calls.empty());

        activity.keepAwake.endActivity(activity.token);
        ASSERT_TRUE(spinUntil([&] { return !pm.released.empty(); }));
        EXPECT_EQ(pm.released, std::vector<uint>{701});
        EXPECT_TRUE(gnome.released.empty());
    }
    // Only the GNOME session manager.
    {
        PrivateBus bus;
        ASSERT_TRUE(bus.isRunning());
        FakeGnomeSession gnome(bus.connect(QStringLiteral("gnome")));

        OneActivity activity(bus.connect(QStringLiteral("app")));
        EXPECT_TRUE(activity.held());
        ASSERT_EQ(gnome.calls.size(), 1u);
        EXPECT_EQ(gnome.calls[0].appId, QLatin1String(build::appId));
        EXPECT_EQ(gnome.calls[0].xid, 0u);
        EXPECT_EQ(gnome.calls[0].reason, reason);
        EXPECT_EQ(gnome.calls[0].flags, 4u);

        activity.keepAwake.endActivity(activity.token);
        ASSERT_TRUE(spinUntil([&] { return !gnome.released.empty(); }));
        EXPECT_EQ(gnome.released, std::vector<uint>{901});
    }
    // Nothing on the session bus (a window-manager session): logind on the system bus holds
    // a lock for as long as its descriptor stays open.
    {
        PrivateBus session;
        PrivateBus system;
        ASSERT_TRUE(session.isRunning() && system.isRunning());
        FakeLogind logind(system.connect(QStringLiteral("logind")));

        OneActivity activity(session.connect(QStringLiteral("app")),
                             system.connect(QStringLiteral("app-system")));
        EXPECT_TRUE(activity.held());
        ASSERT_EQ(logind.calls.size(), 1u);
        EXPECT_EQ(logind.calls[0].what, QStringLiteral("sleep"));
        EXPECT_EQ(logind.calls[0].who, QStringLiteral("Tovi"));
        EXPECT_EQ(logind.calls[0].why, reason);
        EXPECT_EQ(logind.calls[0].mode, QStringLiteral("block"));
        EXPECT_EQ(activity.keepAwake.heldCount(), 1);
        EXPECT_FALSE(logind.released(0)) << "the lock must stay open while the switch is on";

        activity.keepAwake.endActivity(activity.token);
        EXPECT_TRUE(spinUntil([&] { return logind.released(0); }));

        // Switched off before logind answered: the late lock is let go at once.
        logind.holdReplies = true;
        const int late = activity.keepAwake.beginActivity(reason);
        ASSERT_TRUE(spinUntil([&] { return logind.heldReplies() == 1; }));
        activity.keepAwake.endActivity(late);
        logind.releaseReplies();
        ASSERT_TRUE(settle(activity.settled, 2));
        EXPECT_FALSE(activity.settled.at(1).at(1).toBool());
        EXPECT_TRUE(spinUntil([&] { return logind.released(1); }));
        EXPECT_EQ(activity.keepAwake.heldCount(), 0);
    }
}

TEST(DBusKeepAwake, ReleasesAnActivityEndedBeforeTheInhibitorAnswered) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakePortalInhibit portal(bus.connect(QStringLiteral("portal")));
    portal.holdReplies = true;

    const QDBusConnection app = bus.connect(QStringLiteral("app"));
    DBusKeepAwake keepAwake(app, app);
    QSignalSpy settled(&keepAwake, &DBusKeepAwake::activitySettled);
    const int token = keepAwake.beginActivity(reason);
    ASSERT_TRUE(spinUntil([&] { return portal.heldReplies() == 1; }));
    keepAwake.endActivity(token);
    EXPECT_TRUE(portal.closed.isEmpty());

    portal.releaseReplies();
    ASSERT_TRUE(settle(settled));
    EXPECT_FALSE(settled.at(0).at(1).toBool()) << "an ended activity does not count as held";
    ASSERT_TRUE(spinUntil([&] { return !portal.closed.isEmpty(); }));
    EXPECT_EQ(portal.closed, QStringList{portal.handles.at(0)});
    EXPECT_EQ(keepAwake.heldCount(), 0);
}

TEST(DBusKeepAwake, WithoutInhibitorsOrBusNothingFails) {
    // A bus with no inhibitor service on it.
    {
        PrivateBus bus;
        ASSERT_TRUE(bus.isRunning());
        OneActivity activity(bus.connect(QStringLiteral("app")));
        ASSERT_TRUE(settle(activity.settled));
        EXPECT_FALSE(activity.held());
        EXPECT_EQ(activity.keepAwake.heldCount(), 0);
        activity.keepAwake.endActivity(activity.token);
        activity.keepAwake.endActivity(activity.token);
    }
}
