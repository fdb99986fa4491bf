import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The drop-down window: header, the body for the current screen, footer. The application
// sizes the platform window: the design width, and the content's height held to the screen;
// when it is held, the spaces list and the banners give up room and scroll.
Window {
    id: window
    required property QtObject menu

    // The content's own height, whatever the window's height is.
    readonly property real contentHeight: content.implicitHeight
    readonly property int designWidth: Style.windowWidth
    // Set by the application while its account menu (a native popup) is open.
    property bool accountMenuOpen: false
    // The header's menu button, with its bottom-right corner in window coordinates.
    signal accountMenuRequested(real x, real y)

    title: menu.header.windowTitle
    width: designWidth
    color: palette.window

    Component.onCompleted: {
        Style.colors = menu.colors
        Style.symbolFamily = menu.symbolFontFamily
    }

    // Set by the application while it maps the open window anew (Wayland, after it grew).
    property bool remapping: false

    onVisibleChanged: {
        if (visible && !remapping) {
            menu.windowShown()
            if (spaces.item)
                spaces.item.focusSearch()
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
        onActivated: window.close()
    }

    ColumnLayout {
        id: content
        anchors.fill: parent
        spacing: 0

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
            sourceComponent: SignedOutScreen { menu: window.menu }
        }
        Loader {
            id: spaces
            active: !window.menu.body.signedOut
            visible: active
            Layout.fillWidth: true
            // The list inside gives up room when the window is held to the screen.
            Layout.fillHeight: active
            Layout.minimumHeight: item ? item.minimumHeight : 0
            Layout.maximumHeight: item ? item.implicitHeight : 0
            sourceComponent: SpacesScreen { menu: window.menu }
            onLoaded: if (window.visible) item.focusSearch()
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
}
