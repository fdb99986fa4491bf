#include "platform/XSettings.h"

#include "platform/DesktopTheme.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace tovi {

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

uint32_t internAtom(xcb_connection_t* connection, const QByteArray& name) {
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()),
                              nullptr),
        &std::free);
    return reply ? reply->atom : uint32_t(XCB_ATOM_NONE);
}

// Adds events to a window's mask for this client without dropping those already asked for
// (Qt's own on the root window).
void addEvents(xcb_connection_t* connection, uint32_t window, uint32_t events) {
    const Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr),
        &std::free);
    if (!attributes)
        return;
    const uint32_t mask = attributes->your_event_mask | events;
    xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &mask);
}

} // namespace

XSettings::XSettings(QByteArray name, QObject* parent)
    : QObject(parent)
    , m_name(std::move(name)) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    auto* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return;
    m_connection = connection;
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const xcb_screen_iterator_t screen = xcb_setup_roots_iterator(setup);
    if (!screen.rem)
        return;
    m_root = screen.data->root;
    m_selection = internAtom(connection, QByteArrayLiteral("_XSETTINGS_S0"));
    m_settingsAtom = internAtom(connection, QByteArrayLiteral("_XSETTINGS_SETTINGS"));
    m_managerAtom = internAtom(connection, QByteArrayLiteral("MANAGER"));
    // A manager that starts later announces itself to the root window's clients.
    addEvents(connection, m_root, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    qGuiApp->installNativeEventFilter(this);
    findManager();
}

XSettings::~XSettings() {
    if (m_connection && qGuiApp)
        qGuiApp->removeNativeEventFilter(this);
}

void XSettings::findManager() {
    auto* connection = static_cast<xcb_connection_t*>(m_connection);
    const Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, m_selection), nullptr),
        &std::free);
    m_owner = owner ? owner->owner : uint32_t(XCB_NONE);
    // The settings change as a property of the manager's window; the window goes with it.
    if (m_owner != XCB_NONE)
        addEvents(connection, m_owner, XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    xcb_flush(connection);
    read();
}

void XSettings::read() {
    std::optional<QString> value;
    if (m_owner != XCB_NONE) {
        auto* connection = static_cast<xcb_connection_t*>(m_connection);
        // Settings of a few kilobytes; a quarter of a megabyte is more than any manager writes.
        const Reply<xcb_get_property_reply_t> property(
            xcb_get_property_reply(connection,
                                   xcb_get_property(connection, 0, m_owner, m_settingsAtom, m_settingsAtom, 0, 65536),
                                   nullptr),
            &std::free);
        if (property && property->format == 8) {
            const QByteArray data(static_cast<const char*>(xcb_get_property_value(property.get())),
                                  xcb_get_property_value_length(property.get()));
            value = DesktopTheme::xsettingsString(data, m_name);
        }
    }
    if (value == m_value)
        return;
    m_value = value;
    emit changed();
}

bool XSettings::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & ~0x80) {
    case XCB_PROPERTY_NOTIFY: {
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (m_owner != XCB_NONE && notify->window == m_owner && notify->atom == m_settingsAtom)
            read();
        break;
    }
    case XCB_DESTROY_NOTIFY: {
        const auto* destroyed = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
        if (m_owner != XCB_NONE && destroyed->window == m_owner)
            findManager();
        break;
    }
    case XCB_CLIENT_MESSAGE: {
        const auto* client = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (client->window == m_root && client->type == m_managerAtom && client->format == 32 &&
            client->data.data32[1] == m_selection)
            findManager();
        break;
    }
    default:
        break;
    }
    return false; // Qt handles every event as before
}

} // namespace tovi
