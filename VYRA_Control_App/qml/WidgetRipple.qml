import QtQuick 2.12
import QtQuick.Controls.Material 2.12
import QtQuick.Controls.Material.impl 2.12

// The style's ripple, made the first time the pointer or the keyboard comes to its control and kept from
// then on. Most controls of a page are never touched, and a ripple costs as much as the rest of a switch.
Loader {
    id: root
    property bool pressed: false
    property bool rippleActive: false
    property color color: "transparent"
    property real clipRadius: 0
    property Item anchor: null

    active: false
    onPressedChanged: if (pressed) active = true
    onRippleActiveChanged: if (rippleActive) active = true
    Component.onCompleted: if (pressed || rippleActive) active = true

    sourceComponent: Ripple {
        width: root.width
        height: root.height
        pressed: root.pressed
        active: root.rippleActive
        color: root.color
        clipRadius: root.clipRadius
        anchor: root.anchor
    }
}
