#include "FakeInhibitors.h"
#include "platform/DBusKeepAwake.h"
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace tovi;
using namespace tovi::test;
using namespace Qt::StringLiterals;

namespace {

enum Service { Portal = 1, FailingPortal = 2, Pm = 4, Gnome = 8, Logind = 16 };
enum class Ending { switchedOff, beforeTheAnswer, withTheApp };

// A session and a system bus with the chosen inhibitors on them, and the keep-awake under test.
struct Desktop {
    Desktop(int services, bool slow) {
        log.replies.on = slow;
        if (services & (Portal | FailingPortal))
            portal.emplace(session.connect(u"portal"_s), log).fail = services & FailingPortal;
        if (services & Pm)
            pm.emplace(session.connect(u"pm"_s), log);
        if (services & Gnome)
            gnome.emplace(session.connect(u"gnome"_s), log);
        if (services & Logind)
            logind.emplace(system.connect(u"logind"_s), log);
        keepAwake.emplace(session.connect(u"app"_s), system.connect(u"app-system"_s));
        settled.emplace(&*keepAwake, &DBusKeepAwake::activitySettled);
    }
    // Sorted: two activities' calls and releases compare in whatever order they came.
    QStringList calls() const {
        QStringList all = log.calls;
        all.sort();
        return all;
    }
    QStringList released() const {
        QStringList all = log.released + (logind ? logind->released() : QStringList());
        all.sort();
        return all;
    }
    InhibitLog log;
    PrivateBus session, system;
    std::optional<FakePortalInhibit> portal;
    std::optional<FakePowerManagement> pm;
    std::optional<FakeGnomeSession> gnome;
    std::optional<FakeLogind> logind;
    std::optional<DBusKeepAwake> keepAwake;
    std::optional<QSignalSpy> settled;
};

} // namespace

TEST(DBusKeepAwake, AsksTheInhibitorsInOrderAndLetsGoOfEachActivityOnItsOwn) {
    const QString reason = u"sync"_s;
    const struct {
        const char* what;
        int services;
        Ending ending;
        const char* call;      // each activity's calls, reason "sync"
        const char* firstHeld; // what an activity holds, in begin order
        const char* secondHeld;
    } rows[] = {
        // Suspend only (4), never idle; the portal answers, so nothing else is asked.
        {"portal", Portal | Pm | Gnome, Ending::switchedOff, "portal |4|sync", "t1", "t2"},
        // A portal without an inhibit backend counts as absent.
        {"power management", FailingPortal | Pm | Gnome, Ending::switchedOff, "portal |4|sync,pm Tovi|sync",
         "701", "702"},
        {"gnome", Gnome, Ending::switchedOff, "gnome dev.tovi.Tovi|0|sync|4", "901", "902"},
        // A window-manager session: logind on the system bus holds a lock while its descriptor is open.
        {"logind", Logind, Ending::switchedOff, "logind sleep|Tovi|sync|block", "0", "1"},
        {"nothing", 0, Ending::switchedOff, "", nullptr, nullptr},
        // Switched off, or the app gone, before the answer: the late inhibitor is let go at once.
        {"portal, off early", Portal, Ending::beforeTheAnswer, "portal |4|sync", "t1", "t2"},
        {"logind, off early", Logind, Ending::beforeTheAnswer, "logind sleep|Tovi|sync|block", "0", "1"},
        {"power management, app gone", Pm, Ending::withTheApp, "pm Tovi|sync", "701", "702"},
        {"logind, app gone", Logind, Ending::withTheApp, "logind sleep|Tovi|sync|block", "0", "1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Desktop desktop(row.services, row.ending != Ending::switchedOff);
        ASSERT_TRUE(desktop.session.isRunning() && desktop.system.isRunning());
        const bool held = row.firstHeld != nullptr;
        DBusKeepAwake& keepAwake = *desktop.keepAwake;
        const int first = keepAwake.beginActivity(reason);
        const int second = keepAwake.beginActivity(reason);
        QStringList calls;
        for (const QString& call : QString::fromLatin1(row.call).split(u',', Qt::SkipEmptyParts))
            calls << call << call;
        calls.sort();
        if (row.ending == Ending::switchedOff) {
            ASSERT_TRUE(spinUntil([&] { return desktop.settled->count() == 2; }));
            EXPECT_EQ(desktop.settled->at(0), (QVariantList{first, held}));
            EXPECT_EQ(keepAwake.heldCount(), held ? 2 : 0);
            EXPECT_EQ(desktop.calls(), calls);
            EXPECT_EQ(desktop.released(), QStringList()) << "held while the switch is on";
            keepAwake.endActivity(second);
            keepAwake.endActivity(second);
            keepAwake.endActivity(12345);
            EXPECT_EQ(keepAwake.heldCount(), held ? 1 : 0);
            if (held) {
                ASSERT_TRUE(spinUntil([&] { return !desktop.released().isEmpty(); }));
                EXPECT_EQ(desktop.released(), QStringList{QLatin1String(row.secondHeld)});
            }
            keepAwake.endActivity(first);
        } else {
            ASSERT_TRUE(spinUntil([&] { return desktop.log.replies.held.size() == 2; }));
            if (row.ending == Ending::beforeTheAnswer) {
                keepAwake.endActivity(first);
                keepAwake.endActivity(second);
            } else {
                desktop.keepAwake.reset();
            }
            EXPECT_EQ(desktop.released(), QStringList());
            desktop.log.replies.release();
        }
        if (held) {
            ASSERT_TRUE(spinUntil([&] { return desktop.released().size() == 2; }));
        }
        EXPECT_EQ(desktop.released(),
                  held ? QStringList({QLatin1String(row.firstHeld), QLatin1String(row.secondHeld)})
                       : QStringList());
        if (row.ending == Ending::beforeTheAnswer) {
            ASSERT_TRUE(spinUntil([&] { return desktop.settled->count() == 2; }));
            EXPECT_FALSE(desktop.settled->at(1).at(1).toBool()) << "an ended activity does not count as held";
            EXPECT_EQ(keepAwake.heldCount(), 0);
        }
    }
}
