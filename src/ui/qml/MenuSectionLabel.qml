import QtQuick
import QtQuick.Controls

// The heading of a group of menu entries; not an entry itself.
Label {
    width: parent ? parent.width : implicitWidth
    leftPadding: 12
    rightPadding: 12
    topPadding: 6
    bottomPadding: 2
    font.pointSize: Style.captionSize
    font.weight: Font.DemiBold
    color: Style.secondary
    elide: Text.ElideRight
    Accessible.role: Accessible.Heading
    Accessible.name: text
}
