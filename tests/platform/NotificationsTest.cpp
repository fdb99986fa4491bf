#include "PrivateBus.h"
#include "platform/DesktopNotifications.h"
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QSignalSpy>
#include <gtest/gtest.h>

// Notices on the wire: the notification service's Notify calls and the portal's AddNotification,
// each against a stand-in server on a bus of the test's own.
using namespace tovi;
using namespace tovi::test;
using namespace Qt::StringLiterals;

namespace {

const char* const servicePath = "/org/freedesktop/Notifications";
const char* const serviceName = "org.freedesktop.Notifications";

class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList capabilities;
    QList<QVariantList> calls;

public Q_SLOTS:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout) {
        calls.append(QVariantList{app, replaces, icon, summary, body, actions, hints, timeout});
        return replaces ? replaces : uint(40 + calls.size());
    }
};

class NotificationPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Notification")
public:
    QList<std::pair<QString, QVariantMap>> added;

public Q_SLOTS:
    void AddNotification(const QString& id, const QVariantMap& notification) {
        added.append({id, notification});
    }
};

QList<QVariantMap> buttonsOf(const QVariantMap& notification) {
    QList<QVariantMap> buttons;
    notification.value(u"buttons"_s).value<QDBusArgument>() >> buttons;
    return buttons;
}

} // namespace

// A notice of a kind replaces that kind's last one and no other; the buttons go where the server
// shows any; the body is escaped exactly where the server would read markup in it; a click is
// reported with the kind of the notice it was on, and a closed notice's id may be another's next.
TEST(DBusDesktopNotifications, ReplaceTheirKindEscapeForMarkupServersAndReportClicksByKind) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    QDBusConnection serverBus = bus.connect(u"server"_s);
    NotificationServer server;
    server.capabilities = {u"body"_s, u"body-markup"_s, u"actions"_s};
    serve(serverBus, &server, servicePath, serviceName);
    const auto sent = [&](qsizetype count) {
        return spinUntil([&] { return server.calls.size() == count; });
    };
    const DesktopNotice attention{
        u"attention"_s, u"blog needs you"_s, u"<b>& waiting"_s, {{u"open"_s, u"Open"_s}}};

    auto notices = std::make_unique<DBusDesktopNotifications>(bus.connect(u"client"_s));
    QList<std::pair<QString, QString>> clicks;
    QObject::connect(notices.get(), &DesktopNotifications::actionInvoked,
                     [&](const QString& kind, const QString& action) {
                         clicks.append({kind, action});
                     });
    // The capabilities are asked at start; the first notice goes out after their answer.
    QSignalSpy known(notices.get(), &DBusDesktopNotifications::serverKnown);
    ASSERT_TRUE(known.wait());
    notices->show(attention);
    ASSERT_TRUE(sent(1));
    const QVariantList& first = server.calls[0];
    EXPECT_EQ(first[0].toString(), u"Tovi"_s);
    EXPECT_EQ(first[1].toUInt(), 0u);
    EXPECT_EQ(first[3].toString(), u"blog needs you"_s);
    EXPECT_EQ(first[4].toString(), u"&lt;b&gt;&amp; waiting"_s);
    EXPECT_EQ(first[5].toStringList(), (QStringList{u"default"_s, u"Open Tovi"_s, u"open"_s, u"Open"_s}));
    EXPECT_EQ(first[6].toMap().value(u"desktop-entry"_s).toString(), u"dev.tovi.Tovi"_s);

    notices->show({u"service"_s, u"The service stopped"_s, {}, {}, u"Start it"_s});
    ASSERT_TRUE(sent(2));
    EXPECT_EQ(server.calls[1][1].toUInt(), 0u) << "another kind replaces nothing";
    EXPECT_EQ(server.calls[1][5].toStringList(), (QStringList{u"default"_s, u"Start it"_s}));
    notices->show(attention);
    ASSERT_TRUE(sent(3));
    EXPECT_EQ(server.calls[2][1].toUInt(), 41u);

    const auto signal = [&](const char* name, uint id, const QVariant& second) {
        QDBusMessage message = QDBusMessage::createSignal(QLatin1String(servicePath),
                                                          QLatin1String(serviceName), QLatin1String(name));
        serverBus.send(message << id << second);
    };
    signal("ActionInvoked", 41, u"open"_s);
    signal("ActionInvoked", 7, u"open"_s); // not ours
    signal("ActionInvoked", 42, u"default"_s);
    signal("NotificationClosed", 41, 2u);
    signal("ActionInvoked", 41, u"open"_s);    // closed: no longer the attention notice
    signal("ActionInvoked", 42, u"default"_s); // seen last, so the ones before were handled
    ASSERT_TRUE(spinUntil([&] { return clicks.size() == 3; }));
    const std::pair<QString, QString> startClick{u"service"_s, u"default"_s};
    EXPECT_EQ(clicks,
              (QList<std::pair<QString, QString>>{{u"attention"_s, u"open"_s}, startClick, startClick}));
    notices->show(attention);
    ASSERT_TRUE(sent(4));
    EXPECT_EQ(server.calls[3][1].toUInt(), 0u) << "a closed notice is not revived";

    // A server without markup or actions gets the text as written and no buttons.
    notices.reset();
    server.capabilities = {u"body"_s};
    notices = std::make_unique<DBusDesktopNotifications>(bus.connect(u"plain"_s));
    QSignalSpy plainKnown(notices.get(), &DBusDesktopNotifications::serverKnown);
    ASSERT_TRUE(plainKnown.wait());
    notices->show(attention);
    ASSERT_TRUE(sent(5));
    EXPECT_EQ(server.calls[4][4].toString(), u"<b>& waiting"_s);
    EXPECT_TRUE(server.calls[4][5].toStringList().isEmpty());
}

