import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Controls.Material 2.12
import "."

// A slider and a number box that edit the same whole number. `value` is what both show; a value written from
// outside may hold a fraction or lie beyond `from`..`to`: the slider shows it as far as its track reaches, the
// number box rounds it, and neither writes it back. Only the user's input (slider click, drag or keys; the
// number box's buttons, keys or typing) sets `value` from inside, to a whole step, and then emits `moved`.
Flow {
    id: root
    property int from: 0
    property int to: 100
    property int stepSize: 1
    property real value: 0
    property real position: slider.position
    property alias editable: spinbox.editable
    property string textLeft: ""
    property string textRight: ""
    readonly property real position_FROM: 0
    readonly property real position_TO: 1
    // What the slider sets, for screen readers ("Seat 2 motion"); the slider and the number box share it.
    property string accessibleName: ""

    // The user changed `value`; not emitted for a value written from outside.
    signal moved()

    // True while `value` is copied into the two controls: what they do with it is not the user's.
    property bool showing: false

    spacing: 0

    function map(value, istart, istop, ostart, ostop) {
        return Style.map(value, istart, istop, ostart, ostop)
    }

    function toReal(number) {
        return number + 0
    }

    // The whole step within the range that the number box shows for a value.
    function wholeStep(number) {
        var low = Math.min(from, to)
        var high = Math.max(from, to)
        var step = stepSize > 0 ? stepSize : 1
        return Math.max(low, Math.min(high, low + Math.round((number - low) / step) * step))
    }

    function show() {
        showing = true
        slider.from = from
        slider.to = to
        spinbox.from = from
        spinbox.to = to
        spinbox.stepSize = stepSize
        slider.value = value
        spinbox.value = wholeStep(value)
        showing = false
    }

    // From the user's input only.
    function userSets(number) {
        var whole = wholeStep(number)
        if (whole === value) {
            show()
            return
        }
        value = whole
        moved()
    }

    Component.onCompleted: show()
    onFromChanged: show()
    onToChanged: show()
    onStepSizeChanged: show()
    onValueChanged: show()

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
        // Arrow keys move by one unit of the number box, not by a tenth of a unit; a click or a drag
        // lands on whole units too.
        stepSize: root.stepSize
        snapMode: Slider.SnapAlways
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

        onMoved: root.userSets(slider.value)
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
        // Also a number written into the box from outside counts; what `show` writes does not, nor the box
        // rounding or clamping a value it cannot show.
        onValueChanged: {
            if (!root.showing && spinbox.value !== root.wholeStep(root.value))
                root.userSets(spinbox.value)
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
