import QtQuick
import QtQuick.Layouts

// A one-point rule across the full width (or a short vertical one in a row).
Rectangle {
    property bool vertical: false
    Layout.fillWidth: !vertical
    Layout.preferredHeight: vertical ? 10 : 1
    Layout.preferredWidth: vertical ? 1 : -1
    implicitWidth: 1
    implicitHeight: 1
    color: Style.divider
}
