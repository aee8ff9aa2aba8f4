import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Layouts 1.12
import "."

// A slider and a number box that edit the same integer. The slider works on
// positions 0..1, the number box and `value` on integers from `from` to `to`;
// the pressed guards break the slider -> spin box -> value -> slider loop while
// the user drags or clicks.
Flow {
    id: root
    property int from: 0
    property int to: 100
    property int stepSize: 1
    property int value: 0
    property real position: slider.position
    property alias editable: spinbox.editable
    property alias textLeft: labelLeft.text
    property alias textRight: labelRight.text
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

    Label {
        id: labelLeft
        objectName: "labelLeft"
        Accessible.ignored: text === ""
        text: ""
        Layout.fillWidth: true
        font.family: Style.font_FAMILY
        height: spinbox.height
        verticalAlignment: Text.AlignVCenter
        WidgetAreaTester {}
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

        onPositionChanged: {
            if (!spinbox.up.pressed && !spinbox.down.pressed)
                spinbox.value = Math.round(root.map(slider.position, root.position_FROM, root.position_TO,
                                                    root.toReal(root.from), root.toReal(root.to)))
        }
        WidgetAreaTester {}
    }

    SpinBox {
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
        WidgetAreaTester {}
    }

    Label {
        id: labelRight
        objectName: "labelRight"
        Accessible.ignored: text === ""
        text: ""
        font.family: Style.font_FAMILY
        height: spinbox.height
        verticalAlignment: Text.AlignVCenter
        WidgetAreaTester {}
    }
}
