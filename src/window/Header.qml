import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Tovi.Window as Tovi

// The mark and the team's name (both open the usage page) and, at the trailing edge, the
// account menu.
RowLayout {
    id: header
    required property Tovi.MenuViewModel menu
    readonly property Tovi.HeaderViewModel model: menu.header
    // Set while the account menu (a native popup the application owns) is open.
    property bool accountMenuOpen: false
    signal accountMenuRequested(real x, real y)

    spacing: 8

    Image {
        id: mark
        objectName: "mark"
        source: header.model.markSource
        sourceSize.width: 44
        sourceSize.height: 44
        Layout.preferredWidth: 22
        Layout.minimumWidth: 22
        Layout.preferredHeight: 22
        fillMode: Image.Stretch
        smooth: true
        activeFocusOnTab: true
        Accessible.role: Accessible.Link
        Accessible.name: header.model.markTooltip
        Accessible.onPressAction: header.model.openUsage()
        Keys.onReturnPressed: header.model.openUsage()
        Keys.onSpacePressed: header.model.openUsage()
        FocusRing { shown: mark.activeFocus }

        PlainToolTip {
            visible: markArea.containsMouse
            text: header.model.markTooltip
        }

        MouseArea {
            id: markArea
            anchors.fill: parent
            hoverEnabled: true
            cursorShape: Qt.PointingHandCursor
            onClicked: header.model.openUsage()
        }
    }

    LinkLabel {
        objectName: "title"
        text: header.model.title
        tooltip: header.model.titleTooltip
        font.pointSize: Style.headlineSize
        font.weight: Font.DemiBold
        color: Style.primary
        elide: Text.ElideRight
        // The title takes all the room the menu button leaves, and is cut only when it
        // really doesn't fit.
        Layout.fillWidth: true
        Layout.minimumWidth: 0
        onActivated: header.model.openUsage()
    }

    ToolButton {
        id: menuButton
        objectName: "accountMenu"
        flat: true
        focusPolicy: Qt.TabFocus
        padding: 2
        // Never squeezed by a long title: the title gives way instead.
        Layout.minimumWidth: implicitWidth
        contentItem: SymbolLabel {
            glyph: header.model.menuGlyph
            size: Style.headlineSize * 1.35
            color: menuButton.hovered || header.accountMenuOpen ? Style.primary : Style.secondary
        }
        background: Rectangle {
            radius: 4
            color: menuButton.hovered || header.accountMenuOpen ? Style.hover : "transparent"
        }
        Accessible.name: qsTr("Account menu, %1").arg(header.model.identityTitle)
        PlainToolTip {
            visible: menuButton.hovered && !header.accountMenuOpen
            text: header.model.identityTitle
        }
        HoverHandler { cursorShape: Qt.PointingHandCursor }
        Keys.onReturnPressed: clicked()
        FocusRing { shown: menuButton.visualFocus; inset: 0 }
        // The menu is a popup window of its own, hung from the button's bottom-right corner.
        onClicked: {
            const corner = menuButton.mapToItem(null, menuButton.width, menuButton.height)
            header.accountMenuRequested(corner.x, corner.y)
        }
    }
}
