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
    // About eight lines of caption text.
    readonly property real maximumMessageHeight: 8 * fontMetrics.height
    FontMetrics { id: fontMetrics; font.pointSize: Style.captionSize }

    Layout.fillWidth: true
    // In a window held to the screen's height the banner gives up room down to two lines.
    Layout.fillHeight: true
    Layout.minimumHeight: Math.min(implicitHeight, 2 * fontMetrics.height + 12)
    Layout.maximumHeight: implicitHeight
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
        // A long message (a CLI's whole standard error) scrolls inside a bounded banner
        // rather than pushing the footer's controls off the screen.
        Flickable {
            id: scroller
            clip: true
            contentWidth: width
            contentHeight: messageText.implicitHeight
            boundsBehavior: Flickable.StopAtBounds
            interactive: contentHeight > height
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignVCenter
            Layout.fillHeight: true
            Layout.preferredHeight: Math.min(messageText.implicitHeight, banner.maximumMessageHeight)
            ScrollBar.vertical: ScrollBar {
                policy: scroller.interactive ? ScrollBar.AlwaysOn : ScrollBar.AsNeeded
                palette.mid: Style.scrollHandle
            }
            PlainLabel {
                id: messageText
                // Room for the scroll bar, kept whether or not it shows so that the text never
                // rewraps under it.
                width: scroller.width - 10
                text: banner.message
                font.pointSize: Style.captionSize
                color: Style.primary
                wrapMode: Text.Wrap
            }
        }
        Button {
            id: retry
            visible: banner.hasRetry
            text: qsTr("Retry")
            font.pointSize: Style.captionSize
            padding: 2
            leftPadding: 8
            rightPadding: 8
            Accessible.name: text
            HoverHandler { cursorShape: Qt.PointingHandCursor }
            Keys.onReturnPressed: clicked()
            FocusRing { shown: retry.visualFocus }
            onClicked: banner.retry()
            Layout.alignment: Qt.AlignVCenter
        }
    }
}
