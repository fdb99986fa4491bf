import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Tovi.Window as Tovi

// Start (or progress), then Refresh and Upgrade at the trailing edge.
RowLayout {
    id: row
    required property Tovi.FooterViewModel footer
    spacing: 8

    Spinner {
        visible: row.footer.showSpinner
        running: visible
        Layout.preferredWidth: 18
        Layout.preferredHeight: 18
        Accessible.name: qsTr("Working")
    }
    SmallButton {
        objectName: "start"
        visible: row.footer.showStart
        text: qsTr("Start")
        tooltip: qsTr("Start the tovi background service on this machine")
        onClicked: row.footer.start()
    }

    Item { Layout.fillWidth: true }

    SmallButton {
        objectName: "refresh"
        text: qsTr("Refresh")
        tooltip: row.footer.refreshTooltip
        onClicked: row.footer.refresh()
        onHoveredChanged: if (hovered) row.footer.update()
    }
    SmallButton {
        id: upgrade
        objectName: "upgrade"
        text: qsTr("Upgrade")
        tooltip: row.footer.upgradeTooltip
        enabled: row.footer.upgradeEnabled
        onClicked: row.footer.upgrade()
        icon.width: 0
        contentItem: Row {
            spacing: 4
            SymbolLabel {
                visible: row.footer.upgradeUpdateForm
                glyph: row.footer.upgradeGlyph
                size: Style.captionSize * 1.15
                color: upgrade.enabled ? row.footer.upgradeTint : Style.secondary
                anchors.verticalCenter: parent.verticalCenter
            }
            PlainLabel {
                text: upgrade.text
                font: upgrade.font
                color: !upgrade.enabled ? Style.secondary
                       : row.footer.upgradeUpdateForm ? row.footer.upgradeTint : upgrade.palette.buttonText
                anchors.verticalCenter: parent.verticalCenter
            }
        }
    }
}
