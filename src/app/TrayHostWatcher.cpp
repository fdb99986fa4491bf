#include "app/TrayHostWatcher.h"

#include "model/Logging.h"
#include "ui/UiTasks.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QPointer>
#include <qcoro/qcorodbuspendingcall.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace tovi {

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

// A tray manager appears as the owner of a selection; checking it is one round trip, cheap
// enough to repeat every few seconds until a panel shows up.
constexpr int kPollMs = 2000;
// A watcher that answers at all answers in milliseconds; one that does not is a frozen panel.
constexpr int kCallTimeoutMs = 5000;
// How long start-up waits for the first answer before it goes on without a tray.
constexpr int kFirstAnswerMs = 1500;
// A new watcher may take its name before it serves its object: asked again after these waits
// (doubling up to the last), then left alone.
constexpr int kFirstRecheckMs = 500;
constexpr int kLongestRecheckMs = 30000;
constexpr int kRegistrationAttempts = 12;

QDBusMessage propertyGet(const QString& property) {
    QDBusMessage message = QDBusMessage::createMethodCall(kWatcherService, kWatcherPath,
                                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("Get"));
    message.setArguments({kWatcherService, property});
    // Nobody is started on Tovi's behalf: no watcher means no tray.
    message.setAutoStartService(false);
    return message;
}

QVariant propertyValue(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

} // namespace

TrayHostWatcher::TrayHostWatcher(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus)) {
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, [this] {
        ask();
        announceIfPresent();
    });
    m_firstAnswer.setSingleShot(true);
    m_firstAnswer.setInterval(kFirstAnswerMs);
    connect(&m_firstAnswer, &QTimer::timeout, this, &TrayHostWatcher::settle);
    m_registrationTimer.setSingleShot(true);
    connect(&m_registrationTimer, &QTimer::timeout, this, [this] { startDetached(checkRegistration()); });

    if (!m_bus.isConnected())
        return;
    // For the whole session: a panel that restarts brings a new watcher, which must learn of the
    // icon again.
    m_nameWatcher =
        new QDBusServiceWatcher(kWatcherService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(
        m_nameWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
        [this](const QString&, const QString&, const QString& newOwner) { onWatcherOwnerChanged(newOwner); });
    // A watcher can be up before any host has registered with it.
    m_bus.connect(kWatcherService, kWatcherPath, kWatcherService,
                  QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(onHostRegistered()));
}

void TrayHostWatcher::start() {
    if (!m_bus.isConnected()) {
        QMetaObject::invokeMethod(this, &TrayHostWatcher::settle, Qt::QueuedConnection);
        return;
    }
    m_firstAnswer.start();
    ask();
}

bool TrayHostWatcher::hostPresent() const {
    return m_statusNotifierHost || xembedTrayPresent();
}

void TrayHostWatcher::watch() {
    m_watching = true;
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        m_poll.start();
    announceIfPresent();
}

void TrayHostWatcher::followRegistration() {
    m_following = true;
    checkRegistrationLater(kFirstRecheckMs);
}

QString TrayHostWatcher::itemService() {
    // Qt's own naming of a tray icon's bus service: the process id and the icon's number.
    return QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(QCoreApplication::applicationPid());
}

void TrayHostWatcher::ask() {
    // One question at a time: a watcher that hangs is not asked again until it gives up.
    if (!m_asking && m_bus.isConnected())
        startDetached(askHost());
}

QCoro::Task<> TrayHostWatcher::askHost() {
    QPointer<TrayHostWatcher> self(this);
    m_asking = true;
    const QDBusMessage question = propertyGet(QStringLiteral("IsStatusNotifierHostRegistered"));
    const QDBusPendingCall call = m_bus.asyncCall(question, kCallTimeoutMs);
    const QDBusMessage reply = co_await call;
    if (!self)
        co_return;
    m_asking = false;
    m_statusNotifierHost = propertyValue(reply).toBool();
    settle();
    announceIfPresent();
}

