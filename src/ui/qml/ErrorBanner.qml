import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// One problem report: a red triangle, the message verbatim, and optionally "Retry".
Rectangle {
    id: banner
    required property string message
    property bool hasRetry: false
    required property string glyph
    signal retry()

    Layout.fillWidth: true
    implicitHeight: row.implicitHeight + 12
    radius: 7
    color: Qt.rgba(Style.red.r, Style.red.g, Style.red.b, 0.12)
    Accessible.role: Accessible.AlertMessage
    Accessible.name: message

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.leftMargin: 8
        anchors.rightMargin: 8
        anchors.topMargin: 6
        anchors.bottomMargin: 6
        spacing: 6

        SymbolLabel {
            glyph: banner.glyph
            size: Style.captionSize
            color: Style.red
            Layout.alignment: Qt.AlignVCenter
        }
        Label {
            text: banner.message
            font.pointSize: Style.captionSize
            color: Style.primary
            wrapMode: Text.Wrap
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignVCenter
        }
        Button {
            visible: banner.hasRetry
            text: "Retry"
            font.pointSize: Style.captionSize
            padding: 2
            leftPadding: 8
            rightPadding: 8
            Accessible.name: text
            HoverHandler { cursorShape: Qt.PointingHandCursor }
            onClicked: banner.retry()
            Layout.alignment: Qt.AlignVCenter
        }
    }
}
