import QtQuick
import QtQuick.Controls

// A text that acts as a link: pointing hand, tooltip, activation with the mouse or keyboard.
Label {
    id: link
    property string tooltip
    signal activated()

    activeFocusOnTab: true
    Accessible.role: Accessible.Link
    Accessible.name: text
    Accessible.onPressAction: link.activated()
    Keys.onReturnPressed: link.activated()
    Keys.onSpacePressed: link.activated()

    ToolTip.visible: tooltip.length > 0 && area.containsMouse
    ToolTip.text: tooltip
    ToolTip.delay: 600

    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: link.activated()
    }
}
