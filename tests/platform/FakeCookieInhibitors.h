#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QObject>

#include <poll.h>
#include <unistd.h>

#include <vector>

namespace tovi::test {

// org.freedesktop.PowerManagement.Inhibit: Inhibit(app, reason) -> cookie.
class FakePowerManagement : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.PowerManagement.Inhibit")
public:
    struct Call {
        QString application;
        QString reason;
    };

    explicit FakePowerManagement(QDBusConnection bus) {
        bus.registerObject(QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"), this,
                           QDBusConnection::ExportAllSlots);
        bus.registerService(QStringLiteral("org.freedesktop.PowerManagement"));
    }

    std::vector<Call> calls;
    std::vector<uint> released;

public slots:
    uint Inhibit(const QString& application, const QString& reason) {
        calls.push_back({application, reason});
        return 700 + uint(calls.size());
    }
    void UnInhibit(uint cookie) { released.push_back(cookie); }
};

// org.gnome.SessionManager: Inhibit(app_id, toplevel_xid, reason, flags) -> cookie.
class FakeGnomeSession : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.SessionManager")
public:
    struct Call {
        QString appId;
        uint xid = 0;
        QString reason;
        uint flags = 0;
    };

    explicit FakeGnomeSession(QDBusConnection bus) {
        bus.registerObject(QStringLiteral("/org/gnome/SessionManager"), this,
                           QDBusConnection::ExportAllSlots);
        bus.registerService(QStringLiteral("org.gnome.SessionManager"));
    }

    std::vector<Call> calls;
    std::vector<uint> released;

public slots:
    uint Inhibit(const QString& appId, uint xid, const QString& reason, uint flags) {
        calls.push_back({appId, xid, reason, flags});
        return 900 + uint(calls.size());
    }
    void Uninhibit(uint cookie) { released.push_back(cookie); }
};

// org.freedesktop.login1.Manager: Inhibit(what, who, why, mode) -> fd. Each lock is the write
// end of a pipe; the fake keeps the read end, which reports a hang-up once every copy of the
// write end is closed, as logind sees its lock released.
class FakeLogind : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    struct Call {
        QString what;
        QString who;
        QString why;
        QString mode;
    };

    explicit FakeLogind(QDBusConnection bus)
        : m_bus(std::move(bus)) {
        m_bus.registerObject(QStringLiteral("/org/freedesktop/login1"), this,
                             QDBusConnection::ExportAllSlots);
        m_bus.registerService(QStringLiteral("org.freedesktop.login1"));
    }
    ~FakeLogind() override {
        for (int fd : m_readEnds)
            ::close(fd);
    }

    std::vector<Call> calls;
    bool holdReplies = false; // keeps the answers until releaseReplies()

    // Whether lock `index` (in call order) has been let go by every holder.
    bool released(size_t index) const {
        pollfd entry{m_readEnds.at(index), POLLIN, 0};
        return ::poll(&entry, 1, 0) == 1 && (entry.revents & POLLHUP);
    }
    void releaseReplies() {
        for (const QDBusMessage& held : std::as_const(m_held))
            m_bus.send(held.createReply(QVariant::fromValue(takeLock())));
        m_held.clear();
    }
    int heldReplies() const { return int(m_held.size()); }

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode) {
        calls.push_back({what, who, why, mode});
        if (holdReplies) {
            setDelayedReply(true);
            m_held << message();
            return {};
        }
        return takeLock();
    }

private:
    QDBusUnixFileDescriptor takeLock() {
        int ends[2] = {-1, -1};
        if (::pipe(ends) != 0)
            return {};
        m_readEnds.push_back(ends[0]);
        QDBusUnixFileDescriptor lock(ends[1]); // duplicates
        ::close(ends[1]);
        return lock;
    }

    QDBusConnection m_bus;
    std::vector<int> m_readEnds;
    QList<QDBusMessage> m_held;
};

} // namespace tovi::test
