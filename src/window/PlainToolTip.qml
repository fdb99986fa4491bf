import QtQuick
import QtQuick.Controls

// A tooltip drawn as plain text (the attached ToolTip guesses rich text, and its texts carry
// names and messages), wrapped to the window's width.
ToolTip {
    id: tip
    delay: 600
    width: Math.min(implicitWidth, Style.windowWidth - 16)
    onOpened: Style.toolTipShown(text)
    contentItem: PlainLabel {
        text: tip.text
        font: tip.font
        wrapMode: Text.Wrap
        color: tip.palette.toolTipText
    }
}
