import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Controls.Material 2.12
import QtQuick.Controls.Material.impl 2.12
import "."

// The style's switch without the knob's shadow (its effect layers cost about half a megabyte per switch,
// which a page with one card per seat multiplies), and with its ripple made only once used.
Switch {
    id: control

    indicator: SwitchIndicator {
        x: control.text ? (control.mirrored ? control.width - width - control.rightPadding : control.leftPadding)
                        : control.leftPadding + (control.availableWidth - width) / 2
        y: control.topPadding + (control.availableHeight - height) / 2
        control: control
        Material.elevation: 0

        WidgetRipple {
            x: parent.handle.x + parent.handle.width / 2 - width / 2
            y: parent.handle.y + parent.handle.height / 2 - height / 2
            width: 28
            height: 28
            pressed: control.pressed
            rippleActive: control.down || control.visualFocus || control.hovered
            color: control.checked ? control.Material.highlightedRippleColor : control.Material.rippleColor
        }
    }

    // No switch here has a text of its own (a label beside it names it): room for the indicator only.
    contentItem: Item {
        implicitWidth: control.indicator ? control.indicator.width + control.spacing : 0
    }
}
