import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The drop-down window: header, the body for the current screen, footer. Fixed width, the
// height follows the content (and grows while the account menu or a dialog needs room).
Window {
    id: window
    required property QtObject menu

    readonly property real contentHeight: content.implicitHeight
    readonly property real menuExtent: header.accountMenu.visible
        ? header.y + header.height + header.accountMenu.implicitHeight + 16 : 0
    readonly property real dialogExtent: addAccount.visible ? addAccount.y + addAccount.implicitHeight + 16 : 0

    title: menu.header.windowTitle
    width: Style.windowWidth
    minimumWidth: Style.windowWidth
    maximumWidth: Style.windowWidth
    height: Math.ceil(Math.max(contentHeight, menuExtent, dialogExtent))
    minimumHeight: height
    maximumHeight: height
    color: palette.window

    Component.onCompleted: {
        Style.colors = menu.colors
        Style.symbolFamily = menu.symbolFontFamily
    }

    onVisibleChanged: {
        if (visible) {
            menu.windowShown()
            if (spaces.item)
                spaces.item.focusSearch()
        } else {
            header.accountMenu.close()
            addAccount.close()
        }
    }

    Shortcut {
        sequence: StandardKey.Quit
        context: Qt.WindowShortcut
        onActivated: window.menu.quit()
    }
    Shortcut {
        sequence: "Ctrl+Q"
        context: Qt.WindowShortcut
        onActivated: window.menu.quit()
    }
    Shortcut {
        sequence: "Escape"
        context: Qt.WindowShortcut
        enabled: !header.accountMenu.visible && !addAccount.visible
        onActivated: window.close()
    }

    ColumnLayout {
        id: content
        width: window.width
        spacing: 0

        Header {
            id: header
            menu: window.menu
            Layout.fillWidth: true
            Layout.margins: 12
            onAddAccountRequested: addAccount.ask()
        }

        Divider {}

        Loader {
            id: signedOut
            active: window.menu.body.signedOut
            visible: active
            Layout.fillWidth: true
            Layout.margins: 20
            sourceComponent: SignedOutScreen { menu: window.menu }
        }
        Loader {
            id: spaces
            active: !window.menu.body.signedOut
            visible: active
            Layout.fillWidth: true
            sourceComponent: SpacesScreen { menu: window.menu }
            onLoaded: if (window.visible) item.focusSearch()
        }

        Divider {}

        Footer {
            menu: window.menu
            Layout.fillWidth: true
            Layout.margins: 12
        }
    }

    AddAccountDialog {
        id: addAccount
        parent: window.contentItem
        account: window.menu.accountMenu
    }
}
