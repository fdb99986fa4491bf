#include "app/AppDelegate.h"
#include "app/LaunchSteps.h"
#include "app/TerminationSignals.h"
#include "app/ToviApplication.h"
#include "app/TrayHostWatcher.h"
#include "app/WindowPlacement.h"
#include "platform/PrivateBus.h"
#include "support/TestUtil.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <csignal>

using namespace tovi;

namespace {

struct RecordedSteps : LaunchSteps {
    bool acquireInstanceLock() override { return log << u"lock"_qs, lockTaken; }
    void activateRunningCopy() override { log << u"activate"_qs; }
    void registerActivationService() override { log << u"service"_qs; }
    void registerLoginItemOnFirstLaunch() override { log << u"loginItem"_qs; }
    void startBootstrap() override { log << u"bootstrap"_qs; }
    void startStore() override { log << u"store"_qs; }
    void terminate() override { log << u"terminate"_qs; }
    bool lockTaken = true;
    QStringList log;
};

// A panel's StatusNotifierWatcher: it lists the items that registered while it served.
class FakeWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    bool isHostRegistered() const { return true; }
    QStringList items() const { return registered; }
    QStringList registered;
    int probes = 0;
public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service) {
        registered << service + u"/StatusNotifierItem"_qs;
    }
    void probed() { ++probes; }
};

} // namespace

// A second copy touches nothing of the first's (bus name included); a test host, nothing at all.
TEST(AppDelegateLaunch, StepsFollowTheLockAndTheTestHost) {
    const struct {
        std::optional<QByteArray> testHost;
        bool lockTaken;
        const char* steps;
        AppDelegate::Outcome outcome;
    } rows[] = {
        {std::nullopt, true, "lock service loginItem bootstrap store", AppDelegate::Outcome::running},
        {std::nullopt, false, "lock activate terminate", AppDelegate::Outcome::handingOver},
        {QByteArray(), true, "", AppDelegate::Outcome::hostedByTestRunner},
    };
    for (const auto& row : rows) {
        const test::ScopedEnv host("XCTestConfigurationFilePath", row.testHost);
        RecordedSteps steps;
        steps.lockTaken = row.lockTaken;
        AppDelegate delegate(steps);
        EXPECT_EQ(delegate.applicationDidFinishLaunching(), row.outcome) << row.steps;
        EXPECT_EQ(steps.log.join(u' ').toStdString(), row.steps);
    }
}

// The tray's own menu never has the keyboard: it offers no shortcut it could not take.
TEST(TrayMenu, OpensOrQuitsAndShowsNoShortcut) {
    const std::unique_ptr<QMenu> menu(ToviApplication::trayMenu());
    QStringList rows;
    for (const QAction* action : menu->actions())
        rows << (action->isSeparator() ? u"-"_qs : action->text() + action->shortcut().toString());
    EXPECT_EQ(rows, (QStringList{u"Open Tovi"_qs, u"-"_qs, u"Quit Tovi"_qs}));
}

