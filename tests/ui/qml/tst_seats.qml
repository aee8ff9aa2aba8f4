import QtQuick 2.12
import QtTest 1.12
import QtQuick.Window 2.12
import "qrc:/"

// The seat cards on the program's own seat model, connected to a simulated unit. The unit is held still
// after connecting: it records every command and answers none, so that each seat report a case needs is one
// it sends on purpose, and what it received is exactly what the cards sent.
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

    // Shared by both cases: connect once, then hold the unit still.
    function connectOnce(test) {
        if (unit.port > 0 && api.controllerIsConnected)
            return
        test.verify(session.connectToUnit(), "connected to the simulated unit")
        unit.stall()
    }

    // A seat report as the unit sends it: seat i of the list has index i.
    function seat(muted, chained, motion, vibration) {
        return { "muted": muted, "chained": chained, "motion": motion, "vibration": vibration }
    }

    function body(index, muted, chained, motion, vibration) {
        return JSON.stringify({ "seat": { "index": index, "muted": muted, "chained": chained } })
            .replace("}}", ",\"motion\":" + number(motion) + ",\"vibration\":" + number(vibration) + "}}")
    }

    // A number as the app writes it: always with a fraction.
    function number(v) {
        return Number.isInteger(v) ? v.toFixed(1) : String(v)
    }

    TestCase {
        name: "WidgetSeats"
        when: windowShown

        property var seats: null

        function initTestCase() {
            host.connectOnce(this)
        }

        function init() {
            unit.sendSeats([host.seat(false, false, -3, -4), host.seat(true, false, -10, -12)])
            seats = createTemporaryObject(seatsComponent, host)
            tryCompare(seats, "count", 2, 5000)
            tryVerify(function() { return card(1).full && motion(1).value === -3 && vibration(2).value === -12 },
                      5000)
            unit.clearReceived()
        }

        function card(n) {
            return findChild(seats, "seatCard" + n)
        }
        function motion(n) {
            return findChild(card(n), "motionSlider")
        }
        function vibration(n) {
            return findChild(card(n), "vibrationSlider")
        }

        // Where a click on a -20..0 slider lands on `value`.
        function clickSlider(control, value) {
            var s = findChild(control, "slider")
            var p = (value + 20) / 20
            mouseClick(s, s.leftPadding + s.handle.width / 2 + p * (s.availableWidth - s.handle.width),
                       s.height / 2)
        }

        function sent() {
            return unit.receivedText("SetSeatSetting")
        }

        // Flushes the cards' sends with a click on seat 2's switch: everything edited before goes in the same
        // batch, so what seat 1 sent (or did not) is known without waiting for a time.
        function flushWithSeat2() {
            var before = sent().length
            mouseClick(findChild(card(2), "mutedSwitch"))
            tryVerify(function() {
                return sent().some(function(b) { return b.indexOf("\"index\":1,") > 0 })
            }, 5000)
            return sent().slice(before)
        }

        function test_cardsNumberedFromOne() {
            compare(seats.count, 2)
            verify(card(1) !== null)
            verify(card(2) !== null)
            verify(card(0) === null)
            compare(card(1).Accessible.name, "Seat 1")
        }

        // Reports of every kind from the unit show and are never sent back.
        function test_valuesFromUnitAreNotSentBack() {
            unit.sendSeats([host.seat(true, true, -7, -7), host.seat(false, false, -10, -12)])
            tryCompare(motion(1), "value", -7, 5000)
            compare(findChild(card(1), "mutedSwitch").position, 1)
            compare(findChild(card(1), "chainSwitch").position, 1)
            // Fractions, out of range, negative zero: the controls may round what they show, and send nothing.
            unit.send("GetSeatStatusNotification", "{\"seats\":{\"seat\":["
                      + "{\"index\":0,\"muted\":false,\"chained\":false,\"motion\":-7.5,\"vibration\":-2.25},"
                      + "{\"index\":1,\"muted\":false,\"chained\":false,\"motion\":-0.0,\"vibration\":5}]}}")
            tryCompare(findChild(card(1), "mutedSwitch"), "position", 0, 5000)
            var flushed = flushWithSeat2()
            // seat card mend on its way
            compare(flushed.length, 1, "only the seat the user touched: " + flushed)
        }

        function test_inactiveSeatDisabledButFollowsUnit() {
            // A seat without a usable index is shown, but not active.
            unit.send("GetSeatStatusNotification", "{\"seats\":{\"seat\":["
                      + "{\"index\":\"0\",\"muted\":true,\"chained\":false,\"motion\":-10,\"vibration\":-12},"
                      + "{\"index\":1,\"muted\":false,\"chained\":false,\"motion\":-3,\"vibration\":-4}]}}")
            tryCompare(motion(1), "value", -10, 5000)
            var c = card(1)
            verify(!motion(1).enabled)
            verify(!findChild(c, "mutedSwitch").enabled)
            verify(!findChild(c, "seatResetButton").enabled)
            compare(findChild(c, "mutedSwitch").position, 1)
            compare(c.Accessible.description, "Seat not active")
            verify(motion(2).enabled)
            // A click on the disabled card sends nothing.
            mouseClick(findChild(c, "mutedSwitch"))
            clickSlider(motion(1), -2)
            var flushed = flushWithSeat2()
            compare(flushed, [host.body(1, true, false, -3, -4)])
        }

        function test_muteClickSendsTheRow() {
            var sw = findChild(card(1), "mutedSwitch")
            mouseClick(sw)
            tryVerify(function() { return sent().length === 1 }, 5000)
            compare(sent()[0], host.body(0, true, false, -3, -4))
            // The switch shows the user's value until the unit reports another.
            compare(sw.position, 1)
            unit.sendSeats([host.seat(true, false, -3, -4), host.seat(true, false, -10, -12)])
            tryCompare(sw, "position", 1, 5000)
            // A later value from the unit shows.
            unit.sendSeats([host.seat(false, false, -3, -4), host.seat(true, false, -10, -12)])
            tryCompare(sw, "position", 0, 5000)
            compare(sent().length, 1)
        }

        function test_chainedMotionMovesVibration() {
            unit.sendSeats([host.seat(false, true, -3, -3), host.seat(true, false, -10, -12)])
            tryCompare(findChild(card(1), "chainSwitch"), "position", 1, 5000)
            clickSlider(motion(1), -8)
            tryVerify(function() { return sent().length >= 1 }, 5000)
            compare(motion(1).value, -8)
            compare(vibration(1).value, -8)
            compare(sent()[sent().length - 1], host.body(0, false, true, -8, -8))
            // Every key press counts, on screen and in what is sent.
            unit.clearReceived()
            keyClick(Qt.Key_Right)
            keyClick(Qt.Key_Right)
            keyClick(Qt.Key_Right)
            compare(motion(1).value, -5)
            tryVerify(function() { return sent().length >= 1 }, 5000)
            compare(sent()[sent().length - 1], host.body(0, false, true, -5, -5))
            // Both follow the unit again.
            unit.sendSeats([host.seat(false, true, -1, -1), host.seat(true, false, -10, -12)])
            tryCompare(motion(1), "value", -1, 5000)
            compare(vibration(1).value, -1)
        }

        function test_unchainedMotionLeavesVibration() {
            clickSlider(motion(1), -15)
            tryVerify(function() { return sent().length >= 1 }, 5000)
            compare(sent()[sent().length - 1], host.body(0, false, false, -15, -4))
            compare(motion(1).value, -15)
            compare(vibration(1).value, -4)
            // The slider has the focus after the click: two steps to the left.
            unit.clearReceived()
            keyClick(Qt.Key_Left)
            keyClick(Qt.Key_Left)
            tryVerify(function() { return sent().length >= 1 }, 5000)
            compare(motion(1).value, -17)
            compare(sent()[sent().length - 1], host.body(0, false, false, -17, -4))
        }

        function test_resetToDefaults() {
            unit.sendSeats([host.seat(true, true, -12, -12), host.seat(true, false, -10, -12)])
            tryCompare(motion(1), "value", -12, 5000)
            mouseClick(findChild(card(1), "seatResetButton"))
            tryVerify(function() { return sent().length === 1 }, 5000)
            compare(sent()[0], host.body(0, false, false, 0, -5))
            compare(motion(1).value, 0)
        }

        function test_cardsFollowRowCount() {
            unit.sendSeats([host.seat(false, false, -1, -1), host.seat(false, false, -2, -2),
                            host.seat(false, false, -3, -3), host.seat(false, false, -4, -4)])
            tryCompare(seats, "count", 4, 5000)
            tryCompare(motion(4), "value", -4, 5000)
            unit.sendSeats([host.seat(false, false, -1, -1)])
            tryCompare(seats, "count", 1, 5000)
            compare(seatsModel.seatCount, 1)
            compare(sent(), [])
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

        function initTestCase() {
            host.connectOnce(this)
        }

        function report(count) {
            var list = []
            for (var i = 0; i < count; ++i)
                list.push(host.seat(false, false, -5, -10))
            unit.sendSeats(list)
        }

        function init() {
            report(60)
            page = createTemporaryObject(pageComponent, host)
            tryCompare(page.seats, "count", 60, 10000)
            tryCompare(seatsModel, "seatsToShow", 60)
            unit.clearReceived()
        }

        function card(n) {
            return findChild(page.seats, "seatCard" + n)
        }

        // Controls that go are deleted later, so the card says whether it holds them.
        function full(n) {
            return card(n).full
        }

        function test_controlsOnlyNearTheView() {
            tryVerify(function() { return full(1) && full(60) })
            verify(full(2))
            verify(!full(30))
            // Cards without controls take the room of those with them: nothing moves as they come and go.
            compare(card(30).height, card(1).height)
            compare(card(30).Accessible.name, "Seat 30")
            var y30 = card(30).y
            page.contentY = y30
            tryVerify(function() { return full(30) })
            compare(card(30).y, y30)
            verify(!full(2))
            // Once laid out, the page ends with the last card.
            tryVerify(function() { return page.contentHeight === card(60).y + card(60).height && card(60).y > y30 })
        }

        function test_editOnACardMadeLater() {
            page.contentY = card(40).y
            tryVerify(function() { return full(40) })
            mouseClick(findChild(card(40), "mutedSwitch"))
            tryVerify(function() { return unit.receivedText("SetSeatSetting").length === 1 }, 5000)
            compare(unit.receivedText("SetSeatSetting")[0], host.body(39, true, false, -5, -10))
            var list = []
            for (var i = 0; i < 60; ++i)
                list.push(host.seat(false, false, i === 39 ? -6 : -5, -10))
            unit.sendSeats(list)
            tryCompare(findChild(card(40), "motionSlider"), "value", -6, 5000)
        }

        function test_tabReachesCardsOutOfView() {
            tryVerify(function() { return full(60) })
            verify(!full(59))
            findChild(card(60), "mutedSwitch").forceActiveFocus(Qt.TabFocusReason)
            verify(full(59))
            keyClick(Qt.Key_Backtab, Qt.ShiftModifier)
            compare(page.Window.activeFocusItem, findChild(card(59), "seatResetButton"))
            verify(full(58))
            keyClick(Qt.Key_Tab)
            compare(page.Window.activeFocusItem, findChild(card(60), "mutedSwitch"))
            compare(unit.receivedText("SetSeatSetting"), [])
        }

        // The model announces the new length, then takes rows away from the end a few per pass: cards of rows
        // on their way out never make controls.
        function test_rowsOnTheirWayOutMakeNoControls() {
            page.contentY = card(40).y
            tryVerify(function() { return full(40) })
            var wrong = []
            var check = function() {
                if (seatsModel.seatsToShow !== 3)
                    return
                for (var n = 4; n <= seatsModel.rowCount(); ++n) {
                    if (card(n) && full(n))
                        wrong.push(n)
                }
            }
            seatsModel.rowsRemoved.connect(check)
            seatsModel.seatsToShowChanged.connect(check)
            report(3)
            tryCompare(page.seats, "count", 3, 10000)
            seatsModel.rowsRemoved.disconnect(check)
            seatsModel.seatsToShowChanged.disconnect(check)
            compare(wrong, [])
            verify(full(1))
            verify(full(3))
        }

        function test_fewSeatsAllWithControls() {
            report(16)
            tryCompare(page.seats, "count", 16, 10000)
            tryVerify(function() {
                for (var n = 1; n <= 16; ++n)
                    if (!full(n))
                        return false
                return true
            })
            report(17)
            tryCompare(page.seats, "count", 17, 10000)
            // Not even for a moment before the cards are placed.
            verify(!full(12))
            waitForRendering(page)
            verify(!full(12))
            tryVerify(function() { return full(17) })
        }
    }
}
