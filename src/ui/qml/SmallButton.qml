import QtQuick
import QtQuick.Controls

// The footer's compact push button.
Button {
    id: button
    property string tooltip
    font.pointSize: Style.captionSize
    topPadding: 3
    bottomPadding: 3
    leftPadding: 10
    rightPadding: 10
    Accessible.name: text
    Accessible.description: tooltip
    ToolTip.visible: hovered && tooltip.length > 0
    ToolTip.text: tooltip
    ToolTip.delay: 600
    HoverHandler { cursorShape: Qt.PointingHandCursor }
}
