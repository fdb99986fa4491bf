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
    QDBusConnection serverBus = bus.connect(u"server"_qs);
    NotificationServer server;
    const QString path = u"/org/freedesktop/Notifications"_qs;
    const QString name = u"org.freedesktop.Notifications"_qs;
    ASSERT_TRUE(serverBus.registerObject(path, &server, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(serverBus.registerService(name));

    DesktopUpdateNotifier notifier(bus.connect(u"client"_qs), u"dev.tovi.Tovi"_qs);
    QStringList invoked;
    QObject::connect(&notifier, &UpdateNotifier::actionInvoked, [&](const QString& a) { invoked << a; });
    const QString summary = u"Tovi 1.1.0 is available"_qs;
    notifier.notify(UpdateNotice{summary, u"You have 1.0.0."_qs, u"download"_qs, u"Download"_qs});
    ASSERT_TRUE(spinUntil([&] { return server.calls.size() == 1; }));
    const QVariantList& call = server.calls[0];
    EXPECT_EQ(call[0].toString(), u"Tovi"_qs);
    EXPECT_EQ(call[1].toUInt(), 0u);
    EXPECT_EQ(call[3].toString(), summary);
    EXPECT_EQ(call[5].toStringList().join(u','), u"default,Download,download,Download"_qs);
    EXPECT_EQ(call[6].toMap().value(u"desktop-entry"_qs).toString(), u"dev.tovi.Tovi"_qs);

    // Clicking the button or the notice itself asks for the download; other ids are not ours.
    QCoreApplication::processEvents();
    for (const auto& [id, key] : {std::pair{41u, "download"}, {7u, "download"}, {41u, "default"}}) {
        QDBusMessage signal = QDBusMessage::createSignal(path, name, u"ActionInvoked"_qs);
        serverBus.send(signal << id << QString::fromUtf8(key));
    }
    ASSERT_TRUE(spinUntil([&] { return invoked.size() == 2; }));
    EXPECT_EQ(invoked, (QStringList{u"download"_qs, u"download"_qs}));

    // The next notice replaces the first; one without an action offers no buttons.
    notifier.notify(UpdateNotice{summary, u"Update Tovi through your package manager."_qs, {}, {}});
    ASSERT_TRUE(spinUntil([&] { return server.calls.size() == 2; }));
    EXPECT_EQ(server.calls[1][1].toUInt(), 41u);
    EXPECT_TRUE(server.calls[1][5].toStringList().isEmpty());
}

TEST(MessageBoxUpdatePrompter, ShowsOneNonBlockingDialogWithEscapedFeedTextAndReportsTheChoice) {
    MessageBoxUpdatePrompter prompter;
    QStringList accepted;
    QObject::connect(&prompter, &UpdatePrompter::accepted, [&](const QString& a) { accepted << a; });
    const UpdateMessage offer{UpdateMessage::Kind::information,
                              u"Software Update"_qs,
                              u"A new version of Tovi is available!"_qs,
                              u"Tovi <b>1.1.0</b> & more"_qs,
                              QUrl(u"https://tovi.dev/notes?a=1&b=\"2\""_qs),
                              u"Release notes"_qs,
                              u"download"_qs,
                              u"Download"_qs,
                              u"Later"_qs};
    prompter.show(offer); // returns at once: open(), not exec()

    QMessageBox* box = prompter.currentBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->icon(), QMessageBox::Information);
    EXPECT_EQ(box->windowTitle(), u"Software Update"_qs);
    EXPECT_EQ(box->text(), offer.text);
    const QString info = box->informativeText();
    EXPECT_TRUE(info.contains(u"Tovi &lt;b&gt;1.1.0&lt;/b&gt; &amp; more"_qs));
    EXPECT_TRUE(info.contains(u"href=\"https://tovi.dev/notes?a=1&amp;b=%222%22\""_qs));
    EXPECT_TRUE(box->findChild<QLabel*>(u"qt_msgbox_informativelabel"_qs)->openExternalLinks());
    QStringList labels;
    for (QAbstractButton* button : box->buttons())
        labels << button->text();
    labels.sort();
    EXPECT_EQ(labels.join(u','), u"Download,Later"_qs);

    // "Later" closes without an action; a later dialog replaces an open one.
    click(box, u"Later"_qs);
    QCoreApplication::processEvents();
    EXPECT_TRUE(accepted.isEmpty());
    prompter.show(offer);
    QPointer<QMessageBox> first = prompter.currentBox();
    UpdateMessage warning;
    warning.kind = UpdateMessage::Kind::warning;
    prompter.show(warning);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull() || !first->isVisible());
    ASSERT_NE(prompter.currentBox(), nullptr);
    EXPECT_EQ(prompter.currentBox()->buttons().size(), 1);
    EXPECT_EQ(prompter.currentBox()->icon(), QMessageBox::Warning);

    prompter.show(offer);
    click(prompter.currentBox(), u"Download"_qs);
    EXPECT_EQ(accepted, QStringList{u"download"_qs});
}

#include "DesktopUpdateNotifierTest.moc"
