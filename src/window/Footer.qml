pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Tovi.Window as Tovi

// Set-up progress, banners, the maintenance message, the partial-status warning, the status
// information row and the controls row; each only when it has something to say.
ColumnLayout {
    id: footer
    required property Tovi.MenuViewModel menu
    readonly property Tovi.FooterViewModel model: menu.footer
    spacing: 6

    RowLayout {
        visible: footer.model.bootstrapInstalling
        spacing: 6
        Spinner {
            running: parent.visible
            Layout.preferredWidth: 16
            Layout.preferredHeight: 16
            Accessible.name: qsTr("Setting up tovi")
        }
        PlainLabel {
            text: qsTr("Setting up tovi…")
            font.pointSize: Style.captionSize
            color: Style.secondary
        }
    }

    Repeater {
        model: footer.model.banners
        delegate: ErrorBanner {
            required property var modelData
            message: modelData.message
            hasRetry: modelData.hasRetry
            glyph: footer.menu.glyph("exclamationmark.triangle.fill")
            onRetry: footer.model.retryBootstrap()
        }
    }

    PlainLabel {
        id: maintenance
        visible: footer.model.showMaintenanceMessage
        text: footer.model.maintenanceMessage
        font.pointSize: Style.captionSize
        color: Style.secondary
        wrapMode: Text.Wrap
        maximumLineCount: 2
        elide: Text.ElideRight
        Layout.fillWidth: true
        HoverHandler { id: maintenanceHover }
        PlainToolTip {
            visible: maintenanceHover.hovered && maintenance.truncated
            text: footer.model.maintenanceMessage
        }
    }

    PartialStatusWarning {
        visible: footer.model.showPartialWarning
        tooltip: footer.model.partialTooltip
        glyph: footer.menu.glyph("exclamationmark.triangle")
    }

    StatusRow {
        footer: footer.model
        Layout.fillWidth: true
    }
    ControlsRow {
        footer: footer.model
        Layout.fillWidth: true
    }
}
