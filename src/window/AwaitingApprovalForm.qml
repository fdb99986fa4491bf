import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Tovi.Window as Tovi

// Shown while the browser approval of a sign-in is pending.
ColumnLayout {
    id: form
    required property Tovi.BodyViewModel body
    spacing: 16

    Spinner {
        running: form.visible
        Layout.alignment: Qt.AlignHCenter
        Layout.preferredWidth: 32
        Layout.preferredHeight: 32
        Accessible.name: qsTr("Waiting for approval")
    }
    PlainLabel {
        text: qsTr("Waiting for approval in your browser…")
        font.pointSize: Style.calloutSize
        color: Style.secondary
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.Wrap
        Layout.fillWidth: true
    }
    LinkLabel {
        visible: form.body.showReopenLink
        text: qsTr("Reopen approval page")
        tooltip: form.body.approvalUrl
        font.pointSize: Style.captionSize
        font.underline: true
        color: Style.accent
        Layout.alignment: Qt.AlignHCenter
        onActivated: form.body.reopenApprovalPage()
    }
    Button {
        id: cancel
        text: qsTr("Cancel")
        font.pointSize: Style.captionSize
        Accessible.name: text
        HoverHandler { cursorShape: Qt.PointingHandCursor }
        Keys.onReturnPressed: clicked()
        FocusRing { shown: cancel.visualFocus }
        onClicked: form.body.cancelSignIn()
        Layout.alignment: Qt.AlignHCenter
    }
}
