#pragma once

#include "FakeCookieInhibitors.h"

#include <QDBusObjectPath>
#include <QVariantMap>

#include <memory>

namespace tovi::test {

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
