import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// Service state, CLI version, nodes online and unread notifications, at the trailing edge.
RowLayout {
    id: row
    required property QtObject footer
    spacing: 8

    Item { Layout.fillWidth: true }

    RowLayout {
        spacing: 4
        Accessible.role: Accessible.StaticText
        Accessible.name: row.footer.serviceText
        Dot { diameter: 7; color: row.footer.serviceDotColor }
        Label {
            text: row.footer.serviceText
            font.pointSize: Style.captionSize
            color: Style.secondary
        }
        HoverHandler { id: serviceHover }
        ToolTip.visible: serviceHover.hovered
        ToolTip.text: row.footer.serviceTooltip
        ToolTip.delay: 600
    }

    Divider { vertical: true; visible: row.footer.showCliVersion }
    Label {
        visible: row.footer.showCliVersion
        text: row.footer.cliVersion
        font.pointSize: Style.captionSize
        color: Style.secondary
        Accessible.name: "Installed tovi CLI version " + text
        HoverHandler { id: versionHover }
        ToolTip.visible: versionHover.hovered
        ToolTip.text: "Installed tovi CLI version"
        ToolTip.delay: 600
    }

    Divider { vertical: true; visible: row.footer.showNodeCount }
    LinkLabel {
        visible: row.footer.showNodeCount
        text: row.footer.nodeCountText
        tooltip: row.footer.nodeCountTooltip
        font.pointSize: Style.captionSize
        color: row.footer.nodeCountColor
        onActivated: row.footer.openNodes()
    }

    Divider { vertical: true; visible: row.footer.showNotifications }
    Item {
        id: notifications
        visible: row.footer.showNotifications
        implicitWidth: bell.implicitWidth
        implicitHeight: bell.implicitHeight
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
            Label {
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
        ToolTip.visible: bellArea.containsMouse
        ToolTip.text: row.footer.notificationsTooltip
        ToolTip.delay: 600
    }
}
