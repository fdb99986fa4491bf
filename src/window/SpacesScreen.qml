import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Tovi.Window as Tovi

// The body while signed in: loading, "No spaces yet", or the search field over the list.
ColumnLayout {
    id: screen
    required property Tovi.MenuViewModel menu
    readonly property Tovi.SpacesViewModel spaces: menu.body.spaces
    property alias searchField: search
    // The least the screen needs in a window held to the screen's height: everything but the
    // list, and a node with one space of the list.
    readonly property real minimumHeight: implicitHeight - list.Layout.preferredHeight
                                          + Math.min(list.Layout.preferredHeight, 28 + 43)
    spacing: 0

    function resetSelection() {
        list.currentIndex = -1
    }

    // A key that reached the window without a control taking it: text goes into the search
    // field (and the keyboard with it); with nothing focused yet, Up and Down walk the list.
    function takeTyping(event, nothingFocused) {
        if (screen.spaces.form !== "search")
            return false
        if (nothingFocused && (event.key === Qt.Key_Down || event.key === Qt.Key_Up)) {
            search.forceActiveFocus()
            list.moveCurrent(event.key === Qt.Key_Down ? 1 : -1)
            return true
        }
        if (event.modifiers & (Qt.ControlModifier | Qt.AltModifier | Qt.MetaModifier))
            return false
        if (event.text.length === 0 || /[\u0000-\u001f\u007f]/.test(event.text))
            return false
        search.forceActiveFocus()
        search.insert(search.cursorPosition, event.text)
        screen.spaces.searchText = search.text
        list.currentIndex = -1
        return true
    }

    Spinner {
        visible: screen.spaces.form === "loading" && screen.spaces.unavailableText === ""
        running: visible
        Layout.alignment: Qt.AlignHCenter
        Layout.topMargin: 16
        Layout.bottomMargin: 16
        Layout.preferredWidth: 28
        Layout.preferredHeight: 28
        Accessible.name: qsTr("Loading spaces")
    }

    PlainLabel {
        visible: screen.spaces.form === "loading" && screen.spaces.unavailableText !== ""
        text: screen.spaces.unavailableText
        wrapMode: Text.Wrap
        font.pointSize: Style.calloutSize
        color: Style.secondary
        horizontalAlignment: Text.AlignHCenter
        Layout.fillWidth: true
        Layout.margins: 16
    }

    PlainLabel {
        visible: screen.spaces.form === "empty"
        text: qsTr("No spaces yet")
        font.pointSize: Style.calloutSize
        color: Style.secondary
        horizontalAlignment: Text.AlignHCenter
        Layout.fillWidth: true
        Layout.topMargin: 16
        Layout.bottomMargin: 16
    }

    RowLayout {
        visible: screen.spaces.form === "search"
        spacing: 6
        Layout.fillWidth: true
        Layout.leftMargin: 12
        Layout.rightMargin: 12
        Layout.topMargin: 6
        Layout.bottomMargin: 6

        SymbolLabel {
            glyph: screen.spaces.searchGlyph
            size: Style.bodySize * 1.1
        }
        TextField {
            id: search
            objectName: "search"
            placeholderText: qsTr("Search spaces")
            text: screen.spaces.searchText
            font.pointSize: Style.calloutSize
            background: null
            padding: 2
            color: Style.primary
            placeholderTextColor: Style.secondary
            selectByMouse: true
            Layout.fillWidth: true
            Accessible.name: qsTr("Search spaces")
            onTextEdited: {
                screen.spaces.searchText = text
                list.currentIndex = -1
            }
            Keys.onDownPressed: list.moveCurrent(1)
            Keys.onUpPressed: list.moveCurrent(-1)
            Keys.onReturnPressed: list.openCurrent()
            Keys.onEnterPressed: list.openCurrent()
            // The field holds the keyboard while the window is open; Escape still closes it.
            Keys.onEscapePressed: Window.window.close()
            FocusRing { shown: search.activeFocus; inset: -1 }
        }
        ToolButton {
            visible: screen.spaces.showClearButton
            flat: true
            padding: 0
            focusPolicy: Qt.NoFocus
            contentItem: SymbolLabel { glyph: screen.spaces.clearGlyph; size: Style.bodySize }
            background: null
            Accessible.name: qsTr("Clear search")
            HoverHandler { cursorShape: Qt.PointingHandCursor }
            onClicked: {
                screen.spaces.clearSearch()
                list.currentIndex = -1
                search.forceActiveFocus()
            }
        }
    }

    Divider { visible: screen.spaces.form === "search" }

    PlainLabel {
        visible: screen.spaces.form === "search" && screen.spaces.showNoMatches
        text: qsTr("No matches")
        font.pointSize: Style.calloutSize
        color: Style.secondary
        horizontalAlignment: Text.AlignHCenter
        Layout.fillWidth: true
        Layout.topMargin: 16
        Layout.bottomMargin: 16
    }

    ListView {
        id: list
        objectName: "spacesList"
        visible: screen.spaces.form === "search" && !screen.spaces.showNoMatches
        model: screen.spaces.model
        clip: true
        currentIndex: -1
        boundsBehavior: Flickable.StopAtBounds
        highlightFollowsCurrentItem: false
        keyNavigationEnabled: true
        // A Tab stop between the search field and the footer: Tab lands on the first row,
        // the arrows walk the rows, Return or Space opens the one with the ring.
        activeFocusOnTab: true
        onActiveFocusChanged: if (activeFocus && currentIndex < 0 && count > 0) currentIndex = 0
        Keys.onReturnPressed: openCurrent()
        Keys.onEnterPressed: openCurrent()
        Keys.onSpacePressed: openCurrent()
        Layout.fillWidth: true
        Layout.fillHeight: true
        Layout.minimumHeight: 0
        Layout.maximumHeight: Layout.preferredHeight
        Layout.preferredHeight: visible ? screen.spaces.listHeight : 0
        Accessible.role: Accessible.List
        Accessible.name: qsTr("Spaces")
        ScrollBar.vertical: ScrollBar {
            policy: list.contentHeight > list.height ? ScrollBar.AlwaysOn : ScrollBar.AsNeeded
            palette.mid: Style.scrollHandle
        }

        function moveCurrent(step) {
            const next = currentIndex + step
            if (next >= 0 && next < count) {
                currentIndex = next
                positionViewAtIndex(next, ListView.Contain)
            }
        }
        function openCurrent() {
            if (currentIndex >= 0)
                screen.spaces.open(currentIndex)
        }

        delegate: Item {
            id: delegateRoot
            // The list hands its keyboard focus to its current row, which assistive technology
            // then reads out: the row's own name, selected.
            objectName: "spacesRow"
            Accessible.role: Accessible.ListItem
            Accessible.name: row.item ? row.item.Accessible.name : title
            Accessible.selected: ListView.isCurrentItem
            required property int index
            required property string kind
            required property string title
            required property string detail
            required property color detailColor
            required property color dotColor
            required property string stateLabel
            required property string glyph
            required property string tooltip
            required property real rowHeight
            required property bool divider

            width: ListView.view.width
            height: rowHeight + (divider ? 1 : 0)

            Divider {
                visible: delegateRoot.divider
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: parent.top
                height: 1
            }
            // The rows reach the list and the delegate by id from inside components a Loader
            // makes. Qt 6.4's Loader cannot make bound components (pragma ComponentBehavior),
            // and qmllint cannot resolve such ids in unbound ones; the types are still checked.
            // qmllint disable unqualified
            Loader {
                id: row
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                height: delegateRoot.rowHeight
                sourceComponent: delegateRoot.kind === "node" ? nodeRow : spaceRow
                FocusRing { shown: list.activeFocus && list.currentIndex === delegateRoot.index; inset: 2 }
            }
            Component {
                id: nodeRow
                NodeHeaderRow {
                    title: delegateRoot.title
                    dotColor: delegateRoot.dotColor
                    tooltip: delegateRoot.tooltip
                    current: list.currentIndex === delegateRoot.index
                    onOpen: screen.spaces.open(delegateRoot.index)
                }
            }
            Component {
                id: spaceRow
                SpaceRow {
                    title: delegateRoot.title
                    detail: delegateRoot.detail
                    detailColor: delegateRoot.detailColor
                    dotColor: delegateRoot.dotColor
                    stateLabel: delegateRoot.stateLabel
                    glyph: delegateRoot.glyph
                    tooltip: delegateRoot.tooltip
                    current: list.currentIndex === delegateRoot.index
                    onOpen: screen.spaces.open(delegateRoot.index)
                }
            }
            // qmllint enable unqualified
        }
    }
}
