import QtQuick 2.12
import "."

// Layout debugging aid: tints the area of the item that holds it.
Rectangle {
    property Item target: parent
    anchors.fill: target
    color: Qt.hsla(Math.random(), 0.5, 0.5, 0.5)
    visible: Style.areatester_VISIBLE
}
