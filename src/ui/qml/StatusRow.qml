import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// Service state, CLI version, nodes online and unread notifications, at the trailing edge.
// When the row is too narrow (a long version, a large font) the texts are cut, longest
// first, and show in full in their tooltips; nothing is pushed out of the window.
RowLayout {
    id: row
    required property QtObject footer
    spacing: 8

    Item { Layout.fillWidth: true; Layout.minimumWidth: 0 }

    RowLayout {
        spacing: 4
        Layout.minimumWidth: 7 + 4 + 24
        Layout.maximumWidth: implicitWidth
        Layout.fillWidth: true
        Accessible.role: Accessible.StaticText
        Accessible.name: row.footer.serviceText
        Dot { diameter: 7; color: row.footer.serviceDotColor }
        PlainLabel {
            id: serviceLabel
            text: row.footer.serviceText
            font.pointSize: Style.captionSize
            color: Style.secondary
            elide: Text.ElideRight
            Layout.fillWidth: true
            Layout.minimumWidth: 0
        }
        HoverHandler { id: serviceHover }
        PlainToolTip {
            visible: serviceHover.hovered
            text: serviceLabel.truncated ? row.footer.serviceText + "\n" + row.footer.serviceTooltip
                                         : row.footer.serviceTooltip
        }
    }

    Divider { vertical: true; visible: row.footer.showCliVersion }
    PlainLabel {
        id: version
        visible: row.footer.showCliVersion
        text: row.footer.cliVersion
        font.pointSize: Style.captionSize
        color: Style.secondary
        elide: Text.ElideRight
        // A version such as 1.10.0-beta.12+g3f2a9c1 gives way before anything else.
        Layout.fillWidth: true
        Layout.minimumWidth: Math.min(implicitWidth, 24)
        Layout.maximumWidth: implicitWidth
        Accessible.name: "Installed tovi CLI version " + text
        HoverHandler { id: versionHover }
        PlainToolTip {
            visible: versionHover.hovered
            text: version.truncated ? "Installed tovi CLI version " + version.text : "Installed tovi CLI version"
        }
    }

    Divider { vertical: true; visible: row.footer.showNodeCount }
    LinkLabel {
        visible: row.footer.showNodeCount
        text: row.footer.nodeCountText
        tooltip: row.footer.nodeCountTooltip
        font.pointSize: Style.captionSize
        color: row.footer.nodeCountColor
        elide: Text.ElideRight
        Layout.fillWidth: true
        Layout.minimumWidth: Math.min(implicitWidth, 24)
        Layout.maximumWidth: implicitWidth
        onActivated: row.footer.openNodes()
    }

    Divider { vertical: true; visible: row.footer.showNotifications }
    Item {
        id: notifications
        visible: row.footer.showNotifications
        implicitWidth: bell.implicitWidth
        implicitHeight: bell.implicitHeight
        Layout.minimumWidth: implicitWidth
        activeFocusOnTab: true
        Accessible.role: Accessible.Link
        Accessible.name: row.footer.notificationsTooltip
        Accessible.onPressAction: row.footer.openNotifications()
        Keys.onReturnPressed: row.footer.openNotifications()
        Row {
            id: bell
            spacing: 2
            SymbolLabel {
                glyph: row.footer.notificationsGlyph
                size: Style.captionSize * 1.15
                color: row.footer.notificationsColor
                anchors.verticalCenter: parent.verticalCenter
            }
            PlainLabel {
                visible: text.length > 0
                text: row.footer.notificationsCountText
                font.pointSize: Style.captionSize
                color: row.footer.notificationsColor
                anchors.verticalCenter: parent.verticalCenter
            }
        }
        MouseArea {
            id: bellArea
            anchors.fill: parent
            hoverEnabled: true
            cursorShape: Qt.PointingHandCursor
            onClicked: row.footer.openNotifications()
        }
        PlainToolTip {
            visible: bellArea.containsMouse
            text: row.footer.notificationsTooltip
        }
    }
}
