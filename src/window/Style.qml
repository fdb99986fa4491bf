pragma Singleton
import QtQuick
import Tovi.Window as Tovi

// Fonts, colours and metrics shared by every part of the window. The colours come from the
// menu's colour scheme (light or dark, with the desktop palette's text colours); the fonts
// are sized relative to the desktop's own font so that the window follows its scaling.
QtObject {
    id: style

    property Tovi.ColorScheme colors: null
    property string symbolFamily: "Material Icons"
    // Every tooltip says when it comes up; the window passes it on.
    signal toolTipShown(string text)

    readonly property real basePointSize: Application.font.pointSize > 0 ? Application.font.pointSize : 10
    readonly property real headlineSize: basePointSize * 1.1
    readonly property real bodySize: basePointSize
    readonly property real calloutSize: Math.max(8, basePointSize * 0.93)
    readonly property real captionSize: Math.max(7.5, basePointSize * 0.85)
    readonly property real caption2Size: Math.max(7, basePointSize * 0.8)

    readonly property color primary: colors ? colors.primary : "black"
    readonly property color secondary: colors ? colors.secondary : "gray"
    readonly property color green: colors ? colors.green : "green"
    readonly property color red: colors ? colors.red : "red"
    readonly property color amber: colors ? colors.amber : "orange"
    readonly property color greenText: colors ? colors.greenText : "darkgreen"
    readonly property color redText: colors ? colors.redText : "darkred"
    readonly property color amberText: colors ? colors.amberText : "darkorange"
    readonly property color blue: colors ? colors.blue : "blue"
    readonly property color accent: colors ? colors.accent : "blue"
    readonly property color accentFill: colors ? colors.accentFill : "blue"
    readonly property color hover: Qt.rgba(primary.r, primary.g, primary.b, 0.07)
    readonly property color divider: Qt.rgba(primary.r, primary.g, primary.b, 0.12)
    // A scroll bar's handle, as visible on a dark window as on a light one (the style takes
    // the palette's mid tone, which a dark palette keeps close to the window's colour).
    readonly property color scrollHandle: Qt.rgba(primary.r, primary.g, primary.b, 0.5)

    readonly property int windowWidth: 340
}
