import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Controls.Material 2.12
import "."

// A slider and a number box that edit the same integer. The slider works on
// positions 0..1, the number box and `value` on integers from `from` to `to`;
// the pressed guards break the slider -> spin box -> value -> slider loop while
// the user drags or steps.
Flow {
    id: root
    property int from: 0
    property int to: 100
    property int stepSize: 1
    property int value: 0
    property real position: slider.position
    property alias editable: spinbox.editable
    property string textLeft: ""
    property string textRight: ""
    readonly property real position_FROM: 0
    readonly property real position_TO: 1
    // What the slider sets, for screen readers ("Seat 2 motion"); the slider and the number box share it.
    property string accessibleName: ""

    spacing: 0

    function map(value, istart, istop, ostart, ostop) {
        return Style.map(value, istart, istop, ostart, ostop)
    }

    function toReal(number) {
        return number + 0
    }

    Component.onCompleted: {
        spinbox.from = from
        spinbox.to = to
        spinbox.stepSize = stepSize
    }

    onFromChanged: {
        slider.from = from
        spinbox.from = from
    }
    onToChanged: {
        slider.to = to
        spinbox.to = to
    }
    onStepSizeChanged: spinbox.stepSize = stepSize
    onValueChanged: {
        if (!slider.pressed)
            slider.value = value
        if (!spinbox.up.pressed && !spinbox.down.pressed)
            spinbox.value = value
    }

    // The side labels are made only when given a text.
    Loader {
        id: labelLeft
        objectName: "labelLeft"
        active: root.textLeft !== ""
        sourceComponent: Label {
            text: root.textLeft
            font.family: Style.font_FAMILY
            height: spinbox.height
            verticalAlignment: Text.AlignVCenter
        }
    }

    Slider {
        id: slider
        objectName: "slider"
        from: 0
        to: 100
        value: 0
        width: Math.max(120, root.width - labelLeft.width - spinbox.width - labelRight.width)
        height: spinbox.height
        // Arrow keys move by one unit of the number box, not by a tenth of a unit.
        stepSize: root.stepSize
        Accessible.name: root.accessibleName

        Component.onCompleted: {
            slider.background.implicitHeight = 8
            slider.background.children[0].height = 8
            slider.handle.width = 22.4
            slider.handle.height = 22.4
        }

        // The style's handle, with its ripple made only once used.
        handle: Item {
            x: slider.leftPadding + slider.visualPosition * (slider.availableWidth - width)
            y: slider.topPadding + (slider.availableHeight - height) / 2
            implicitWidth: 13
            implicitHeight: 13
            Rectangle {
                width: parent.width
                height: parent.height
                radius: width / 2
                scale: slider.pressed ? 1.5 : 1
                color: slider.enabled ? slider.Material.accentColor : slider.Material.sliderDisabledColor
                Behavior on scale {
                    NumberAnimation {
                        duration: 250
                    }
                }
            }
            WidgetRipple {
                x: (parent.width - width) / 2
                y: (parent.height - height) / 2
                width: 22
                height: 22
                pressed: slider.pressed
                rippleActive: slider.pressed || slider.visualFocus || slider.hovered
                color: slider.Material.highlightedRippleColor
            }
        }

        onPositionChanged: {
            if (!spinbox.up.pressed && !spinbox.down.pressed)
                spinbox.value = Math.round(root.map(slider.position, root.position_FROM, root.position_TO,
                                                    root.toReal(root.from), root.toReal(root.to)))
        }
    }

    WidgetSpinBox {
        id: spinbox
        objectName: "spinbox"
        from: 0
        to: 100
        value: 0
        stepSize: 1
        editable: true
        Accessible.name: root.accessibleName
        onValueChanged: {
            slider.value = root.toReal(spinbox.value)
            // Writing an equal value would only drop a binding the user of the
            // widget put on `value` (e.g. to a model role).
            if (root.value !== root.toReal(spinbox.value))
                root.value = root.toReal(spinbox.value)
        }
    }

    Loader {
        id: labelRight
        objectName: "labelRight"
        active: root.textRight !== ""
        sourceComponent: Label {
            text: root.textRight
            font.family: Style.font_FAMILY
            height: spinbox.height
            verticalAlignment: Text.AlignVCenter
        }
    }

    // The debug overlay of the four parts, made only when it shows.
    Loader {
        active: Style.areatester_VISIBLE
        sourceComponent: Item {
            WidgetAreaTester { parent: labelLeft; target: labelLeft }
            WidgetAreaTester { parent: slider; target: slider }
            WidgetAreaTester { parent: spinbox; target: spinbox }
            WidgetAreaTester { parent: labelRight; target: labelRight }
        }
    }
}