// Centred under or over the icon (else the cursor), inside the work area; else the window system's.
TEST(WindowPlacement, HangsUnderOrOverTheIconAndStaysInsideTheWorkArea) {
    const QRect topPanel(0, 28, 1280, 772), bottomPanel(0, 0, 1280, 772);
    const struct {
        QRect icon;
        std::optional<QPoint> cursor;
        QRect area;
        int height;
        bool wayland;
        std::optional<QPoint> at;
    } rows[] = {
        {QRect(600, 2, 24, 24), {}, topPanel, 500, false, QPoint(441, 30)},
        {QRect(1256, 2, 24, 24), {}, topPanel, 500, false, QPoint(940, 30)}, // right edge
        {QRect(0, 2, 24, 24), {}, topPanel, 500, false, QPoint(0, 30)},
        {QRect(1200, 776, 24, 24), {}, bottomPanel, 500, false, QPoint(940, 272)},
        {QRect(600, 776, 24, 24), {}, topPanel, 900, false, QPoint(441, 28)}, // taller: top edge wins
        {QRect(2500, 2, 24, 24), {}, QRect(1280, 28, 1280, 772), 500, false, QPoint(2220, 30)},
        {QRect(), QPoint(700, 10), topPanel, 500, false, QPoint(530, 28)},
        {QRect(10, 10, 0, 0), QPoint(700, 10), topPanel, 500, false, QPoint(530, 28)},
        {QRect(), {}, topPanel, 500, false, {}},
        {QRect(600, 2, 24, 24), QPoint(600, 10), topPanel, 500, true, {}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(placeWindow({r.icon, r.cursor, r.area, QSize(340, r.height), r.wayland}), r.at)
            << r.icon.x() << ',' << r.icon.y();
}

// A real signal to this very process: without a working handler the test run dies.
TEST(TerminationSignals, EachStopSignalArrivesOnceAndTheHandlersLeaveWithTheirOwner) {
    {
        TerminationSignals stops;
        ASSERT_TRUE(stops.isActive());
        QSignalSpy received(&stops, &TerminationSignals::received);
        for (int number : {SIGTERM, SIGINT, SIGHUP}) {
            ASSERT_EQ(::raise(number), 0);
            ASSERT_TRUE(received.wait(5000)) << number;
            EXPECT_EQ(received.size(), 1);
            EXPECT_EQ(received.takeFirst().at(0).toInt(), number);
        }
        TerminationSignals second; // cannot steal the handlers from the first
        EXPECT_FALSE(second.isActive());
    }
    struct sigaction current {};
    ASSERT_EQ(::sigaction(SIGTERM, nullptr, &current), 0);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
    TerminationSignals again; // a new owner takes them again
    EXPECT_TRUE(again.isActive());
}

// A frozen panel keeps its watcher's name and answers nothing: the GUI thread goes on meanwhile
// (a timer's longest gap, not a benchmark) and start-up goes on without a tray. The panel that
// replaces it takes the name before it serves its object (so the first registration is lost):
// the icon is asked for again until the new watcher lists it, and once more for the new
// watcher's first host.
TEST(TrayHostWatcher, AFrozenWatcherHoldsNothingAndARestartedOneGetsTheIconBack) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    QProcess frozen;
    frozen.start(u"/usr/bin/python3"_qs,
                 {u"-c"_qs,
                  u"import dbus, sys, time\nbus = dbus.bus.BusConnection(sys.argv[1])\n"
                  u"bus.request_name('org.kde.StatusNotifierWatcher')\nprint('ready', flush=True)\n"
                  u"time.sleep(600)"_qs,
                  bus.address()});
    ASSERT_TRUE(frozen.waitForReadyRead(30000)) << frozen.readAllStandardError().data();
    ASSERT_TRUE(frozen.readAll().startsWith("ready")) << frozen.readAllStandardError().data();
    QDBusConnection tovi = bus.connect(u"tovi"_qs);
    TrayHostWatcher watcher(tovi);
    QSignalSpy settled(&watcher, &TrayHostWatcher::settled),
        lost(&watcher, &TrayHostWatcher::registrationLost);
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer probe;
    probe.setInterval(20);
    QObject::connect(&probe, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
    sinceTick.start();
    probe.start();
    watcher.start();
    watcher.watch();
    // Settled by the short wait for a first answer, the question still unanswered.
    ASSERT_TRUE(test::spinUntil([&] { return settled.count() == 1; }));
    EXPECT_FALSE(watcher.hostPresent());
    EXPECT_LT(longestGap, 1000) << "the GUI thread waited for the frozen watcher";
    EXPECT_EQ(lost.count(), 0) << "no icon yet, nothing to register";
    frozen.kill();
    frozen.waitForFinished();

    // Tovi's icon on the bus, as Qt names it; each request to register it goes to whichever watcher is up.
    ASSERT_TRUE(tovi.registerService(TrayHostWatcher::itemService()));
    QDBusConnection panel = bus.connect(u"panel"_qs);
    FakeWatcher fake;
    QObject::connect(&watcher, &TrayHostWatcher::registrationLost, [&] {
        QDBusMessage call = QDBusMessage::createMethodCall(
            u"org.kde.StatusNotifierWatcher"_qs, u"/StatusNotifierWatcher"_qs,
            u"org.kde.StatusNotifierWatcher"_qs, u"RegisterStatusNotifierItem"_qs);
        call.setArguments({TrayHostWatcher::itemService()});
        tovi.asyncCall(call);
    });
    watcher.followRegistration();
    ASSERT_TRUE(panel.registerService(u"org.kde.StatusNotifierWatcher"_qs));
    ASSERT_TRUE(test::spinUntil([&] { return lost.count() > 0; })) << "the lost icon was never asked for";
    EXPECT_TRUE(fake.registered.isEmpty());
    ASSERT_TRUE(panel.registerObject(u"/StatusNotifierWatcher"_qs, &fake,
                                     QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
    ASSERT_TRUE(test::spinUntil([&] { return !fake.registered.isEmpty(); })) << "no registration stuck";
    EXPECT_EQ(fake.registered.first(), TrayHostWatcher::itemService() + u"/StatusNotifierItem"_qs);
    // The panel's host comes up after the icon registered and may have missed it: asked for once
    // more, on the first host only.
    const int before = lost.count();
    const auto send = [&](const QString& name) {
        panel.send(QDBusMessage::createSignal(u"/StatusNotifierWatcher"_qs,
                                              u"org.kde.StatusNotifierWatcher"_qs, name));
    };
    send(u"StatusNotifierHostRegistered"_qs);
    EXPECT_TRUE(test::spinUntil([&] { return lost.count() == before + 1; }))
        << "the new host never heard of the icon";
    // Signals from one sender arrive in order: once the probe is in, so is the second host.
    tovi.connect(QString(), u"/StatusNotifierWatcher"_qs, u"org.kde.StatusNotifierWatcher"_qs, u"Probe"_qs,
                 &fake, SLOT(probed()));
    send(u"StatusNotifierHostRegistered"_qs);
    send(u"Probe"_qs);
    ASSERT_TRUE(test::spinUntil([&] { return fake.probes == 1; }));
    EXPECT_EQ(lost.count(), before + 1) << "a second host does not register the icon again";
    panel.unregisterObject(u"/StatusNotifierWatcher"_qs);
}

#include "AppShellTest.moc"
