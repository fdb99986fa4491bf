import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A space: its icon, name and detail line, and the state dot; opens the space's page.
Rectangle {
    id: row
    required property string title
    required property string detail
    required property color detailColor
    required property color dotColor
    required property string stateLabel
    required property string glyph
    required property string tooltip
    property bool current: false
    signal open()

    color: area.containsMouse || current ? Style.hover : "transparent"
    Accessible.role: Accessible.Button
    Accessible.name: title + ", " + detail
    Accessible.description: stateLabel
    Accessible.onPressAction: row.open()

    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: row.open()
    }
    // The tooltip names the space in full; a cut detail line shows there too.
    PlainToolTip {
        visible: area.containsMouse && !dotArea.containsMouse
        text: detailLabel.truncated ? row.tooltip + "\n" + row.detail : row.tooltip
    }

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 12
        anchors.rightMargin: 12
        spacing: 8

        SymbolLabel {
            glyph: row.glyph
            size: Style.bodySize * 1.15
            Layout.preferredWidth: 16
            Layout.alignment: Qt.AlignVCenter
        }
        ColumnLayout {
            spacing: 1
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignVCenter
            PlainLabel {
                text: row.title
                font.pointSize: Style.calloutSize
                color: Style.primary
                elide: Text.ElideRight
                maximumLineCount: 1
                Layout.fillWidth: true
            }
            PlainLabel {
                id: detailLabel
                text: row.detail
                font.pointSize: Style.captionSize
                color: row.detailColor
                elide: Text.ElideRight
                maximumLineCount: 1
                Layout.fillWidth: true
            }
        }
        Dot {
            id: dot
            diameter: 9
            color: row.dotColor
            Layout.alignment: Qt.AlignVCenter
            HoverHandler { id: dotHover }
            MouseArea {
                id: dotArea
                anchors.fill: parent
                anchors.margins: -4
                hoverEnabled: true
                cursorShape: Qt.PointingHandCursor
                onClicked: row.open()
            }
            PlainToolTip {
                visible: dotArea.containsMouse
                text: row.stateLabel
                delay: 300
            }
        }
    }
}
