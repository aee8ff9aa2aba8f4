import QtQuick 2.12
import QtTest 1.12
import QtQuick.Window 2.12
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

    // A page as the seats tab has it, too short for many cards.
    Component {
        id: pageComponent
        Flickable {
            property alias seats: pageSeats
            width: 560
            height: 400
            clip: true
            contentWidth: width
            contentHeight: pageSeats.childrenRect.height
            WidgetSeats {
                id: pageSeats
                anchors.fill: parent
            }
        }
    }

    TestCase {
        name: "WidgetSeatsLongList"
        when: windowShown

        property var page: null

        function init() {
            seatsModel.resetSeats(60)
            page = createTemporaryObject(pageComponent, host)
            tryCompare(page.seats, "count", 60)
            seatsModel.clearUpdates()
        }

        function card(n) {
            return findChild(page.seats, "seatCard" + n)
        }

        // Controls that go are deleted later, so the card says whether it holds them.
        function full(n) {
            return card(n).full
        }

        function test_controlsOnlyNearTheView() {
            verify(full(1))
            verify(full(2))
            verify(!full(30))
            verify(full(60)) // where Shift+Tab from the tab bar enters
            // Cards without controls take the room of those with them: nothing moves as they come and go.
            compare(card(30).height, card(1).height)
            compare(card(30).Accessible.name, "Seat 30")
            var y30 = card(30).y
            page.contentY = y30
            tryVerify(function() { return full(30) })
            compare(card(30).y, y30)
            verify(!full(2))
            compare(page.contentHeight, card(60).y + card(60).height)
        }

        function test_editOnACardMadeLater() {
            page.contentY = card(40).y
            tryVerify(function() { return full(40) })
            mouseClick(findChild(card(40), "mutedSwitch"))
            compare(seatsModel.seat(39).muted, true)
            verify(seatsModel.updateCount() >= 1)
            seatsModel.setSeat(39, true, false, false, -6, -7)
            compare(findChild(card(40), "motionSlider").value, -6)
        }

        function test_tabReachesCardsOutOfView() {
            verify(!full(59))
            findChild(card(60), "mutedSwitch").forceActiveFocus(Qt.TabFocusReason)
            verify(full(59))
            keyClick(Qt.Key_Backtab, Qt.ShiftModifier)
            compare(page.Window.activeFocusItem, findChild(card(59), "seatResetButton"))
            verify(full(58))
            keyClick(Qt.Key_Tab)
            compare(page.Window.activeFocusItem, findChild(card(60), "mutedSwitch"))
        }

        function test_rowsOnTheirWayOutMakeNoControls() {
            page.contentY = card(40).y
            tryVerify(function() { return full(40) })
            // The real model announces the new length, then takes rows away from the end a few per pass.
            seatsModel.headFor(3)
            verify(!full(40))
            verify(!full(60))
            verify(full(3))
            seatsModel.removeLastRows(50)
            compare(page.seats.count, 10)
            // Down to 16 rows or fewer, but still on the way to 3: the other cards make no controls for a moment.
            for (var n = 4; n <= 10; ++n)
                verify(!full(n), "seat " + n)
            verify(full(1))
            verify(full(3))
        }

        function test_fewSeatsAllWithControls() {
            seatsModel.resetSeats(16)
            tryCompare(page.seats, "count", 16)
            for (var n = 1; n <= 16; ++n)
                verify(full(n), "seat " + n)
            seatsModel.resetSeats(17)
            tryCompare(page.seats, "count", 17)
            // Not even for a moment before the cards are placed.
            verify(!full(12))
            wait(50)
            verify(!full(12))
            verify(full(17))
        }
    }
}
