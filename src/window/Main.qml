import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Tovi.Window as Tovi

// The drop-down window: header, the body for the current screen, footer. The application
// sizes the platform window: the design width, and the content's height held to the screen;
// when it is held, the spaces list and the banners give up room and scroll.
// What the window and the application say to each other (menu, contentHeight, dropDown,
// accountMenuOpen, the signals …) is declared by the root's type, ToviWindow.
Tovi.ToviWindow {
    id: window

    contentHeight: content.implicitHeight
    designWidth: Style.windowWidth
    title: menu.header.windowTitle
    width: designWidth
    color: palette.window

    Component.onCompleted: {
        Style.colors = menu.colors
        Style.symbolFamily = menu.symbolFontFamily
        applyPalette()
    }

    // The one palette in force, set on the window so that every control inherits it: left to
    // themselves the controls keep the style's palette of the moment the window was built.
    function applyPalette() {
        const roles = menu.colors.palette
        for (const role in roles) {
            if (role === "disabled")
                continue
            palette.active[role] = roles[role]
            palette.inactive[role] = roles[role]
            palette.disabled[role] = roles.disabled[role]
        }
    }
    Connections {
        target: window.menu.colors
        function onChanged() { window.applyPalette() }
    }

    // In a build that traces, asked to (the end-to-end checks): the walk over the texts on
    // screen that the contrast check reads. Only such a build's module holds it.
    Loader {
        active: window.tracing
        source: "ContrastWalk.qml"
    }

    // Each opening starts afresh: the keyboard at the top of the window (the first Tab reaches
    // the header), no row picked, so Return opens only what the user chose in this opening.
    onVisibleChanged: {
        if (visible && !remapping) {
            if (spaces.screen)
                spaces.screen.resetSelection()
            content.forceActiveFocus()
        }
    }

    // On Linux the platform's quit key is Ctrl+Q: one shortcut, or Qt sees two for the same
    // key and fires neither.
    Shortcut {
        sequence: "Ctrl+Q"
        context: Qt.WindowShortcut
        onActivated: window.menu.quit()
    }
    Shortcut {
        sequence: "Escape"
        context: Qt.WindowShortcut
        onActivated: window.accountMenuOpen ? window.accountMenuDismissed() : window.close()
    }
    Connections {
        target: Style
        function onToolTipShown(text) { window.toolTipShown(text) }
    }

    ColumnLayout {
        id: content
        objectName: "window"
        anchors.fill: parent
        spacing: 0
        focus: true
        Accessible.role: Accessible.Pane
        Accessible.name: window.title

        // Whatever has the keyboard (nothing yet, a header link, a footer button), typing goes
        // to the search field while the list is on screen: keys a control does not take come
        // up to here.
        Keys.onPressed: event => {
            if (spaces.screen && spaces.screen.takeTyping(event, window.activeFocusItem === content))
                event.accepted = true
        }

        TitleBar {
            menu: window.menu
            visible: window.ownTitleBar
            Layout.fillWidth: true
            onCloseRequested: window.close()
        }

        Header {
            id: header
            menu: window.menu
            accountMenuOpen: window.accountMenuOpen
            Layout.fillWidth: true
            Layout.margins: 12
            onAccountMenuRequested: (x, y) => window.accountMenuRequested(x, y)
        }

        Divider {}

        Loader {
            id: signedOut
            active: window.menu.body.signedOut
            visible: active
            Layout.fillWidth: true
            Layout.margins: 20
            // Qt 6.4's Loader cannot make bound components (pragma ComponentBehavior), and qmllint
            // cannot resolve the window's id in an unbound one; the types are still checked.
            // qmllint disable unqualified
            sourceComponent: SignedOutScreen { menu: window.menu }
            // qmllint enable unqualified
        }
        Loader {
            id: spaces
            readonly property SpacesScreen screen: item as SpacesScreen
            active: !window.menu.body.signedOut
            visible: active
            Layout.fillWidth: true
            // The list inside gives up room when the window is held to the screen.
            Layout.fillHeight: active
            Layout.minimumHeight: screen ? screen.minimumHeight : 0
            Layout.maximumHeight: screen ? screen.implicitHeight : 0
            // qmllint disable unqualified
            sourceComponent: SpacesScreen { menu: window.menu }
            // qmllint enable unqualified
        }

        Divider {}

        Footer {
            menu: window.menu
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.maximumHeight: implicitHeight
            Layout.margins: 12
        }
    }

    // A drop-down, and a window with its own title bar, have no frame of the window manager's:
    // the edge a popup has, or on a light desktop they melt into whatever lies under them.
    Rectangle {
        objectName: "edge"
        anchors.fill: parent
        z: 1
        visible: window.dropDown || window.ownTitleBar
        color: "transparent"
        border.width: 1
        border.color: window.palette.mid
    }
}
