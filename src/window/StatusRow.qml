import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Tovi.Window as Tovi

// Service state, CLI version, nodes online and unread notifications, at the trailing edge.
// When the row is too narrow (a long version, a large font) the texts are cut, longest
// first, and show in full in their tooltips; nothing is pushed out of the window.
Item {
    id: row
    required property Tovi.FooterViewModel footer
    readonly property real spacing: 8
    implicitHeight: items.implicitHeight
    // Everything but the version, which takes what is left (the service text gives way only
    // when even a cut version does not fit).
    readonly property real othersWidth: serviceWidth
        + (footer.showCliVersion ? 1 + 2 * spacing : 0)
        + (footer.showNodeCount ? nodes.implicitWidth + 1 + 2 * spacing : 0)
        + (footer.showNotifications ? notifications.implicitWidth + 1 + 2 * spacing : 0)

    // Natural widths, measured apart (an eliding label's own implicit width follows the width
    // the layout last gave it) by hidden twins of the labels, laid out as the labels are: font
    // metrics alone can disagree with a label's own layout by a few pixels, enough to cut a text
    // that has room.
    readonly property real serviceWidth: 7 + 4 + Math.ceil(serviceNatural.implicitWidth) + 2
    readonly property real versionNaturalWidth: Math.ceil(versionNatural.implicitWidth)
    PlainLabel { id: serviceNatural; visible: false; text: serviceLabel.text; font: serviceLabel.font }
    PlainLabel { id: versionNatural; visible: false; text: version.text; font: version.font }

    Row {
    id: items
    anchors.right: parent.right
    anchors.verticalCenter: parent.verticalCenter
    spacing: row.spacing

    Row {
        id: service
        spacing: 4
        anchors.verticalCenter: parent.verticalCenter
        // Pinned: the label inside stretches, and the row would hand this group the room
        // the version needs.
        width: Math.max(7 + 4 + 24, Math.min(row.serviceWidth, row.width - (row.othersWidth - row.serviceWidth)
                                                               - (row.footer.showCliVersion ? 24 : 0)))
        // A status bar: a change of the service's state is announced.
        Accessible.role: Accessible.StatusBar
        Accessible.name: row.footer.serviceText
        Dot { diameter: 7; color: row.footer.serviceDotColor; anchors.verticalCenter: parent.verticalCenter }
        PlainLabel {
            id: serviceLabel
            text: row.footer.serviceText
            font.pointSize: Style.captionSize
            color: Style.secondary
            elide: Text.ElideRight
            width: service.width - 11
            anchors.verticalCenter: parent.verticalCenter
        }
        HoverHandler { id: serviceHover }
        PlainToolTip {
            visible: serviceHover.hovered
            text: serviceLabel.truncated ? row.footer.serviceText + "\n" + row.footer.serviceTooltip
                                         : row.footer.serviceTooltip
        }
    }

    Divider { vertical: true; height: 10; anchors.verticalCenter: parent.verticalCenter; visible: row.footer.showCliVersion }
    PlainLabel {
        id: version
        visible: row.footer.showCliVersion
        text: row.footer.cliVersion
        font.pointSize: Style.captionSize
        color: Style.secondary
        elide: Text.ElideRight
        // A version such as 1.10.0-beta.12+g3f2a9c1 gives way before anything else.
        width: Math.max(Math.min(row.versionNaturalWidth, 24),
                        Math.min(row.versionNaturalWidth + 2, Math.floor(row.width - row.othersWidth)))
        anchors.verticalCenter: parent.verticalCenter
        Accessible.name: qsTr("Installed tovi CLI version %1").arg(text)
        HoverHandler { id: versionHover }
        PlainToolTip {
            visible: versionHover.hovered
            text: version.truncated ? qsTr("Installed tovi CLI version %1").arg(version.text) : qsTr("Installed tovi CLI version")
        }
    }

    Divider { vertical: true; height: 10; anchors.verticalCenter: parent.verticalCenter; visible: row.footer.showNodeCount }
    LinkLabel {
        id: nodes
        objectName: "nodeCount"
        visible: row.footer.showNodeCount
        anchors.verticalCenter: parent.verticalCenter
        text: row.footer.nodeCountText
        tooltip: row.footer.nodeCountTooltip
        font.pointSize: Style.captionSize
        color: row.footer.nodeCountColor
        onActivated: row.footer.openNodes()
    }

    Divider { vertical: true; height: 10; anchors.verticalCenter: parent.verticalCenter; visible: row.footer.showNotifications }
    Item {
        id: notifications
        objectName: "notifications"
        visible: row.footer.showNotifications
        implicitWidth: bell.implicitWidth
        implicitHeight: bell.implicitHeight
        anchors.verticalCenter: parent.verticalCenter
        activeFocusOnTab: true
        Accessible.role: Accessible.Link
        Accessible.name: row.footer.notificationsTooltip
        Accessible.onPressAction: row.footer.openNotifications()
        Keys.onReturnPressed: row.footer.openNotifications()
        Keys.onSpacePressed: row.footer.openNotifications()
        FocusRing { shown: notifications.activeFocus }
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
                color: row.footer.notificationsTextColor
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
}
