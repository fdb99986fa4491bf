import QtQuick
import QtQuick.Controls
import Tovi.Window as Tovi

// The normal window's title bar where nothing else draws one (a frameless window on Wayland):
// the name and a close button. No maximise: the window is as large as its content. No minimise
// either: the window closes to the tray or to the next launch, and Wayland gives no way back
// from a minimised window that has no task bar entry. A drag on the bar moves the window.
Rectangle {
    id: bar
    required property Tovi.MenuViewModel menu
    signal closeRequested()
    readonly property string closeText: qsTr("Close")

    implicitHeight: 30
    color: Style.hover

    // The compositor moves the window: a Wayland client cannot place it itself.
    DragHandler {
        target: null
        onActiveChanged: if (active) bar.Window.window.startSystemMove()
    }

    PlainLabel {
        objectName: "titleBarName"
        text: qsTr("Tovi")
        anchors.left: parent.left
        anchors.leftMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        font.pointSize: Style.calloutSize
        font.weight: Font.DemiBold
        color: Style.primary
        Accessible.ignored: true
    }

    ToolButton {
        id: closeButton
        objectName: "closeWindow"
        flat: true
        focusPolicy: Qt.TabFocus
        padding: 2
        anchors.right: parent.right
        anchors.rightMargin: 4
        anchors.verticalCenter: parent.verticalCenter
        implicitWidth: 24
        implicitHeight: 24
        contentItem: SymbolLabel {
            glyph: bar.menu.header.closeGlyph
            size: Style.bodySize * 1.2
            color: closeButton.hovered ? Style.primary : Style.secondary
        }
        background: Rectangle {
            radius: 4
            color: closeButton.hovered ? Style.hover : "transparent"
        }
        Accessible.name: bar.closeText
        PlainToolTip {
            visible: closeButton.hovered
            text: bar.closeText
        }
        Keys.onReturnPressed: clicked()
        Keys.onEnterPressed: clicked()
        FocusRing { shown: closeButton.visualFocus; inset: 0 }
        onClicked: bar.closeRequested()
    }

    Rectangle {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: 1
        color: Style.divider
    }
}
