#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>

#include <memory>
#include <vector>

namespace tovi::test {

// A request object handed out by the fake portal; records Close.
class FakePortalRequest : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")
public:
    explicit FakePortalRequest(QStringList* closed, QString path)
        : m_closed(closed)
        , m_path(std::move(path)) {}
public slots:
    void Close() { m_closed->append(m_path); }

private:
    QStringList* m_closed;
    QString m_path;
};

// org.freedesktop.portal.Inhibit on org.freedesktop.portal.Desktop.
class FakePortalInhibit : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")
public:
    struct Call {
        QString window;
        uint flags = 0;
        QVariantMap options;
    };

    explicit FakePortalInhibit(QDBusConnection bus)
        : m_bus(std::move(bus)) {
        m_bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), this,
                             QDBusConnection::ExportAllSlots);
        m_bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
    }

    std::vector<Call> calls;
    QStringList handles;
    QStringList closed;
    bool fail = false;        // answers with an error, as a portal without this backend does
    bool holdReplies = false; // keeps the answers until releaseReplies()

    void releaseReplies() {
        for (int i = 0; i < m_held.size(); ++i)
            m_bus.send(m_held[i].createReply(QVariant::fromValue(QDBusObjectPath(m_heldHandles[i]))));
        m_held.clear();
        m_heldHandles.clear();
    }
    int heldReplies() const { return m_held.size(); }

public slots:
    QDBusObjectPath Inhibit(const QString& window, uint flags, const QVariantMap& options) {
        calls.push_back({window, flags, options});
        if (fail) {
            sendErrorReply(QDBusError::NotSupported, QStringLiteral("no inhibit backend"));
            return {};
        }
        const QString handle =
            QStringLiteral("/org/freedesktop/portal/desktop/request/1_42/t%1").arg(calls.size());
        auto request = std::make_unique<FakePortalRequest>(&closed, handle);
        m_bus.registerObject(handle, request.get(), QDBusConnection::ExportAllSlots);
        m_requests.push_back(std::move(request));
        handles << handle;
        if (holdReplies) {
            setDelayedReply(true);
            m_held << message();
            m_heldHandles << handle;
            return {};
        }
        return QDBusObjectPath(handle);
    }

private:
    QDBusConnection m_bus;
    std::vector<std::unique_ptr<FakePortalRequest>> m_requests;
    QList<QDBusMessage> m_held;
    QStringList m_heldHandles;
};

} // namespace tovi::test
