import QtQuick

// The keyboard's place: a ring just outside the control that has it. Drawn on top of the
// control, whatever its own chrome, in the desktop palette's selection colour so that it shows
// in light and dark schemes alike.
Rectangle {
    // Whether the control has the keyboard focus (from the keyboard, for those that tell).
    property bool shown: false
    property real inset: -2

    anchors.fill: parent
    anchors.margins: inset
    visible: shown
    z: 100
    color: "transparent"
    radius: 3
    border.width: 2
    border.color: palette.highlight
}
