import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A node of the spaces list: its online dot and name; opens the team's nodes page.
Rectangle {
    id: row
    required property string title
    required property color dotColor
    required property string tooltip
    property bool current: false
    signal open()

    color: area.containsMouse || current ? Style.hover : "transparent"
    Accessible.role: Accessible.Button
    Accessible.name: title + ", " + tooltip
    Accessible.onPressAction: row.open()

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 12
        anchors.rightMargin: 12
        spacing: 6
        Dot {
            diameter: 6
            color: row.dotColor
            Layout.alignment: Qt.AlignVCenter
        }
        PlainLabel {
            id: name
            text: row.title
            font.pointSize: Style.captionSize
            color: Style.secondary
            elide: Text.ElideRight
            maximumLineCount: 1
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignVCenter
        }
    }

    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: row.open()
    }
    PlainToolTip {
        visible: area.containsMouse
        text: name.truncated ? row.title + "\n" + row.tooltip : row.tooltip
    }
}
