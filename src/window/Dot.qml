import QtQuick

// A filled status circle.
Rectangle {
    property real diameter: 7
    width: diameter
    height: diameter
    implicitWidth: diameter
    implicitHeight: diameter
    radius: diameter / 2
}
