import QtQuick
import QtQuick.Controls

// A text that acts as a link: pointing hand, tooltip, activation with the mouse or keyboard.
PlainLabel {
    id: link
    property string tooltip
    signal activated()

    activeFocusOnTab: true
    Accessible.role: Accessible.Link
    Accessible.name: text
    Accessible.onPressAction: link.activated()
    Keys.onReturnPressed: link.activated()
    Keys.onSpacePressed: link.activated()

    // A text cut short shows in full in the tooltip, above what the link does.
    PlainToolTip {
        visible: (link.tooltip.length > 0 || link.truncated) && area.containsMouse
        text: link.truncated ? link.text + (link.tooltip.length > 0 ? "\n" + link.tooltip : "") : link.tooltip
    }

    // Only the painted text is the link: a label stretched across a row must not make the
    // empty space beside it clickable.
    MouseArea {
        id: area
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: Math.min(link.width, link.contentWidth)
        x: link.effectiveHorizontalAlignment === Text.AlignRight ? link.width - width
           : link.effectiveHorizontalAlignment === Text.AlignHCenter ? (link.width - width) / 2 : 0
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: link.activated()
        // Around the painted text too, not the stretched label.
        FocusRing { shown: link.activeFocus }
    }
}
