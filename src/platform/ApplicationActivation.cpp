#include "platform/ApplicationActivation.h"

#include "BuildConfig.h"
#include "platform/ApplicationAdaptor.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDeadlineTimer>
#include <QPointer>
#include <qcoro/qcorodbuspendingcall.h>
#include <qcoro/qcorosignal.h>

#include <algorithm>

namespace tovi {

namespace {

const QString applicationInterface = QStringLiteral("org.freedesktop.Application");
const QString quitAction = QStringLiteral("quit");

int remainingMs(const QDeadlineTimer& deadline) {
    return int(std::max<qint64>(deadline.remainingTime(), 1));
}

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

QCoro::Task<ApplicationActivation::QuitOutcome>
ApplicationActivation::quitRunningCopy(std::chrono::milliseconds timeout) {
    if (!m_bus.isConnected())
        co_return QuitOutcome::noBus;
    const QDeadlineTimer deadline(timeout);
    QPointer self(this);

    QDBusMessage ownerCall = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"));
    QVariantList ownerArguments;
    ownerArguments.append(m_appId);
    ownerCall.setArguments(ownerArguments);
    const QDBusPendingCall ownerPending = m_bus.asyncCall(ownerCall, remainingMs(deadline));
    co_await ownerPending;
    if (!self)
        co_return QuitOutcome::noAnswer;
    if (ownerPending.isError()) {
        if (ownerPending.error().name() == u"org.freedesktop.DBus.Error.NameHasNoOwner")
            co_return QuitOutcome::notRunning;
        co_return QuitOutcome::noAnswer;
    }
    // The owner's own connection, not the well-known name: the name may be given up before
    // the process ends, the connection only with it.
    const QString owner = QDBusPendingReply<QString>(ownerPending).value();
    bool gone = false;
    QDBusServiceWatcher watcher(owner, m_bus, QDBusServiceWatcher::WatchForUnregistration);
    connect(&watcher, &QDBusServiceWatcher::serviceUnregistered, this, [&gone] { gone = true; });

    QDBusMessage call = QDBusMessage::createMethodCall(owner, objectPath(m_appId), applicationInterface,
                                                       QStringLiteral("ActivateAction"));
    QVariantList arguments;
    arguments.append(quitAction);
    arguments.append(QVariant::fromValue(QVariantList()));
    arguments.append(QVariantMap());
    call.setArguments(arguments);
    const QDBusPendingCall pending = m_bus.asyncCall(call, remainingMs(deadline));
    co_await pending;
    if (!self)
        co_return QuitOutcome::noAnswer;
    if (gone)
        co_return QuitOutcome::quit;
    if (pending.isError())
        co_return QuitOutcome::noAnswer;
    const auto left = std::chrono::milliseconds(remainingMs(deadline));
    co_await qCoro(&watcher, &QDBusServiceWatcher::serviceUnregistered, left);
    if (!self)
        co_return QuitOutcome::noAnswer;
    co_return gone ? QuitOutcome::quit : QuitOutcome::noAnswer;
}

void ApplicationActivation::handleAction(const QString& actionName, const QVariantMap& platformData) {
    if (actionName == quitAction) {
        emit quitRequested();
        return;
    }
    // Launchers may send any other action of the desktop entry: bring the window forward.
    handleActivation(platformData);
}

void ApplicationActivation::handleActivation(const QVariantMap& platformData) {
    emit activateRequested(platformData.value(QStringLiteral("activation-token")).toString(),
                           platformData.value(QStringLiteral("desktop-startup-id")).toString());
}

} // namespace tovi
