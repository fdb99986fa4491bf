import QtQuick
import QtQuick.Controls

// A progress spinner drawn at the size the layout gives it: the style's own padding would leave
// a few pixels of a 16 px indicator.
BusyIndicator {
    padding: 0
}