void TrayHostWatcher::settle() {
    m_firstAnswer.stop();
    if (m_settled)
        return;
    m_settled = true;
    Q_EMIT settled();
}

void TrayHostWatcher::announceIfPresent() {
    if (!m_watching || m_appeared || !hostPresent())
        return;
    m_appeared = true;
    m_poll.stop();
    Q_EMIT hostAppeared();
}

void TrayHostWatcher::onHostRegistered() {
    ask();
    // A host that reads the watcher's list before it listens for new items (waybar's does) never
    // shows an icon that registered in between, which is when Qt registers with a new watcher:
    // once the first host of a new watcher is up, the icon registers once more.
    if (m_following && m_awaitingFirstHost) {
        m_awaitingFirstHost = false;
        qCInfo(lcPlatform) << "a host joined the new tray watcher; registering the icon again";
        Q_EMIT registrationLost();
    }
}

void TrayHostWatcher::onWatcherOwnerChanged(const QString& newOwner) {
    m_awaitingFirstHost = !newOwner.isEmpty();
    if (newOwner.isEmpty()) {
        m_statusNotifierHost = false;
        m_registrationTimer.stop();
        return;
    }
    ask();
    if (m_following) {
        m_registrationAttempt = 0;
        checkRegistrationLater(kFirstRecheckMs);
    }
}

void TrayHostWatcher::checkRegistrationLater(int delayMs) {
    m_registrationTimer.start(delayMs);
}

QCoro::Task<> TrayHostWatcher::checkRegistration() {
    if (m_checking || !m_bus.isConnected())
        co_return;
    QPointer<TrayHostWatcher> self(this);
    m_checking = true;
    // An icon that is not on the bus (Qt chose the XEmbed tray) has nothing to register.
    QDBusMessage ownerQuestion = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"));
    ownerQuestion.setArguments({itemService()});
    const QDBusPendingCall ownerCall = m_bus.asyncCall(ownerQuestion, kCallTimeoutMs);
    const QDBusMessage owner = co_await ownerCall;
    if (!self)
        co_return;
    if (owner.type() != QDBusMessage::ReplyMessage || owner.arguments().isEmpty()) {
        m_checking = false;
        co_return;
    }
    const QString unique = owner.arguments().constFirst().toString();
    const QDBusPendingCall itemsCall =
        m_bus.asyncCall(propertyGet(QStringLiteral("RegisteredStatusNotifierItems")), kCallTimeoutMs);
    const QDBusMessage items = co_await itemsCall;
    if (!self)
        co_return;
    m_checking = false;
    // Watchers list an item as its bus name (well-known or unique), most followed by its path.
    const QStringList registered = propertyValue(items).toStringList();
    const bool listed = std::any_of(registered.begin(), registered.end(), [&](const QString& entry) {
        return entry == itemService() || entry.startsWith(itemService() + u'/') || entry == unique ||
               entry.startsWith(unique + u'/');
    });
    if (listed) {
        m_registrationAttempt = 0;
        co_return;
    }
    if (m_registrationAttempt >= kRegistrationAttempts)
        co_return;
    qCInfo(lcPlatform) << "the tray's watcher does not list the icon; registering it again";
    Q_EMIT registrationLost();
    const int wait = std::min(kLongestRecheckMs, kFirstRecheckMs << std::min(m_registrationAttempt, 6));
    ++m_registrationAttempt;
    checkRegistrationLater(wait);
}

bool TrayHostWatcher::xembedTrayPresent() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return false;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return false;
    // The tray of the default screen, as every XEmbed panel announces it.
    const QByteArray name = QByteArrayLiteral("_NET_SYSTEM_TRAY_S0");
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 1, uint16_t(name.size()), name.constData()), nullptr),
        &std::free);
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return false;
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr),
        &std::free);
    return owner && owner->owner != XCB_NONE;
}

} // namespace tovi
