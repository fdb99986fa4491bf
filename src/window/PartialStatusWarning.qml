import QtQuick
import QtQuick.Controls

// Marks a snapshot the CLI could only partly load; the tooltip names the missing sections.
Row {
    id: warning
    required property string tooltip
    required property string glyph
    spacing: 4
    Accessible.role: Accessible.AlertMessage
    Accessible.name: label.text
    Accessible.description: tooltip

    SymbolLabel {
        glyph: warning.glyph
        size: Style.caption2Size
        color: Style.amber
        anchors.verticalCenter: parent.verticalCenter
    }
    PlainLabel {
        id: label
        text: qsTr("Some status unavailable")
        font.pointSize: Style.caption2Size
        color: Style.amberText
        anchors.verticalCenter: parent.verticalCenter
    }
    HoverHandler { id: hover }
    PlainToolTip {
        visible: hover.hovered
        text: warning.tooltip
        delay: 400
    }
}
