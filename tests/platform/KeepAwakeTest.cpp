#include "PrivateBus.h"
#include "platform/DBusKeepAwake.h"
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

using namespace tovi;
using namespace tovi::test;
using namespace Qt::StringLiterals;

namespace {

// What the fake inhibitors of one desktop were asked, as "<fake> <arguments joined by |>", and the
// cookies or requests let go. While `hold` is on, their answers are kept back as by a slow service.
struct InhibitLog {
    QStringList calls, released;
    bool hold = false;
    std::vector<std::tuple<QDBusConnection, QDBusMessage, QVariant>> held;
    void answerHeld() {
        for (auto& [bus, call, answer] : std::exchange(held, {}))
            bus.send(call.createReply(answer));
    }
};

// The meta-object of a fake says it is a QDBusContext, so that calls reach it with their message.
class Fake : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    explicit Fake(InhibitLog& log)
        : m_log(log) {}

protected:
    template <typename T> T answer(T value) {
        if (m_log.hold) {
            setDelayedReply(true);
            m_log.held.emplace_back(connection(), message(), QVariant::fromValue(value));
        }
        return value;
    }
    InhibitLog& m_log;
    uint m_count = 0;
};

class FakePowerManagement : public Fake {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.PowerManagement.Inhibit")
public:
    using Fake::Fake;
public slots:
    uint Inhibit(const QString& application, const QString& reason) {
        m_log.calls << u"pm "_s + application + u'|' + reason;
        return answer(700 + ++m_count);
    }
    void UnInhibit(uint cookie) { m_log.released << QString::number(cookie); }
};

class FakeGnomeSession : public Fake {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.SessionManager")
public:
    using Fake::Fake;
public slots:
    uint Inhibit(const QString& appId, uint xid, const QString& reason, uint flags) {
        m_log.calls << u"gnome %1|%2|%3|%4"_s.arg(appId).arg(xid).arg(reason).arg(flags);
        return answer(900 + ++m_count);
    }
    void Uninhibit(uint cookie) { m_log.released << QString::number(cookie); }
};

// Inhibit(what, who, why, mode) -> the write end of a pipe whose read end the fake keeps: it hangs
// up once every copy of the write end is closed, which is how logind sees a lock let go.
class FakeLogind : public Fake {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    using Fake::Fake;
    // The indexes (in call order) of the locks every holder has let go.
    QStringList released() const {
        QStringList gone;
        for (size_t i = 0; i < m_readEnds.size(); ++i) {
            pollfd entry{m_readEnds[i].fileDescriptor(), POLLIN, 0};
            if (::poll(&entry, 1, 0) == 1 && (entry.revents & POLLHUP))
                gone << QString::number(i);
        }
        return gone;
    }
public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode) {
        m_log.calls << u"logind "_s + QStringList{what, who, why, mode}.join(u'|');
        int ends[2] = {-1, -1};
        EXPECT_EQ(::pipe(ends), 0);
        QDBusUnixFileDescriptor lock;
        m_readEnds.emplace_back().giveFileDescriptor(ends[0]);
        lock.giveFileDescriptor(ends[1]);
        return answer(lock);
    }

private:
    std::vector<QDBusUnixFileDescriptor> m_readEnds;
};

// The requests the portal hands out: Close on ".../tn" lets go of request n.
class FakePortalRequest : public Fake {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")
public:
    using Fake::Fake;
public slots:
    void Close() { m_log.released << message().path().section(u'/', -1); }
};

class FakePortalInhibit : public Fake {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")
public:
    using Fake::Fake;
public slots:
    QDBusObjectPath Inhibit(const QString& window, uint flags, const QVariantMap& options) {
        m_log.calls << u"portal %1|%2|%3"_s.arg(window).arg(flags).arg(options[u"reason"_s].toString());
        const QString handle = u"/org/freedesktop/portal/desktop/request/1_42/t%1"_s.arg(++m_count);
        connection().registerObject(handle, &m_requests, QDBusConnection::ExportAllSlots);
        return answer(QDBusObjectPath(handle));
    }

private:
    FakePortalRequest m_requests{m_log};
};

// Two activities' calls and releases compare in whatever order they came.
const auto sorted = [](QStringList list) { return list.sort(), list; };

enum Service { Portal = 1, Pm = 2, Gnome = 4, Logind = 8 };
enum class Ending { switchedOff, beforeTheAnswer, withTheApp };

