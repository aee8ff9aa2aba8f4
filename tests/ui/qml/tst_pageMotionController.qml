import QtQuick 2.12
import QtTest 1.12
import QtQuick.Controls.Material 2.12
import "qrc:/"

Item {
    id: host
    width: 1300
    height: 1400

    Component {
        id: pageComponent
        PageMotionController {}
    }

    TestCase {
        name: "PageMotionController"
        when: windowShown

        property var page: null

        function init() {
            VYRAList.clearUnits()
            api.chooseResult = true
            api.controllerName = ""
            api.controllerIsConnected = true
            api.motionDelay = 0
            api.recognitionTolerance = 5
            api.mediaProgressOffset = ""
            api.mediaProgressDuration = ""
            api.controllerStatusText = ""
            api.controllerStatusColor = ""
            api.unitKeyRefused = false
            api.controllerLinkEncrypted = true
            page = createTemporaryObject(pageComponent, host)
            api.clearCalls()
            wait(20)
        }

        function combo() {
            return findChild(page, "controllerNameComboBox")
        }

        // The advanced controls exist once unfolded.
        function unfoldAdvanced() {
            findChild(page, "advancedControlsUnfoldButton").folded = false
            tryVerify(function() { return findChild(page, "motionDelaySlider") !== null })
        }

        function test_changedUnitKeyAskedBeforeAccepting() {
            var panel = findChild(page, "unitKeyPanel")
            verify(!panel.visible)
            api.pinnedKeyFingerprint = "1111 2222 3333 4444 5555 6666 7777 8888"
            api.offeredKeyFingerprint = "aaaa bbbb cccc dddd eeee ffff 0000 9999"
            api.unitKeyRefused = true
            verify(panel.visible)
            verify(findChild(page, "pinnedKeyFingerprint").text.indexOf("1111 2222 3333 4444 5555 6666 7777 8888") >= 0)
            verify(findChild(page, "offeredKeyFingerprint").text.indexOf("aaaa bbbb cccc dddd eeee ffff 0000 9999") >= 0)

            // Staying disconnected accepts nothing.
            var dialog = findChild(page, "acceptUnitKeyDialog")
            mouseClick(findChild(page, "acceptUnitKeyButton"))
            tryCompare(dialog, "opened", true)
            mouseClick(findChild(dialog, "acceptUnitKeyCancelButton"))
            tryCompare(dialog, "visible", false)
            compare(api.callsNamed("acceptUnitKey").length, 0)

            mouseClick(findChild(page, "acceptUnitKeyButton"))
            tryCompare(dialog, "opened", true)
            mouseClick(findChild(dialog, "acceptUnitKeyConfirmButton"))
            tryCompare(dialog, "visible", false)
            compare(api.callsNamed("acceptUnitKey").length, 1)
            api.unitKeyRefused = false
            verify(!panel.visible)
        }

        function test_plainLinkShownAsNotEncrypted() {
            var line = findChild(page, "linkNotEncryptedText")
            verify(!line.visible)
            api.controllerLinkEncrypted = false
            verify(line.visible)
            api.controllerIsConnected = false
            verify(!line.visible)
        }

        function test_firstDiscoveredUnitIsChosen() {
            VYRAList.addUnit("Living room", "127.0.0.1", 12740, true)
            var calls = api.callsNamed("chooseVYRA")
            compare(calls.length, 1)
            compare(calls[0], ["127.0.0.1", "Living room", 12740, true])
            compare(combo().currentIndex, 0)
            // A second unit appearing does not switch units.
            VYRAList.addUnit("Cinema", "127.0.0.2", 12740, false)
            compare(api.callsNamed("chooseVYRA").length, 1)
            compare(combo().currentIndex, 0)
        }

        // The unit shown is the unit reached: when the chosen one leaves, the row of its name that is shown
        // instead is chosen (and refused by its key if it is not that unit); an emptied list starts afresh.
        function test_shownUnitIsTheUnitReached() {
            VYRAList.addUnit("Living room", "127.0.0.1", 12740, true)
            VYRAList.addUnit("Living room", "127.0.0.2", 12740, true)
            compare(api.callsNamed("chooseVYRA").length, 1)
            compare(combo().currentIndex, 0)
            VYRAList.removeUnit(0)
            var calls = api.callsNamed("chooseVYRA")
            compare(calls.length, 2)
            compare(calls[1], ["127.0.0.2", "Living room", 12740, true])
            compare(combo().currentIndex, 0)
            VYRAList.addUnit("Living room", "127.0.0.1", 12740, true)
            compare(api.callsNamed("chooseVYRA").length, 2)
            VYRAList.removeUnit(0)
            calls = api.callsNamed("chooseVYRA")
            compare(calls.length, 3)
            compare(calls[2], ["127.0.0.1", "Living room", 12740, true])
            VYRAList.removeUnit(0)
            compare(combo().currentIndex, -1)
            VYRAList.addUnit("Cinema", "127.0.0.3", 12740, false)
            calls = api.callsNamed("chooseVYRA")
            compare(calls.length, 4)
            compare(calls[3], ["127.0.0.3", "Cinema", 12740, false])
            compare(combo().currentIndex, 0)
        }

        function test_failedChoiceKeepsPreviousUnit() {
            VYRAList.addUnit("Living room", "127.0.0.1", 12740, true)
            VYRAList.addUnit("Cinema", "127.0.0.2", 12741, false)
            api.chooseResult = false
            combo().currentIndex = 1
            combo().activated(1)
            compare(api.callsNamed("chooseVYRA").length, 2)
            compare(combo().currentIndex, 0)
            api.chooseResult = true
            combo().currentIndex = 1
            combo().activated(1)
            compare(combo().currentIndex, 1)
            compare(api.controllerName, "Cinema")
        }

        function test_renameByUnitMovesSelectionWithoutChoosing() {
            VYRAList.addUnit("Living room", "127.0.0.1", 12740, true)
            VYRAList.addUnit("Cinema", "127.0.0.2", 12741, false)
            api.clearCalls()
            api.controllerName = "Cinema"
            compare(combo().currentIndex, 1)
            compare(api.callsNamed("chooseVYRA").length, 0)
        }

        function test_renameFlow() {
            VYRAList.addUnit("Living room", "127.0.0.1", 12740, true)
            var stack = findChild(page, "showOrEditNameStackLayout")
            // The name field is made when the pencil is first used.
            compare(findChild(page, "nameTextField"), null)
            findChild(page, "renameButton").clicked(0, 0)
            var field = findChild(page, "nameTextField")
            compare(stack.currentIndex, 1)
            compare(field.text, "Living room")
            verify(field.activeFocus)
            field.text = "An extremely long unit name"
            compare(field.text, "An extremely long")
            compare(field.text.length, 17)
            wait(20)
            mouseClick(findChild(page, "saveNameButton"))
            compare(api.callsNamed("renameMotionController")[0], ["An extremely long"])
            compare(stack.currentIndex, 0)
        }

        function test_statusLines() {
            compare(findChild(page, "controllerStatusText").text, "---")
            api.controllerStatusText = "VYRA Online"
            api.controllerStatusColor = "greenStatus"
            var line = findChild(page, "controllerStatusText")
            compare(line.text, "VYRA Online")
            verify(Qt.colorEqual(line.color, Material.color(Material.Green)))
        }

        function test_valueFromUnitIsNotSentBack() {
            // Sent while the controls are folded away: shown when they are first unfolded.
            api.motionDelay = 120
            api.recognitionTolerance = 40
            compare(findChild(page, "motionDelaySlider"), null)
            unfoldAdvanced()
            compare(findChild(page, "motionDelaySlider").value, 120)
            compare(findChild(page, "recognitionToleranceSlider").value, 40)
            compare(findChild(page, "motionDelayText").text, "Motion Delay: 120 ms")
            // And while they are shown.
            api.motionDelay = -30
            api.recognitionTolerance = 7
            compare(findChild(page, "motionDelaySlider").value, -30)
            compare(findChild(page, "recognitionToleranceSlider").value, 7)
            // Folding keeps them, with their values.
            findChild(page, "advancedControlsUnfoldButton").folded = true
            verify(!findChild(page, "hiddenAdvancedControlsLayout").visible)
            api.motionDelay = 60
            compare(findChild(page, "motionDelaySlider").value, 60)
            compare(api.callsNamed("sendMotionDelay").length, 0)
            compare(api.callsNamed("sendRecognitionTolerance").length, 0)
        }

        function test_userMoveSendsValue() {
            unfoldAdvanced()
            var slider = findChild(page, "motionDelaySlider")
            var spin = findChild(slider, "spinbox")
            spin.value = -50
            var sent = api.callsNamed("sendMotionDelay")
            verify(sent.length >= 1)
            compare(sent[sent.length - 1][0], -50)
            // Only the unit changes the shown value.
            compare(findChild(page, "motionDelayText").text, "Motion Delay: 0 ms")
        }

        function test_slidersDisabledWhileDisconnected() {
            unfoldAdvanced()
            api.controllerIsConnected = false
            verify(!findChild(page, "motionDelaySlider").enabled)
            verify(!findChild(page, "recognitionToleranceSlider").enabled)
            verify(!findChild(page, "resetAdvancedButton").enabled)
        }

        function test_resetSendsDefaults() {
            findChild(page, "advancedControlsUnfoldButton").folded = false
            wait(20)
            mouseClick(findChild(page, "resetAdvancedButton"))
            compare(api.callsNamed("sendRecognitionTolerance")[0], [5])
            compare(api.callsNamed("sendMotionDelay")[0], [0])
        }

        function test_foldingSections() {
            var version = findChild(page, "hiddenVersionLayout")
            verify(!version.visible)
            findChild(page, "versionUnfoldButton").folded = false
            verify(version.visible && version.enabled)
            findChild(page, "versionUnfoldButton").folded = true
            verify(!version.visible && !version.enabled)
        }

        function test_formatTimeText() {
            compare(page.formatTimeText(3725), "1:02:05")
            compare(page.formatTimeText(59), "0:00:59")
            compare(page.formatTimeText(0), "--:--:--")
            compare(page.formatTimeText(undefined), "--:--:--")
        }

        function test_progress() {
            api.mediaProgressDuration = "7200"
            api.mediaProgressOffset = "3600"
            compare(findChild(page, "movieProgressLabel").text, "1:00:00")
            compare(findChild(page, "movieDurationLabel").text, "2:00:00")
            fuzzyCompare(findChild(page, "movieProgressBar").value, 0.5, 0.0001)
            api.mediaProgressOffset = "-1"
            compare(findChild(page, "movieProgressLabel").text, "--:--:--")
            compare(findChild(page, "movieDurationLabel").text, "--:--:--")
            compare(findChild(page, "movieProgressBar").value, 0)
            api.mediaProgressDuration = "0"
            api.mediaProgressOffset = "30"
            compare(findChild(page, "movieProgressLabel").text, "0:00:30")
            compare(findChild(page, "movieProgressBar").value, 0)
            api.mediaProgressDuration = "100"
            api.mediaProgressOffset = "50"
            api.controllerIsConnected = false
            compare(findChild(page, "movieProgressLabel").text, "--:--:--")
            compare(findChild(page, "movieProgressBar").value, 0)
        }

        function test_startupDialogLink() {
            var spy = createTemporaryQmlObject("import QtTest 1.12; SignalSpy {}", page)
            spy.target = page
            spy.signalName = "showStartupDialogClicked"
            findChild(page, "versionUnfoldButton").folded = false
            wait(30)
            mouseClick(findChild(page, "showStartupDialogLink"))
            compare(spy.count, 1)
        }
    }
}
