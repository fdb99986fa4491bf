#include "updater/DesktopUpdateNotifier.h"
#include "PrivateBus.h"
#include "updater/MessageBoxUpdatePrompter.h"

#include <QAbstractButton>
#include <QDBusMessage>
#include <QLabel>
#include <gtest/gtest.h>

using namespace tovi;
using namespace tovi::test;

namespace {

// Stands in for the desktop's notification server.
class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QList<QVariantList> calls;

public Q_SLOTS:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout) {
        calls.append(QVariantList{app, replaces, icon, summary, body, actions, hints, timeout});
        return replaces ? replaces : uint(40 + calls.size());
    }
};

void click(QMessageBox* box, const QString& label) {
    for (QAbstractButton* button : box->buttons())
        if (button->text() == label)
            button->click();
}

} // namespace

TEST(DesktopUpdateNotifier, SendsNoticesToTheNotificationServerAndReportsItsActions) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    QDBusConnection serverBus = bus.connect(QStringLiteral("server"));
    NotificationServer server;
    const QString path = QStringLiteral("/org/freedesktop/Notifications");
    const QString name = QStringLiteral("org.freedesktop.Notifications");
    ASSERT_TRUE(serverBus.registerObject(path, &server, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(serverBus.registerService(name));

    DesktopUpdateNotifier notifier(bus.connect(QStringLiteral("client")), QStringLiteral("dev.tovi.Tovi"));
    QStringList invoked;
    QObject::connect(&notifier, &UpdateNotifier::actionInvoked, [&](const QString& a) { invoked << a; });
    const QString summary = QStringLiteral("Tovi 1.1.0 is available");
    notifier.notify(UpdateNotice{summary, QStringLiteral("You have 1.0.0."), QStringLiteral("download"),
                                 QStringLiteral("Download")});
    ASSERT_TRUE(spinUntil([&] { return server.calls.size() == 1; }));
    const QVariantList& call = server.calls[0];
    EXPECT_EQ(call[0].toString(), QStringLiteral("Tovi"));
    EXPECT_EQ(call[1].toUInt(), 0u);
    EXPECT_EQ(call[3].toString(), summary);
    EXPECT_EQ(call[5].toStringList().join(u','), QStringLiteral("default,Download,download,Download"));
    EXPECT_EQ(call[6].toMap().value(QStringLiteral("desktop-entry")).toString(), u"dev.tovi.Tovi"_qs);

    // Clicking the button or the notice itself asks for the download; other ids are not ours.
    QCoreApplication::processEvents();
    for (const auto& [id, key] : {std::pair{41u, "download"}, {7u, "download"}, {41u, "default"}}) {
        QDBusMessage signal = QDBusMessage::createSignal(path, name, QStringLiteral("ActionInvoked"));
        serverBus.send(signal << id << QString::fromUtf8(key));
    }
    ASSERT_TRUE(spinUntil([&] { return invoked.size() == 2; }));
    EXPECT_EQ(invoked, (QStringList{QStringLiteral("download"), QStringLiteral("download")}));

    // The next notice replaces the first; one without an action offers no buttons.
    notifier.notify(
        UpdateNotice{summary, QStringLiteral("Update Tovi through your package manager."), {}, {}});
    ASSERT_TRUE(spinUntil([&] { return server.calls.size() == 2; }));
    EXPECT_EQ(server.calls[1][1].toUInt(), 41u);
    EXPECT_TRUE(server.calls[1][5].toStringList().isEmpty());
}

TEST(MessageBoxUpdatePrompter, ShowsOneNonBlockingDialogWithEscapedFeedTextAndReportsTheChoice) {
    MessageBoxUpdatePrompter prompter;
    QStringList accepted;
    QObject::connect(&prompter, &UpdatePrompter::accepted, [&](const QString& a) { accepted << a; });
    UpdateMessage offer;
    offer.title = QStringLiteral("Software Update");
    offer.text = QStringLiteral("A new version of Tovi is available!");
    offer.detail = QStringLiteral("Tovi <b>1.1.0</b> & more");
    offer.link = QUrl(QStringLiteral("https://tovi.dev/notes?a=1&b=\"2\""));
    offer.linkLabel = QStringLiteral("Release notes");
    offer.acceptAction = QStringLiteral("download");
    offer.acceptLabel = QStringLiteral("Download");
    offer.rejectLabel = QStringLiteral("Later");
    prompter.show(offer); // returns at once: open(), not exec()

    QMessageBox* box = prompter.currentBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->icon(), QMessageBox::Information);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Software Update"));
    EXPECT_EQ(box->text(), offer.text);
    const QString info = box->informativeText();
    EXPECT_TRUE(info.contains(QStringLiteral("Tovi &lt;b&gt;1.1.0&lt;/b&gt; &amp; more")));
    EXPECT_TRUE(info.contains(QStringLiteral("href=\"https://tovi.dev/notes?a=1&amp;b=%222%22\"")));
    EXPECT_TRUE(box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))->openExternalLinks());
    QStringList labels;
    for (QAbstractButton* button : box->buttons())
        labels << button->text();
    labels.sort();
    EXPECT_EQ(labels.join(u','), QStringLiteral("Download,Later"));

    // "Later" closes without an action; a later dialog replaces an open one.
    click(box, QStringLiteral("Later"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(accepted.isEmpty());
    prompter.show(offer);
    QPointer<QMessageBox> first = prompter.currentBox();
    UpdateMessage warning;
    warning.kind = UpdateMessage::Kind::warning;
    warning.text = QStringLiteral("Tovi could not check for updates.");
    prompter.show(warning);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull() || !first->isVisible());
    ASSERT_NE(prompter.currentBox(), nullptr);
    EXPECT_EQ(prompter.currentBox()->buttons().size(), 1);
    EXPECT_EQ(prompter.currentBox()->icon(), QMessageBox::Warning);

    prompter.show(offer);
    click(prompter.currentBox(), QStringLiteral("Download"));
    EXPECT_EQ(accepted, QStringList{QStringLiteral("download")});
}

#include "DesktopUpdateNotifierTest.moc"
