import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Controls.Material 2.12
import "."

// The style's switch without the knob's shadow (its effect layers cost about half a megabyte per switch,
// which a page with one card per seat multiplies), with its ripple made only once used and without the
// empty text item (a label beside each switch names it).
Switch {
    id: control

    // The style's indicator, drawn the same.
    indicator: Item {
        x: control.text ? (control.mirrored ? control.width - width - control.rightPadding : control.leftPadding)
                        : control.leftPadding + (control.availableWidth - width) / 2
        y: control.topPadding + (control.availableHeight - height) / 2
        implicitWidth: 38
        implicitHeight: 32

        Rectangle {
            width: parent.width
            height: 14
            radius: height / 2
            y: parent.height / 2 - height / 2
            color: control.enabled ? (control.checked ? control.Material.switchCheckedTrackColor
                                                      : control.Material.switchUncheckedTrackColor)
                                   : control.Material.switchDisabledTrackColor
        }

        Rectangle {
            id: handle
            x: Math.max(0, Math.min(parent.width - width, control.visualPosition * parent.width - (width / 2)))
            y: (parent.height - height) / 2
            width: 20
            height: 20
            radius: width / 2
            color: control.enabled ? (control.checked ? control.Material.switchCheckedHandleColor
                                                      : control.Material.switchUncheckedHandleColor)
                                   : control.Material.switchDisabledHandleColor
            Behavior on x {
                enabled: !control.pressed
                SmoothedAnimation {
                    duration: 300
                }
            }
        }

        WidgetRipple {
            x: handle.x + handle.width / 2 - width / 2
            y: handle.y + handle.height / 2 - height / 2
            width: 28
            height: 28
            pressed: control.pressed
            rippleActive: control.down || control.visualFocus || control.hovered
            color: control.checked ? control.Material.highlightedRippleColor : control.Material.rippleColor
        }
    }

    // Room for the indicator only.
    contentItem: Item {
        implicitWidth: control.indicator ? control.indicator.width + control.spacing : 0
    }
}
