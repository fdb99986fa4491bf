#include "platform/ApplicationActivation.h"

#include "BuildConfig.h"
#include "platform/ApplicationAdaptor.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QPointer>
#include <qcoro/qcorodbuspendingcall.h>

namespace tovi {

namespace {

const QString applicationInterface = QStringLiteral("org.freedesktop.Application");

} // namespace

ApplicationActivation::ApplicationActivation(QObject* parent)
    : ApplicationActivation(QDBusConnection::sessionBus(), QLatin1String(build::appId), parent) {}

ApplicationActivation::ApplicationActivation(const QDBusConnection& bus, QString appId, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
    , m_appId(std::move(appId)) {
    new ApplicationAdaptor(this);
}

ApplicationActivation::~ApplicationActivation() {
    if (m_registered && m_bus.isConnected()) {
        m_bus.unregisterObject(objectPath(m_appId));
        m_bus.unregisterService(m_appId);
    }
}

QString ApplicationActivation::objectPath(const QString& appId) {
    QString path = u'/' + appId;
    path.replace(u'.', u'/');
    path.replace(u'-', u'_');
    return path;
}

bool ApplicationActivation::registerService() {
    if (m_registered)
        return true;
    if (!m_bus.isConnected())
        return false;
    if (!m_bus.registerObject(objectPath(m_appId), this, QDBusConnection::ExportAdaptors))
        return false;
    // Refuse queueing: if another copy owns the name, this one must not silently take it
    // over later.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        m_bus.interface()->registerService(m_appId, QDBusConnectionInterface::DontQueueService,
                                           QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        m_bus.unregisterObject(objectPath(m_appId));
        return false;
    }
    m_registered = true;
    return true;
}

QCoro::Task<bool> ApplicationActivation::activateRunningCopy(std::chrono::milliseconds timeout) {
    if (!m_bus.isConnected())
        co_return false;

    QVariantMap platformData;
    // Lets a Wayland compositor or X11 window manager grant focus to the running copy.
    const QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    if (!token.isEmpty())
        platformData.insert(QStringLiteral("activation-token"), token);
    const QString startupId = qEnvironmentVariable("DESKTOP_STARTUP_ID");
    if (!startupId.isEmpty())
        platformData.insert(QStringLiteral("desktop-startup-id"), startupId);

    QDBusMessage call = QDBusMessage::createMethodCall(m_appId, objectPath(m_appId), applicationInterface,
                                                       QStringLiteral("Activate"));
    QVariantList arguments;
    arguments.append(platformData);
    call.setArguments(arguments);

    QPointer self(this);
    const QDBusPendingCall pending = m_bus.asyncCall(call, static_cast<int>(timeout.count()));
    co_await pending;
    if (!self)
        co_return false;
    co_return !pending.isError();
}

void ApplicationActivation::handleActivation(const QVariantMap& platformData) {
    QString token = platformData.value(QStringLiteral("activation-token")).toString();
    if (token.isEmpty())
        token = platformData.value(QStringLiteral("desktop-startup-id")).toString();
    m_lastActivationToken = token;
    emit activateRequested();
}

} // namespace tovi
