#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <utility>

namespace tovi {

// One notice for the desktop's notification service. Texts are plain: whatever they hold
// (names from the CLI) is shown as written.
struct DesktopNotice {
    // A notice replaces the one of the same kind still shown, so they never pile up.
    QString kind;
    QString summary;
    QString body;
    // Buttons, as (key, label), where the server shows any; a click on the notice itself is
    // always offered as the key "default".
    QList<std::pair<QString, QString>> actions;
    // What a click on the notice itself does, for servers that name it; empty: "Open Tovi".
    QString defaultLabel = {};
    friend bool operator==(const DesktopNotice&, const DesktopNotice&) = default;
};

// Where notices go: the desktop's notification service, or inside a Flatpak sandbox the
// notification portal, which is the way out the sandbox grants.
class DesktopNotifications : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual void show(const DesktopNotice& notice) = 0;

Q_SIGNALS:
    // The user chose `action` ("default": the notice itself) on the notice of `kind`.
    void actionInvoked(const QString& kind, const QString& action);
};

// The portal inside a Flatpak sandbox, the notification service everywhere else.
DesktopNotifications* createDesktopNotifications(QObject* parent);

// org.freedesktop.Notifications on the session bus. Every call is asynchronous: a server
// that hangs must not hang the application.
class DBusDesktopNotifications : public DesktopNotifications {
    Q_OBJECT
public:
    explicit DBusDesktopNotifications(QObject* parent = nullptr);
    DBusDesktopNotifications(const QDBusConnection& bus, QObject* parent = nullptr);

    void show(const DesktopNotice& notice) override;

    // Many servers read a subset of HTML in the body; text sent to one that says so is
    // escaped, so "<b>&" reads as written everywhere.
    static QString bodyFor(const QString& text, bool serverReadsMarkup);

Q_SIGNALS:
    // The server has told what it shows (or that it is not there): notices from now on use it.
    void serverKnown();

private Q_SLOTS:
    void onActionInvoked(uint id, const QString& action);
    void onClosed(uint id, uint reason);

private:
    QDBusConnection m_bus;
    // Until the server says otherwise, assume it reads markup: escaped text is still
    // readable, markup from data never is.
    bool m_bodyMarkup = true;
    bool m_actions = false;
    QHash<QString, uint> m_idOfKind;
};

// org.freedesktop.portal.Notification: the notice's kind is its id, so a notice replaces the
// one of its kind. The portal takes no markup in the body: texts go as written.
class PortalDesktopNotifications : public DesktopNotifications {
    Q_OBJECT
public:
    explicit PortalDesktopNotifications(const QDBusConnection& bus, QObject* parent = nullptr);

    void show(const DesktopNotice& notice) override;

private Q_SLOTS:
    void onActionInvoked(const QString& id, const QString& action, const QVariantList& parameter);

private:
    QDBusConnection m_bus;
};

} // namespace tovi
