#include "platform/DBusKeepAwake.h"

#include "BuildConfig.h"
#include "model/Logging.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QPointer>
#include <qcoro/qcorodbuspendingcall.h>

#include <fcntl.h>
#include <unistd.h>

namespace tovi {

namespace {

// Suspend only. Idle (8) would also keep the screen from blanking, which the user never
// asked for.
constexpr uint inhibitSuspend = 4;

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString portalInhibit = QStringLiteral("org.freedesktop.portal.Inhibit");
const QString portalRequest = QStringLiteral("org.freedesktop.portal.Request");

const QString pmService = QStringLiteral("org.freedesktop.PowerManagement");
const QString pmPath = QStringLiteral("/org/freedesktop/PowerManagement/Inhibit");
const QString pmInterface = QStringLiteral("org.freedesktop.PowerManagement.Inhibit");

const QString gnomeService = QStringLiteral("org.gnome.SessionManager");
const QString gnomePath = QStringLiteral("/org/gnome/SessionManager");
const QString gnomeInterface = QStringLiteral("org.gnome.SessionManager");

const QString logindService = QStringLiteral("org.freedesktop.login1");
const QString logindPath = QStringLiteral("/org/freedesktop/login1");
const QString logindInterface = QStringLiteral("org.freedesktop.login1.Manager");

QDBusMessage methodCall(const QString& service, const QString& path, const QString& interface,
                        const QString& method, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return message;
}

} // namespace

DBusKeepAwake::DBusKeepAwake(QObject* parent)
    : DBusKeepAwake(QDBusConnection::sessionBus(), QDBusConnection::systemBus(), parent) {}

DBusKeepAwake::DBusKeepAwake(const QDBusConnection& sessionBus, const QDBusConnection& systemBus,
                             QObject* parent)
    : QObject(parent)
    , m_bus(sessionBus)
    , m_systemBus(systemBus) {}

DBusKeepAwake::~DBusKeepAwake() {
    // Inhibitors tied to this connection would outlive the object otherwise.
    for (const Activity& activity : std::as_const(m_activities)) {
        if (activity.settled)
            release(activity);
    }
}

int DBusKeepAwake::beginActivity(const QString& reason) {
    const int token = m_nextToken++;
    m_activities.insert(token, Activity{});
    acquire(token, reason);
    return token;
}

void DBusKeepAwake::endActivity(int token) {
    auto it = m_activities.find(token);
    if (it == m_activities.end())
        return;
    if (!it->settled) {
        // The inhibitor has not answered yet; acquire() releases it when it does.
        it->ended = true;
        return;
    }
    release(*it);
    m_activities.erase(it);
}

int DBusKeepAwake::heldCount() const {
    int held = 0;
    for (const Activity& activity : m_activities) {
        if (activity.settled && activity.backend != Backend::None)
            ++held;
    }
    return held;
}

QCoro::Task<> DBusKeepAwake::acquire(int token, QString reason) {
    QPointer self(this);
    // Kept by value: an inhibitor granted after this object is gone must still be released.
    QDBusConnection bus = m_bus;
    QDBusConnection systemBus = m_systemBus;
    Backend backend = Backend::None;
    QString handle;
    uint cookie = 0;
    int inhibitFd = -1;

    if (bus.isConnected()) {
        QVariantMap options;
        options.insert(QStringLiteral("reason"), reason);
        QVariantList portalArgs;
        portalArgs << QString() << inhibitSuspend << options;
        QDBusPendingCall portalReplyCall = bus.asyncCall(
            methodCall(portalService, portalPath, portalInhibit, QStringLiteral("Inhibit"), portalArgs));
        co_await portalReplyCall;
        const QDBusPendingReply<QDBusObjectPath> portalReply = portalReplyCall;
        if (portalReply.isValid()) {
            backend = Backend::Portal;
            handle = portalReply.value().path();
        }
        if (!self) {
            releaseOn(bus, backend, handle, cookie, inhibitFd);
            co_return;
        }
    }

    if (backend == Backend::None && bus.isConnected()) {
        QVariantList pmArgs;
        pmArgs << QStringLiteral("Tovi") << reason;
        QDBusPendingCall pmReplyCall =
            bus.asyncCall(methodCall(pmService, pmPath, pmInterface, QStringLiteral("Inhibit"), pmArgs));
        co_await pmReplyCall;
        const QDBusPendingReply<uint> pmReply = pmReplyCall;
        if (pmReply.isValid()) {
            backend = Backend::PowerManagement;
            cookie = pmReply.value();
        }
        if (!self) {
            releaseOn(bus, backend, handle, cookie, inhibitFd);
            co_return;
        }
    }

    if (backend == Backend::None && bus.isConnected()) {
        QVariantList gnomeArgs;
        gnomeArgs << QLatin1String(build::appId) << uint(0) << reason << inhibitSuspend;
        QDBusPendingCall gnomeReplyCall = bus.asyncCall(
            methodCall(gnomeService, gnomePath, gnomeInterface, QStringLiteral("Inhibit"), gnomeArgs));
        co_await gnomeReplyCall;
        const QDBusPendingReply<uint> gnomeReply = gnomeReplyCall;
        if (gnomeReply.isValid()) {
            backend = Backend::GnomeSession;
            cookie = gnomeReply.value();
        }
        if (!self) {
            releaseOn(bus, backend, handle, cookie, inhibitFd);
            co_return;
        }
    }

    if (backend == Backend::None && systemBus.isConnected()) {
        QVariantList logindArgs;
        logindArgs << QStringLiteral("sleep") << QStringLiteral("Tovi") << reason << QStringLiteral("block");
        QDBusPendingCall logindReplyCall = systemBus.asyncCall(
            methodCall(logindService, logindPath, logindInterface, QStringLiteral("Inhibit"), logindArgs));
        co_await logindReplyCall;
        const QDBusPendingReply<QDBusUnixFileDescriptor> logindReply = logindReplyCall;
        if (logindReply.isValid() && logindReply.value().isValid()) {
            // Our own copy: the reply's descriptor goes away with the reply.
            inhibitFd = ::fcntl(logindReply.value().fileDescriptor(), F_DUPFD_CLOEXEC, 0);
            if (inhibitFd >= 0)
                backend = Backend::Logind;
        }
        if (!self) {
            releaseOn(bus, backend, handle, cookie, inhibitFd);
            co_return;
        }
    }

    auto it = m_activities.find(token);
    if (it == m_activities.end()) {
        releaseOn(bus, backend, handle, cookie, inhibitFd);
        co_return;
    }
    it->settled = true;
    if (backend == Backend::None)
        qCWarning(lcPlatform) << "no inhibitor service answered: the computer may still go to sleep";
    it->backend = backend;
    it->portalHandle = handle;
    it->cookie = cookie;
    it->inhibitFd = inhibitFd;
    if (it->ended) {
        release(*it);
        m_activities.erase(it);
        emit activitySettled(token, false);
        co_return;
    }
    emit activitySettled(token, backend != Backend::None);
    settled(token, backend != Backend::None);
}

void DBusKeepAwake::release(const Activity& activity) {
    releaseOn(m_bus, activity.backend, activity.portalHandle, activity.cookie, activity.inhibitFd);
}

void DBusKeepAwake::releaseOn(QDBusConnection bus, Backend backend, const QString& portalHandle, uint cookie,
                              int inhibitFd) {
    // Fire and forget: a release that fails leaves nothing this side can do.
    switch (backend) {
    case Backend::None:
        return;
    case Backend::Portal:
        bus.asyncCall(QDBusMessage::createMethodCall(portalService, portalHandle, portalRequest,
                                                     QStringLiteral("Close")));
        return;
    case Backend::PowerManagement: {
        QVariantList args;
        args << cookie;
        bus.asyncCall(methodCall(pmService, pmPath, pmInterface, QStringLiteral("UnInhibit"), args));
        return;
    }
    case Backend::GnomeSession: {
        QVariantList args;
        args << cookie;
        bus.asyncCall(methodCall(gnomeService, gnomePath, gnomeInterface, QStringLiteral("Uninhibit"), args));
        return;
    }
    case Backend::Logind:
        // logind drops the lock when the last copy of its descriptor is closed.
        ::close(inhibitFd);
        return;
    }
}

} // namespace tovi
