import QtQuick
import QtQuick.Controls

// The header's menu: service pages, accounts, sign-in and -out, settings and quit.
Menu {
    id: root
    required property QtObject menu
    readonly property QtObject account: menu.accountMenu
    readonly property QtObject settings: menu.settings
    signal addAccountRequested()

    width: 270
    // Entries made from the profile list, rebuilt whenever it changes.
    property var profileEntries: []
    property var removeEntries: []

    MenuSectionLabel { text: root.account.identityTitle }
    Instantiator {
        model: root.account.servicePages
        delegate: MenuItem {
            required property var modelData
            text: modelData.title
            Accessible.name: text
            onTriggered: root.account.openServicePage(modelData.path)
        }
        onObjectAdded: (index, object) => root.insertItem(1 + index, object)
        onObjectRemoved: (index, object) => root.removeItem(object)
    }

    MenuSeparator { id: accountsEnd }

    MenuItem {
        text: "Add account…"
        visible: root.account.showAddAccount
        height: visible ? implicitHeight : 0
        Accessible.name: "Add account"
        onTriggered: root.addAccountRequested()
    }
    MenuItem {
        text: "Sign out"
        visible: root.account.showSignOut
        height: visible ? implicitHeight : 0
        Accessible.name: text
        onTriggered: root.account.signOut()
    }
    MenuItem {
        text: "Sign in"
        visible: root.account.showSignIn
        height: visible ? implicitHeight : 0
        Accessible.name: text
        onTriggered: root.account.signIn()
    }

    MenuSeparator {}

    MenuSectionLabel { text: root.account.versionHeading }
    MenuItem {
        text: "Check for Updates…"
        enabled: root.settings.canCheckForUpdates
        Accessible.name: "Check for Updates"
        onTriggered: root.settings.checkForUpdates()
    }
    MenuItem {
        id: automaticUpdates
        text: "Automatic updates"
        checkable: true
        checked: root.settings.automaticUpdates
        Accessible.name: text
        ToolTip.visible: hovered
        ToolTip.text: root.settings.automaticUpdatesTooltip
        ToolTip.delay: 600
        onTriggered: {
            root.settings.automaticUpdates = checked
            checked = Qt.binding(() => root.settings.automaticUpdates)
        }
    }
    MenuItem {
        id: openAtLogin
        text: "Open at Login"
        checkable: true
        checked: root.settings.openAtLogin
        Accessible.name: text
        onTriggered: {
            root.settings.openAtLogin = checked
            checked = Qt.binding(() => root.settings.openAtLogin)
        }
    }
    Label {
        visible: root.settings.showMoveNote
        height: visible ? implicitHeight : 0
        width: parent ? parent.width : implicitWidth
        text: root.settings.moveNote
        wrapMode: Text.WordWrap
        leftPadding: 12
        rightPadding: 12
        bottomPadding: 4
        font.pointSize: Style.captionSize
        color: Style.secondary
    }
    MenuItem {
        text: root.settings.keepAwakeLabel
        checkable: true
        checked: root.settings.keepAwake
        Accessible.name: text
        onTriggered: {
            root.settings.keepAwake = checked
            checked = Qt.binding(() => root.settings.keepAwake)
        }
    }
    MenuItem {
        text: "Sync agent history"
        checkable: true
        checked: root.settings.syncAgentHistory
        Accessible.name: text
        ToolTip.visible: hovered
        ToolTip.text: root.settings.syncAgentHistoryTooltip
        ToolTip.delay: 600
        onTriggered: {
            root.settings.syncAgentHistory = checked
            checked = Qt.binding(() => root.settings.syncAgentHistory)
        }
    }
    Row {
        visible: root.settings.historySyncApplying
        height: visible ? implicitHeight : 0
        leftPadding: 12
        topPadding: 4
        bottomPadding: 4
        spacing: 6
        SymbolLabel { glyph: root.settings.applyingGlyph; size: Style.captionSize }
        Label {
            text: "Applying history setting…"
            font.pointSize: Style.captionSize
            color: Style.secondary
        }
    }

    MenuSeparator {}

    MenuItem {
        text: "Quit Tovi"
        Accessible.name: text
        contentItem: Item {
            implicitWidth: quitText.implicitWidth + quitShortcut.implicitWidth + 24
            implicitHeight: quitText.implicitHeight
            Label {
                id: quitText
                anchors.left: parent.left
                anchors.verticalCenter: parent.verticalCenter
                text: "Quit Tovi"
                color: Style.primary
            }
            Label {
                id: quitShortcut
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                text: "Ctrl+Q"
                color: Style.secondary
            }
        }
        onTriggered: root.menu.quit()
    }

    Component {
        id: separatorComponent
        MenuSeparator {}
    }
    Component {
        id: headingComponent
        MenuSectionLabel {}
    }
    Component {
        id: profileComponent
        MenuItem {
            property string profileName
            checkable: true
            Accessible.name: text
            onTriggered: root.account.switchProfile(profileName)
        }
    }
    Component {
        id: removeMenuComponent
        Menu {
            title: "Remove account"
            width: 220
        }
    }
    Component {
        id: removeItemComponent
        MenuItem {
            property string profileName
            text: profileName
            Accessible.name: "Remove account " + profileName
        }
    }

    function indexOf(item) {
        for (let i = 0; i < root.count; ++i) {
            if (root.itemAt(i) === item)
                return i
        }
        return -1
    }

    function rebuildProfiles() {
        // Created without a parent, so they live as long as this list holds them.
        for (const entry of profileEntries) {
            if (entry instanceof Menu)
                root.removeMenu(entry)
            else
                root.removeItem(entry)
            entry.destroy()
        }
        for (const item of removeEntries)
            item.destroy()
        const removeItems = []
        const entries = []
        if (root.account.showAccounts) {
            let at = indexOf(accountsEnd)
            const add = (item) => { root.insertItem(at++, item); entries.push(item) }
            add(separatorComponent.createObject(null))
            add(headingComponent.createObject(null, { text: "Accounts" }))
            for (const profile of root.account.accounts) {
                add(profileComponent.createObject(null, {
                    text: profile.text, checked: profile.checked,
                    enabled: profile.enabled, profileName: profile.name }))
            }
            const removeMenu = removeMenuComponent.createObject(null)
            for (const name of root.account.removableAccounts) {
                const item = removeItemComponent.createObject(null, { profileName: name })
                item.triggered.connect(() => root.account.removeProfile(name))
                removeMenu.addItem(item)
                removeItems.push(item)
            }
            root.insertMenu(at++, removeMenu)
            entries.push(removeMenu)
        }
        profileEntries = entries
        removeEntries = removeItems
    }

    Connections {
        target: root.account
        function onChanged() { root.rebuildProfiles() }
    }
    Component.onCompleted: rebuildProfiles()
}
