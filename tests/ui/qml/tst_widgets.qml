import QtQuick 2.12
import QtQuick.Window 2.12
import QtTest 1.12
import "qrc:/"

Item {
    id: host
    width: 600
    height: 400

    Component {
        id: sliderComponent
        WidgetSliderWithNumber {
            width: 500
            from: 0
            to: 1000
        }
    }

    Component {
        id: flowListComponent
        WidgetFlowListView {
            width: 500
            model: ListModel {}
            delegate: Rectangle {
                width: 40
                height: 40
            }
        }
    }

    Component {
        id: unfoldComponent
        WidgetUnfoldButton {
            width: 20
            height: 20
        }
    }

    Component {
        id: stackComponent
        WidgetStackLayout {
            Item { objectName: "a" }
            Item { objectName: "b" }
            Item { objectName: "c" }
        }
    }

    TestCase {
        name: "SliderWithNumber"
        when: windowShown

        function findChildNamed(item, name) {
            for (var i = 0; i < item.children.length; ++i) {
                if (item.children[i].objectName === name)
                    return item.children[i]
            }
            return null
        }

        function test_dragToMiddleSetsValue() {
            var slider = createTemporaryObject(sliderComponent, host)
            var s = findChildNamed(slider, "slider")
            var spin = findChildNamed(slider, "spinbox")
            verify(s && spin)
            compare(spin.to, 1000)
            // Press and drag the handle to the middle of the track.
            var y = s.height / 2
            mousePress(s, s.leftPadding + s.handle.width / 2 + s.visualPosition * s.availableWidth, y)
            mouseMove(s, s.leftPadding + s.availableWidth / 2, y)
            mouseRelease(s, s.leftPadding + s.availableWidth / 2, y)
            tryCompare(spin, "value", 500)
            compare(slider.value, 500)
        }

        function test_typedNumberMovesSlider() {
            var slider = createTemporaryObject(sliderComponent, host)
            var s = findChildNamed(slider, "slider")
            var spin = findChildNamed(slider, "spinbox")
            var changes = 0
            slider.valueChanged.connect(function() { changes++ })
            spin.value = 250
            compare(slider.value, 250)
            compare(s.value, 250)
            fuzzyCompare(s.position, 0.25, 0.0001)
            // The slider's own position change wrote back the same number: no second change.
            compare(spin.value, 250)
            compare(changes, 1)
        }

        function test_valueFromOutsideMovesBoth() {
            var slider = createTemporaryObject(sliderComponent, host)
            var s = findChildNamed(slider, "slider")
            var spin = findChildNamed(slider, "spinbox")
            slider.value = 800
            compare(spin.value, 800)
            compare(s.value, 800)
        }

        // The number box: typed numbers count once confirmed and are held to the range; the arrow keys and
        // the plus and minus buttons step; a half-typed number gives way to the value when the box loses the
        // focus.
        function test_numberBoxTypingAndKeys() {
            var slider = createTemporaryObject(sliderComponent, host, { "from": -20, "to": 0, "value": -5 })
            var spin = findChildNamed(slider, "spinbox")
            var input = spin.contentItem
            spin.forceActiveFocus()
            verify(input.activeFocus)
            input.selectAll()
            keyClick(Qt.Key_Minus)
            keyClick(Qt.Key_8)
            compare(slider.value, -5)
            keyClick(Qt.Key_Return)
            compare(slider.value, -8)
            compare(findChildNamed(slider, "slider").value, -8)
            keyClick(Qt.Key_Up)
            compare(slider.value, -7)
            keyClick(Qt.Key_Down)
            keyClick(Qt.Key_Down)
            compare(slider.value, -9)
            compare(input.text, "-9")
            // Out of range: the validator refuses the digits that would leave it.
            input.selectAll()
            keyClick(Qt.Key_Minus)
            keyClick(Qt.Key_3)
            keyClick(Qt.Key_5)
            keyClick(Qt.Key_Return)
            verify(slider.value >= -20 && slider.value <= 0)
            slider.value = -3
            mouseClick(spin.up.indicator)
            compare(slider.value, -2)
            mouseClick(spin.down.indicator)
            mouseClick(spin.down.indicator)
            compare(slider.value, -4)
            slider.value = 0
            verify(!spin.up.indicator.enabled)
            keyClick(Qt.Key_Up)
            compare(slider.value, 0)
            // Half typed, then the focus goes elsewhere.
            input.selectAll()
            keyClick(Qt.Key_Minus)
            host.forceActiveFocus()
            compare(input.text, "0")
            compare(slider.value, 0)
            // A value from outside shows at once.
            slider.value = -12
            compare(input.text, "-12")
        }

        function test_rangeFollowsFromAndTo() {
            var slider = createTemporaryObject(sliderComponent, host, { "from": -200, "to": 200 })
            var s = findChildNamed(slider, "slider")
            var spin = findChildNamed(slider, "spinbox")
            compare(s.from, -200)
            compare(spin.from, -200)
            slider.to = 50
            compare(s.to, 50)
            compare(spin.to, 50)
            slider.value = -150
            compare(spin.value, -150)
            fuzzyCompare(s.position, 50 / 250, 0.0001)
        }
    }

    TestCase {
        name: "FlowListView"
        when: windowShown

        function test_indexRule() {
            var list = createTemporaryObject(flowListComponent, host)
            compare(list.currentIndex, -1)
            list.model.append({})
            list.model.append({})
            compare(list.count, 2)
            compare(list.currentIndex, 0)
            list.currentIndex = 1
            list.model.append({})
            compare(list.currentIndex, 1)
            // Shrinking below the current index moves it to the last entry.
            list.model.remove(1, 2)
            compare(list.currentIndex, 0)
            list.model.clear()
            compare(list.count, 0)
            compare(list.currentIndex, -1)
        }

        function test_threeToZero() {
            var list = createTemporaryObject(flowListComponent, host)
            for (var i = 0; i < 3; ++i)
                list.model.append({})
            list.currentIndex = 2
            list.model.clear()
            compare(list.currentIndex, -1)
        }
    }

    TestCase {
        name: "UnfoldButton"
        when: windowShown

        function test_clickedBeforeFolded() {
            var button = createTemporaryObject(unfoldComponent, host)
            var foldedAtClick = null
            button.clicked.connect(function() { foldedAtClick = button.folded })
            verify(button.folded)
            mouseClick(button)
            compare(foldedAtClick, true)
            compare(button.folded, false)
            mouseClick(button)
            verify(button.folded)
        }
    }

    TestCase {
        name: "StackLayout"
        when: windowShown

        function test_onlyCurrentShownAndEnabled() {
            var stack = createTemporaryObject(stackComponent, host)
            compare(stack.count, 3)
            verify(stack.children[0].visible && stack.children[0].enabled)
            verify(!stack.children[1].visible && !stack.children[1].enabled)
            stack.currentIndex = 2
            verify(!stack.children[0].visible && !stack.children[0].enabled)
            verify(stack.children[2].visible && stack.children[2].enabled)
        }
    }
}
