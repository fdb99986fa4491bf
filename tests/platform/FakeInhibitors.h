#pragma once

#include "PrivateBus.h"
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QVariantMap>
#include <memory>
#include <poll.h>
#include <unistd.h>

namespace tovi::test {

// What the fake inhibitors of one desktop were asked: a call as "<fake> <arguments joined by |>",
// and the cookies or requests let go; `replies` holds their answers back when on.
struct InhibitLog {
    QStringList calls, released;
    HeldReplies replies;
};

// The log a fake writes to, and how many cookies or locks it handed out.
struct LogRef {
    InhibitLog& m_log;
    int m_count = 0;
};

// org.freedesktop.PowerManagement.Inhibit: Inhibit(app, reason) -> cookie 701, 702, ...
class FakePowerManagement : public QObject, protected QDBusContext, LogRef {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.PowerManagement.Inhibit")
public:
    FakePowerManagement(QDBusConnection bus, InhibitLog& log)
        : LogRef{log} {
        serve(bus, this, "/org/freedesktop/PowerManagement/Inhibit", "org.freedesktop.PowerManagement");
    }
public slots:
    uint Inhibit(const QString& application, const QString& reason) {
        m_log.calls << u"pm "_s + application + u'|' + reason;
        return m_log.replies.pass(*this, 700 + uint(++m_count));
    }
    void UnInhibit(uint cookie) { m_log.released << QString::number(cookie); }
};

// org.gnome.SessionManager: Inhibit(app_id, toplevel_xid, reason, flags) -> cookie 901, 902, ...
class FakeGnomeSession : public QObject, LogRef {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.SessionManager")
public:
    FakeGnomeSession(QDBusConnection bus, InhibitLog& log)
        : LogRef{log} {
        serve(bus, this, "/org/gnome/SessionManager", "org.gnome.SessionManager");
    }
public slots:
    uint Inhibit(const QString& appId, uint xid, const QString& reason, uint flags) {
        m_log.calls << u"gnome %1|%2|%3|%4"_s.arg(appId).arg(xid).arg(reason).arg(flags);
        return 900 + uint(++m_count);
    }
    void Uninhibit(uint cookie) { m_log.released << QString::number(cookie); }
};

// org.freedesktop.login1.Manager: Inhibit(what, who, why, mode) -> fd. Each lock is the write end
// of a pipe whose read end the fake keeps: it hangs up once every copy of the write end is closed,
// which is how logind sees a lock let go.
class FakeLogind : public QObject, protected QDBusContext, LogRef {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    FakeLogind(QDBusConnection bus, InhibitLog& log)
        : LogRef{log} {
        serve(bus, this, "/org/freedesktop/login1", "org.freedesktop.login1");
    }
    ~FakeLogind() override {
        for (int fd : m_readEnds)
            ::close(fd);
    }
    // The indexes (in call order) of the locks every holder has let go.
    QStringList released() const {
        QStringList gone;
        for (size_t i = 0; i < m_readEnds.size(); ++i) {
            pollfd entry{m_readEnds[i], POLLIN, 0};
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
        if (::pipe(ends) != 0)
            return {};
        m_readEnds.push_back(ends[0]);
        const QDBusUnixFileDescriptor lock(ends[1]); // a duplicate
        ::close(ends[1]);
        return m_log.replies.pass(*this, lock);
    }

private:
    std::vector<int> m_readEnds;
};

// A request handed out by the fake portal; Close logs the request's name as released.
class FakePortalRequest : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")
public:
    FakePortalRequest(QStringList& released, QString name)
        : m_released(released)
        , m_name(std::move(name)) {}
public slots:
    void Close() { m_released << m_name; }

private:
    QStringList& m_released;
    QString m_name;
};

// org.freedesktop.portal.Inhibit on org.freedesktop.portal.Desktop; request n is named "tn".
class FakePortalInhibit : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")
public:
    FakePortalInhibit(QDBusConnection bus, InhibitLog& log)
        : m_bus(bus)
        , m_log(log) {
        serve(bus, this, "/org/freedesktop/portal/desktop", "org.freedesktop.portal.Desktop");
    }
    bool fail = false; // answers with an error, as a portal without this backend does
public slots:
    QDBusObjectPath Inhibit(const QString& window, uint flags, const QVariantMap& options) {
        m_log.calls << u"portal %1|%2|%3"_s.arg(window).arg(flags).arg(options[u"reason"_s].toString());
        if (fail) {
            sendErrorReply(QDBusError::NotSupported, u"no inhibit backend"_s);
            return {};
        }
        m_requests.push_back(
            std::make_unique<FakePortalRequest>(m_log.released, u"t%1"_s.arg(m_requests.size() + 1)));
        const QString handle = u"/org/freedesktop/portal/desktop/request/1_42/t%1"_s.arg(m_requests.size());
        m_bus.registerObject(handle, m_requests.back().get(), QDBusConnection::ExportAllSlots);
        return m_log.replies.pass(*this, QDBusObjectPath(handle));
    }

private:
    QDBusConnection m_bus;
    InhibitLog& m_log;
    std::vector<std::unique_ptr<FakePortalRequest>> m_requests;
};

} // namespace tovi::test
