import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// Asks for the name of a new account profile; "Continue" starts its sign-in.
Dialog {
    id: dialog
    required property QtObject account

    title: "Add account"
    modal: true
    focus: true
    width: Math.min(300, parent ? parent.width - 24 : 300)
    x: parent ? (parent.width - width) / 2 : 0
    y: 40
    closePolicy: Popup.CloseOnEscape

    function ask() {
        name.text = ""
        open()
    }

    onOpened: name.forceActiveFocus()
    onAccepted: dialog.account.addAccount(name.text)

    ColumnLayout {
        anchors.fill: parent
        spacing: 10
        Label {
            text: "Name this profile (e.g. work). You'll approve it in your browser."
            wrapMode: Text.Wrap
            font.pointSize: Style.calloutSize
            color: Style.primary
            Layout.fillWidth: true
        }
        TextField {
            id: name
            placeholderText: "work"
            selectByMouse: true
            Layout.preferredWidth: 220
            Layout.preferredHeight: 24
            topPadding: 2
            bottomPadding: 2
            Accessible.name: "Profile name"
            Keys.onReturnPressed: dialog.accept()
            Keys.onEnterPressed: dialog.accept()
        }
    }

    footer: DialogButtonBox {
        Button {
            text: "Continue"
            highlighted: true
            DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
            Accessible.name: text
        }
        Button {
            text: "Cancel"
            DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
            Accessible.name: text
        }
    }
}
