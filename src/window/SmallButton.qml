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
    PlainToolTip {
        visible: button.hovered && button.tooltip.length > 0
        text: button.tooltip
    }
    HoverHandler { cursorShape: Qt.PointingHandCursor }
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
    FocusRing { shown: button.visualFocus; inset: -1 }
}