// Inside a sandbox: the kind is the portal's id (the portal replaces by id), the texts go as
// written (the portal reads no markup), buttons as dictionaries, clicks back by id.
TEST(PortalDesktopNotifications, SendTheKindAsIdTextsAsWrittenAndReportClicks) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    QDBusConnection portalBus = bus.connect(u"portal"_s);
    NotificationPortal portal;
    serve(portalBus, &portal, "/org/freedesktop/portal/desktop", "org.freedesktop.portal.Desktop");
    PortalDesktopNotifications notices(bus.connect(u"client"_s));
    QList<std::pair<QString, QString>> clicks;
    QObject::connect(&notices, &DesktopNotifications::actionInvoked,
                     [&](const QString& kind, const QString& action) {
                         clicks.append({kind, action});
                     });

    notices.show({u"attention"_s, u"blog needs you"_s, u"<b>& waiting"_s, {{u"open"_s, u"Open"_s}}});
    notices.show({u"unread"_s, u"3 unread"_s, {}, {}});
    ASSERT_TRUE(spinUntil([&] { return portal.added.size() == 2; }));
    EXPECT_EQ(portal.added[0].first, u"attention"_s);
    const QVariantMap& first = portal.added[0].second;
    EXPECT_EQ(first.value(u"title"_s).toString(), u"blog needs you"_s);
    EXPECT_EQ(first.value(u"body"_s).toString(), u"<b>& waiting"_s);
    EXPECT_EQ(first.value(u"default-action"_s).toString(), u"default"_s);
    const QList<QVariantMap> buttons = buttonsOf(first);
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0].value(u"label"_s).toString(), u"Open"_s);
    EXPECT_EQ(buttons[0].value(u"action"_s).toString(), u"open"_s);
    EXPECT_FALSE(portal.added[1].second.contains(u"buttons"_s));

    QDBusMessage invoked = QDBusMessage::createSignal(
        u"/org/freedesktop/portal/desktop"_s, u"org.freedesktop.portal.Notification"_s, u"ActionInvoked"_s);
    portalBus.send(invoked << u"attention"_s << u"open"_s << QVariantList{});
    ASSERT_TRUE(spinUntil([&] { return !clicks.isEmpty(); }));
    EXPECT_EQ(clicks, (QList<std::pair<QString, QString>>{{u"attention"_s, u"open"_s}}));
}

#include "NotificationsTest.moc"