// A session and a system bus with the chosen inhibitors on them, and the keep-awake under test.
struct Desktop {
    Desktop(int services, bool slow) {
        log.hold = slow;
        if (services & Portal)
            serve(session.connect(u"portal"_s), &portal.emplace(log), "/org/freedesktop/portal/desktop",
                  "org.freedesktop.portal.Desktop");
        if (services & Pm)
            serve(session.connect(u"pm"_s), &pm.emplace(log), "/org/freedesktop/PowerManagement/Inhibit",
                  "org.freedesktop.PowerManagement");
        if (services & Gnome)
            serve(session.connect(u"gnome"_s), &gnome.emplace(log), "/org/gnome/SessionManager",
                  "org.gnome.SessionManager");
        if (services & Logind)
            serve(system.connect(u"logind"_s), &logind.emplace(log), "/org/freedesktop/login1",
                  "org.freedesktop.login1");
        keepAwake.emplace(session.connect(u"app"_s), system.connect(u"app-system"_s));
        settled.emplace(&*keepAwake, &DBusKeepAwake::activitySettled);
    }
    QStringList released() const {
        return sorted(log.released + (logind ? logind->released() : QStringList()));
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
    const struct {
        const char* what;
        int services;
        Ending ending;
        const char* calls; // each activity's calls, reason "sync"
        const char* held;  // what the two activities hold, in begin order
    } rows[] = {
        // Suspend only (4), never idle; the portal answers, so nothing else is asked.
        {"portal", Portal | Pm | Gnome, Ending::switchedOff, "portal |4|sync", "t1,t2"},
        {"power management", Pm | Gnome, Ending::switchedOff, "pm Tovi|sync", "701,702"},
        {"gnome", Gnome, Ending::switchedOff, "gnome dev.tovi.Tovi|0|sync|4", "901,902"},
        // A window-manager session: logind on the system bus holds a lock while its descriptor is open.
        {"logind", Logind, Ending::switchedOff, "logind sleep|Tovi|sync|block", "0,1"},
        {"nothing", 0, Ending::switchedOff, "", ""},
        // Switched off, or the app gone, before the answer: the late inhibitor is let go at once.
        {"portal, off early", Portal, Ending::beforeTheAnswer, "portal |4|sync", "t1,t2"},
        {"logind, off early", Logind, Ending::beforeTheAnswer, "logind sleep|Tovi|sync|block", "0,1"},
        {"power management, app gone", Pm, Ending::withTheApp, "pm Tovi|sync", "701,702"},
        {"logind, app gone", Logind, Ending::withTheApp, "logind sleep|Tovi|sync|block", "0,1"},
    };
    const auto list = [](const char* text) {
        return QString::fromLatin1(text).split(u',', Qt::SkipEmptyParts);
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Desktop desktop(row.services, row.ending != Ending::switchedOff);
        ASSERT_TRUE(desktop.session.isRunning());
        ASSERT_TRUE(desktop.system.isRunning());
        const QStringList held = list(row.held);
        const auto released = [&](qsizetype count) {
            spinUntil([&] { return desktop.released().size() >= count; });
            return desktop.released();
        };
        DBusKeepAwake& keepAwake = *desktop.keepAwake;
        const int first = keepAwake.beginActivity(u"sync"_s);
        const int second = keepAwake.beginActivity(u"sync"_s);
        if (row.ending == Ending::switchedOff) {
            ASSERT_TRUE(spinUntil([&] { return desktop.settled->count() == 2; }));
            // The two asks travel apart and may be answered in either order: the one answered
            // first holds the first inhibitor the service handed out.
            const int early = desktop.settled->at(0).at(0).toInt();
            const int late = early == first ? second : first;
            EXPECT_EQ(*desktop.settled,
                      (QList<QVariantList>{{early, !held.isEmpty()}, {late, !held.isEmpty()}}));
            EXPECT_EQ(keepAwake.heldCount(), held.size());
            EXPECT_EQ(sorted(desktop.log.calls), sorted(list(row.calls) + list(row.calls)));
            EXPECT_EQ(desktop.released(), QStringList()) << "held while the switch is on";
            for (int token : {late, late, 12345})
                keepAwake.endActivity(token);
            EXPECT_EQ(keepAwake.heldCount(), held.size() / 2);
            EXPECT_EQ(released(held.size() / 2), held.mid(1));
            keepAwake.endActivity(early);
        } else {
            ASSERT_TRUE(spinUntil([&] { return desktop.log.held.size() == 2; }));
            if (row.ending == Ending::beforeTheAnswer) {
                keepAwake.endActivity(first);
                keepAwake.endActivity(second);
            } else {
                desktop.keepAwake.reset();
            }
            EXPECT_EQ(desktop.released(), QStringList());
            desktop.log.answerHeld();
        }
        EXPECT_EQ(released(held.size()), held);
        if (row.ending == Ending::beforeTheAnswer) {
            ASSERT_TRUE(spinUntil([&] { return desktop.settled->count() == 2; }));
            EXPECT_FALSE(desktop.settled->at(1).at(1).toBool()) << "an ended activity does not count as held";
            EXPECT_EQ(keepAwake.heldCount(), 0);
        }
    }
}

#include "KeepAwakeTest.moc"
