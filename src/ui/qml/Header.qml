import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The mark and the team's name (both open the usage page) and, at the trailing edge, the
// account menu.
RowLayout {
    id: header
    required property QtObject menu
    readonly property QtObject model: menu.header
    property alias accountMenu: accountMenu
    signal addAccountRequested()

    spacing: 8

    Image {
        id: mark
        source: header.model.markSource
        sourceSize.width: 44
        sourceSize.height: 44
        Layout.preferredWidth: 22
        Layout.preferredHeight: 22
        fillMode: Image.Stretch
        smooth: true
        activeFocusOnTab: true
        Accessible.role: Accessible.Link
        Accessible.name: header.model.markTooltip
        Accessible.onPressAction: header.model.openUsage()
        Keys.onReturnPressed: header.model.openUsage()

        ToolTip.visible: markArea.containsMouse
        ToolTip.text: header.model.markTooltip
        ToolTip.delay: 600

        MouseArea {
            id: markArea
            anchors.fill: parent
            hoverEnabled: true
            cursorShape: Qt.PointingHandCursor
            onClicked: header.model.openUsage()
        }
    }

    LinkLabel {
        text: header.model.title
        tooltip: header.model.titleTooltip
        font.pointSize: Style.headlineSize
        font.weight: Font.DemiBold
        color: Style.primary
        elide: Text.ElideRight
        // The title takes all the room the menu button leaves, and is cut only when it
        // really doesn't fit.
        Layout.fillWidth: true
        onActivated: header.model.openUsage()
    }

    ToolButton {
        id: menuButton
        flat: true
        focusPolicy: Qt.TabFocus
        padding: 2
        contentItem: SymbolLabel {
            glyph: header.model.menuGlyph
            size: Style.headlineSize * 1.35
            color: menuButton.hovered || accountMenu.visible ? Style.primary : Style.secondary
        }
        background: Rectangle {
            radius: 4
            color: menuButton.hovered || accountMenu.visible ? Style.hover : "transparent"
        }
        Accessible.name: qsTr("Account menu") + ", " + header.model.identityTitle
        ToolTip.visible: hovered && !accountMenu.visible
        ToolTip.text: header.model.identityTitle
        ToolTip.delay: 600
        HoverHandler { cursorShape: Qt.PointingHandCursor }
        onClicked: accountMenu.visible ? accountMenu.close() : accountMenu.popup(menuButton, menuButton.width - accountMenu.width, menuButton.height)

        AccountMenu {
            id: accountMenu
            menu: header.menu
            onAddAccountRequested: header.addAccountRequested()
        }
    }
}
