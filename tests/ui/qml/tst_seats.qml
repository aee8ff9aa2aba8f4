import QtQuick 2.12
import QtTest 1.12
import "qrc:/"

Item {
    id: host
    width: 600
    height: 1200

    Component {
        id: seatsComponent
        WidgetSeats {
            width: 560
        }
    }

    TestCase {
        name: "WidgetSeats"
        when: windowShown

        property var seats: null

        function init() {
            seatsModel.resetSeats(2)
            seatsModel.setSeat(0, true, false, false, -3, -4)
            seatsModel.setSeat(1, false, true, false, -10, -12)
            seats = createTemporaryObject(seatsComponent, host)
            wait(20)
            seatsModel.clearUpdates()
        }

        function card(n) {
            return findChild(seats, "seatCard" + n)
        }

        function test_cardsNumberedFromOne() {
            compare(seats.count, 2)
            verify(card(1) !== null)
            verify(card(2) !== null)
            verify(card(0) === null)
        }

        function test_valuesFromUnitAreNotSentBack() {
            compare(findChild(card(1), "motionSlider").value, -3)
            compare(findChild(card(1), "vibrationSlider").value, -4)
            seatsModel.setSeat(0, true, true, true, -7, -9)
            compare(findChild(card(1), "motionSlider").value, -7)
            compare(findChild(card(1), "mutedSwitch").position, 1)
            compare(seatsModel.updateCount(), 0)
        }

        function test_inactiveSeatDisabledButFollowsUnit() {
            var c = card(2)
            verify(!findChild(c, "motionSlider").enabled)
            verify(!findChild(c, "mutedSwitch").enabled)
            verify(!findChild(c, "seatResetButton").enabled)
            compare(findChild(c, "mutedSwitch").position, 1)
            seatsModel.setSeat(1, false, false, false, -2, -2)
            compare(findChild(c, "motionSlider").value, -2)
        }

        function test_muteWritesRowAndUpdates() {
            var sw = findChild(card(1), "mutedSwitch")
            mouseClick(sw)
            compare(seatsModel.seat(0).muted, true)
            verify(seatsModel.updateCount() >= 1)
            // The binding is back: a later value from the unit shows.
            seatsModel.setSeat(0, true, false, false, -3, -4)
            compare(sw.position, 0)
        }

        function test_chainedMotionMovesVibration() {
            seatsModel.setSeat(0, true, false, true, -3, -4)
            var motion = findChild(card(1), "motionSlider")
            motion.value = -8
            compare(seatsModel.seat(0).motion, -8)
            compare(seatsModel.seat(0).vibration, -8)
            compare(findChild(card(1), "vibrationSlider").value, -8)
            verify(seatsModel.updateCount() >= 1)
            // Both bindings are back.
            seatsModel.setSeat(0, true, false, true, -1, -2)
            compare(motion.value, -1)
            compare(findChild(card(1), "vibrationSlider").value, -2)
        }

        function test_unchainedMotionLeavesVibration() {
            var motion = findChild(card(1), "motionSlider")
            motion.value = -15
            compare(seatsModel.seat(0).motion, -15)
            compare(seatsModel.seat(0).vibration, -4)
        }

        function test_resetToDefaults() {
            seatsModel.setSeat(0, true, true, true, -12, -12)
            mouseClick(findChild(card(1), "seatResetButton"))
            var s = seatsModel.seat(0)
            compare(s.muted, false)
            compare(s.locked, false)
            compare(s.motion, 0)
            compare(s.vibration, -5)
            verify(seatsModel.updateCount() >= 1)
        }

        function test_cardsFollowRowCount() {
            seatsModel.resetSeats(4)
            tryCompare(seats, "count", 4)
            seatsModel.resetSeats(1)
            tryCompare(seats, "count", 1)
        }
    }
}
