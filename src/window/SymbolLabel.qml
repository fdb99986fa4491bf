import QtQuick
import QtQuick.Controls

// One symbol drawn from the bundled icon font; `glyph` is the text the view model supplies.
PlainLabel {
    property string glyph
    property real size: Style.bodySize
    text: glyph
    font.family: Style.symbolFamily
    font.pointSize: size
    color: Style.secondary
    verticalAlignment: Text.AlignVCenter
    horizontalAlignment: Text.AlignHCenter
    Accessible.ignored: true
}
