#include "app/TrayHostWatcher.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusServiceWatcher>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace tovi {

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

// A tray manager appears as the owner of a selection; checking it is one round trip, cheap
// enough to repeat every few seconds until a panel shows up.
constexpr int kPollMs = 2000;

} // namespace

TrayHostWatcher::TrayHostWatcher(QObject* parent)
    : QObject(parent) {
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &TrayHostWatcher::check);
}

bool TrayHostWatcher::hostPresent() const {
    return statusNotifierHostPresent() || xembedTrayPresent();
}

void TrayHostWatcher::watch() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        m_busWatcher =
            new QDBusServiceWatcher(kWatcherService, bus, QDBusServiceWatcher::WatchForRegistration, this);
        connect(m_busWatcher, &QDBusServiceWatcher::serviceRegistered, this, &TrayHostWatcher::check);
        // A watcher can be up before any host has registered with it.
        bus.connect(kWatcherService, QStringLiteral("/StatusNotifierWatcher"), kWatcherService,
                    QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(check()));
    }
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        m_poll.start();
}

void TrayHostWatcher::check() {
    if (!hostPresent())
        return;
    m_poll.stop();
    delete m_busWatcher;
    m_busWatcher = nullptr;
    QDBusConnection::sessionBus().disconnect(kWatcherService, QStringLiteral("/StatusNotifierWatcher"),
                                             kWatcherService, QStringLiteral("StatusNotifierHostRegistered"),
                                             this, SLOT(check()));
    Q_EMIT hostAppeared();
}

bool TrayHostWatcher::statusNotifierHostPresent() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(kWatcherService))
        return false;
    QDBusInterface watcher(kWatcherService, QStringLiteral("/StatusNotifierWatcher"), kWatcherService, bus);
    return watcher.property("IsStatusNotifierHostRegistered").toBool();
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
