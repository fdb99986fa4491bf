#pragma once

#include <QDBusConnection>
#include <QObject>

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

} // namespace tovi::test
