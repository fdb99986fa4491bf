import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Tovi.Window as Tovi

// The body while signed out: the welcome form, or the approval wait once sign-in started.
ColumnLayout {
    id: screen
    required property Tovi.MenuViewModel menu
    readonly property Tovi.BodyViewModel body: menu.body

    spacing: 16

    Image {
        visible: !screen.body.awaitingApproval
        source: screen.menu.header.markSource
        sourceSize.width: 96
        sourceSize.height: 96
        Layout.preferredWidth: 48
        Layout.preferredHeight: 48
        Layout.alignment: Qt.AlignHCenter
        Accessible.ignored: true
    }

    ColumnLayout {
        visible: !screen.body.awaitingApproval
        spacing: 4
        Layout.fillWidth: true
        PlainLabel {
            text: qsTr("Welcome to Tovi")
            font.pointSize: Style.headlineSize
            font.weight: Font.DemiBold
            color: Style.primary
            Layout.alignment: Qt.AlignHCenter
        }
        PlainLabel {
            text: qsTr("Sign in or create an account to manage your spaces, account, and local service.")
            font.pointSize: Style.captionSize
            color: Style.secondary
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            Layout.fillWidth: true
        }
    }

    ColumnLayout {
        visible: !screen.body.awaitingApproval
        spacing: 8
        Layout.fillWidth: true
        Button {
            id: signIn
            objectName: "signIn"
            text: qsTr("Sign in")
            // The one prominent action of the screen.
            font.pointSize: Style.bodySize
            font.weight: Font.DemiBold
            contentItem: PlainLabel {
                text: signIn.text
                font: signIn.font
                color: "white"
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }
            background: Rectangle {
                radius: 5
                color: signIn.down ? Qt.darker(Style.accentFill, 1.25) : signIn.hovered ? Qt.darker(Style.accentFill, 1.1) : Style.accentFill
            }
            topPadding: 8
            bottomPadding: 8
            Layout.fillWidth: true
            Accessible.name: text
            HoverHandler { cursorShape: Qt.PointingHandCursor }
            Keys.onReturnPressed: clicked()
            FocusRing { shown: signIn.visualFocus }
            onClicked: screen.body.signIn()
        }
        Button {
            id: createAccount
            objectName: "createAccount"
            text: qsTr("Create account")
            Layout.fillWidth: true
            Accessible.name: text
            HoverHandler { cursorShape: Qt.PointingHandCursor }
            Keys.onReturnPressed: clicked()
            FocusRing { shown: createAccount.visualFocus }
            onClicked: screen.body.createAccount()
        }
    }

    ErrorBanner {
        visible: !screen.body.awaitingApproval && screen.body.hasSignInError
        message: screen.body.signInError
        glyph: screen.menu.glyph("exclamationmark.triangle.fill")
    }

    AwaitingApprovalForm {
        visible: screen.body.awaitingApproval
        body: screen.body
        Layout.fillWidth: true
    }
}
