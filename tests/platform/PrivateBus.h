#pragma once

#include "support/TestUtil.h"
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QProcess>
#include <QTemporaryDir>
#include <tuple>
#include <vector>

namespace tovi::test {

using namespace Qt::StringLiterals;

// A dbus-daemon of the test's own, so that fake desktop services never meet the real session.
// Each connect() opens another named connection: one for the code under test, one per fake.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    bool isRunning() const { return !m_address.isEmpty(); }
    QDBusConnection connect(const QString& connectionName);

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};

// Exports a fake's slots at `path` and gives it the well-known `service` name.
inline void serve(QDBusConnection bus, QObject* fake, const char* path, const char* service) {
    bus.registerObject(QLatin1String(path), fake, QDBusConnection::ExportAllSlots);
    bus.registerService(QLatin1String(service));
}

// A fake's answers, kept back while `on` until release(), as from a service slow to answer.
struct HeldReplies {
    bool on = false;
    std::vector<std::tuple<QDBusConnection, QDBusMessage, QVariant>> held;
    template <typename T> T pass(const QDBusContext& call, T answer) {
        if (on) {
            call.setDelayedReply(true);
            held.emplace_back(call.connection(), call.message(), QVariant::fromValue(answer));
        }
        return answer;
    }
    void release() {
        for (auto& [bus, call, answer] : std::exchange(held, {}))
            bus.send(call.createReply(answer));
    }
};

} // namespace tovi::test
