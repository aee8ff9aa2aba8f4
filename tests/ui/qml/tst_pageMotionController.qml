import QtQuick 2.12
import QtTest 1.12
import QtQuick.Controls.Material 2.12
import "qrc:/"

// The status page on the program's own Facade, with the simulated unit it discovers and chooses by itself.
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

        function initTestCase() {
            // What the window does when it opens; the page itself then chooses a unit.
            api.tryConnectToController()
        }

        function init() {
            page = createTemporaryObject(pageComponent, host)
            // The page chooses the first unit discovered; the session's unit is the only one at first.
            tryCompare(api, "controllerIsConnected", true, 20000)
            tryCompare(api, "controllerName", unit.name, 20000)
            // The sign-in part shows once the unit answers for the service, and moves what is below it: the
            // unit answers here as it would the page's next poll (again until the page has settled on the unit).
            tryVerify(function() {
                unit.send("GetLibraryServiceLoginStatus", { "username": api.libraryServiceUsername,
                                                            "isRegistered": false,
                                                            "serviceURI": api.libraryServiceURI })
                var s = findChild(page, "statusStack")
                return s && s.visible
            }, 20000)
            unit.clearReceived()
        }

        function combo() {
            return findChild(page, "controllerNameComboBox")
        }

        function unfold(buttonName) {
            var button = findChild(page, buttonName)
            if (button.folded)
                mouseClick(button)
            verify(!button.folded)
        }

        // The advanced controls exist once unfolded.
        function unfoldAdvanced() {
            unfold("advancedControlsUnfoldButton")
            tryVerify(function() { return findChild(page, "motionDelaySlider") !== null })
            waitForRendering(page)
        }

        // Picks a unit from the list as a user does: open the list, click the entry.
        function pickUnit(name) {
            var box = combo()
            mouseClick(box)
            tryCompare(box.popup, "opened", true)
            var view = box.popup.contentItem
            for (var i = 0; i < box.count; ++i) {
                if (box.textAt(i) === name) {
                    view.positionViewAtIndex(i, ListView.Contain)
                    mouseClick(view.itemAtIndex(i))
                    tryCompare(box.popup, "visible", false)
                    return
                }
            }
            fail("no unit named " + name)
        }

        // A unit named by its address stays chosen, and named, when another unit is discovered; choosing from
        // the list afterwards goes back to discovered units.
        function test_unitNamedByAddressKeptWhenUnitsAppear() {
            var den = session.addUnit("Den", true)
            verify(api.connectToAddress("127.0.0.1:" + den.port))
            compare(api.unitAddress, "127.0.0.1:" + den.port)
            tryCompare(api, "controllerName", "Den", 20000)
            tryCompare(api, "controllerIsConnected", true, 20000)
            var before = combo().count
            var cinema = session.addUnit("Cinema", true)
            tryVerify(function() { return combo().count > before }, 20000)
            compare(api.controllerName, "Den")
            compare(combo().displayText, "Den")
            compare(api.unitAddress, "127.0.0.1:" + den.port)
            pickUnit(unit.name)
            compare(api.unitAddress, "")
            tryCompare(api, "controllerName", unit.name, 20000)
            tryCompare(api, "controllerIsConnected", true, 20000)
            cinema.stop()
            den.stop()
        }

        function test_changedUnitKeyAskedBeforeAccepting() {
            var panel = findChild(page, "unitKeyPanel")
            verify(!panel.visible)
            verify(unit.changeKey())
            tryCompare(api, "unitKeyRefused", true, 20000)
            verify(panel.visible)
            verify(!api.controllerIsConnected)
            verify(api.pinnedKeyFingerprint !== "" && api.offeredKeyFingerprint !== "")
            verify(api.pinnedKeyFingerprint !== api.offeredKeyFingerprint)
            verify(findChild(page, "pinnedKeyFingerprint").text.indexOf(api.pinnedKeyFingerprint) >= 0)
            verify(findChild(page, "offeredKeyFingerprint").text.indexOf(api.offeredKeyFingerprint) >= 0)

            // Staying disconnected accepts nothing.
            var dialog = findChild(page, "acceptUnitKeyDialog")
            mouseClick(findChild(page, "acceptUnitKeyButton"))
            tryCompare(dialog, "opened", true)
            mouseClick(findChild(dialog, "acceptUnitKeyCancelButton"))
            tryCompare(dialog, "visible", false)
            verify(api.unitKeyRefused)
            verify(!api.controllerIsConnected)
            compare(unit.receivedTypes(), [])

            mouseClick(findChild(page, "acceptUnitKeyButton"))
            tryCompare(dialog, "opened", true)
            mouseClick(findChild(dialog, "acceptUnitKeyConfirmButton"))
            tryCompare(dialog, "visible", false)
            tryCompare(api, "controllerIsConnected", true, 20000)
            verify(!api.unitKeyRefused)
            verify(!panel.visible)
            compare(api.controllerLinkEncrypted, true)
        }

        // Save, Cancel, Enter and Escape: only Save and Enter send, and the name shown is the one the unit reports.
        function test_renameFlow() {
            var original = api.controllerName
            var stack = findChild(page, "showOrEditNameStackLayout")
            // The name field is made when the pencil is first used.
            compare(findChild(page, "nameTextField"), null)
            mouseClick(findChild(page, "renameButton"))
            var field = findChild(page, "nameTextField")
            compare(stack.currentIndex, 1)
            compare(field.text, original)
            verify(field.activeFocus)
            keySequence(StandardKey.SelectAll)
            var typed = "An extremely long unit name"
            for (var i = 0; i < typed.length; ++i)
                keyClick(typed[i])
            compare(field.text, "An extremely long")
            mouseClick(findChild(page, "saveNameButton"))
            compare(stack.currentIndex, 0)
            tryVerify(function() { return unit.receivedText("SetVyraName").length === 1 }, 5000)
            compare(unit.receivedText("SetVyraName")[0], "{\"vyraName\":\"An extremely long\"}")
            tryCompare(api, "controllerName", "An extremely long", 20000)
            tryCompare(combo(), "displayText", "An extremely long", 20000)

            // Escape and Cancel keep the name.
            mouseClick(findChild(page, "renameButton"))
            keyClick(Qt.Key_X)
            keyClick(Qt.Key_Escape)
            compare(stack.currentIndex, 0)
            mouseClick(findChild(page, "renameButton"))
            keyClick(Qt.Key_Y)
            mouseClick(findChild(page, "cancelNameButton"))
            compare(stack.currentIndex, 0)
            compare(unit.receivedText("SetVyraName").length, 1)

            // Enter saves.
            mouseClick(findChild(page, "renameButton"))
            compare(field.text, "An extremely long")
            keySequence(StandardKey.SelectAll)
            for (i = 0; i < original.length; ++i)
                keyClick(original[i])
            keyClick(Qt.Key_Return)
            tryVerify(function() { return unit.receivedText("SetVyraName").length === 2 }, 5000)
            compare(unit.received("SetVyraName")[1], { "vyraName": original })
            tryCompare(api, "controllerName", original, 20000)
        }

        function test_statusLines() {
            var line = findChild(page, "controllerStatusText")
            unit.setMediaStatus({ "mediaIdState": "ident_success", "motionCodeState": "available",
                                  "mediaTitle": "Alpha", "mediaOffset": 10, "mediaDuration": 100 })
            tryCompare(findChild(page, "movieTitle"), "text", "Alpha", 20000)
            compare(findChild(page, "motionCodeStatusText").text, "Motion Code Available")
            compare(findChild(page, "audioSourceStatusText").text, "Audio Source Detected")
            verify(Qt.colorEqual(findChild(page, "motionCodeStatusText").color, Material.color(Material.Green)))
            verify(line.text !== "---")
            compare(findChild(page, "seatStatusText").text, "Seats Ready")
            unit.setMediaStatus({ "mediaIdState": "ident_success", "motionCodeState": "available",
                                  "mediaTitle": "Beta", "mediaOffset": 10, "mediaDuration": 100 })
            tryCompare(findChild(page, "movieTitle"), "text", "Beta", 20000)
        }

        function test_valueFromUnitIsNotSentBack() {
            // Sent while the controls are folded away: shown when they are first unfolded.
            unit.send("GetMotionDelayNotification", { "motionDelay": 120 })
            unit.send("GetRecognitionToleranceNotification", { "recognitionTolerance": 40 })
            tryCompare(api, "recognitionTolerance", 40, 20000)
            compare(api.motionDelay, 120)
            compare(findChild(page, "motionDelaySlider"), null)
            unfoldAdvanced()
            compare(findChild(page, "motionDelaySlider").value, 120)
            compare(findChild(page, "recognitionToleranceSlider").value, 40)
            compare(findChild(page, "motionDelayText").text, "Motion Delay: 120 ms")
            // And while they are shown.
            unit.send("GetMotionDelayNotification", { "motionDelay": -30 })
            unit.send("GetRecognitionToleranceNotification", { "recognitionTolerance": 7 })
            tryCompare(findChild(page, "recognitionToleranceSlider"), "value", 7, 20000)
            compare(findChild(page, "motionDelaySlider").value, -30)
            // Folding keeps them, with their values.
            mouseClick(findChild(page, "advancedControlsUnfoldButton"))
            verify(!findChild(page, "hiddenAdvancedControlsLayout").visible)
            unit.send("GetMotionDelayNotification", { "motionDelay": 60 })
            tryCompare(findChild(page, "motionDelaySlider"), "value", 60, 20000)
            compare(unit.receivedTypes().filter(function(t) { return t.indexOf("Set") === 0 }), [])
        }

        // Typed into the number box and confirmed: sent; shown once the unit reports it.
        function test_userMoveSendsValue() {
            unfoldAdvanced()
            var slider = findChild(page, "motionDelaySlider")
            var spin = findChild(slider, "spinbox")
            mouseClick(spin.contentItem)
            keySequence(StandardKey.SelectAll)
            keyClick(Qt.Key_Minus)
            keyClick(Qt.Key_5)
            keyClick(Qt.Key_0)
            keyClick(Qt.Key_Return)
            tryVerify(function() { return unit.receivedText("SetMotionDelay").length >= 1 }, 5000)
            var sent = unit.receivedText("SetMotionDelay")
            compare(sent[sent.length - 1], "{\"motionDelay\":-50}")
            tryCompare(findChild(page, "motionDelayText"), "text", "Motion Delay: -50 ms", 20000)
            // Each arrow key press is sent.
            unit.clearReceived()
            keyClick(Qt.Key_Up)
            keyClick(Qt.Key_Up)
            tryVerify(function() { return unit.receivedText("SetMotionDelay").length === 2 }, 5000)
            compare(unit.receivedText("SetMotionDelay"), ["{\"motionDelay\":-49}", "{\"motionDelay\":-48}"])
            tryCompare(api, "motionDelay", -48, 20000)
        }

        function test_slidersDisabledWhileDisconnected() {
            unfoldAdvanced()
            unit.stop()
            tryCompare(api, "controllerIsConnected", false, 20000)
            verify(!findChild(page, "motionDelaySlider").enabled)
            verify(!findChild(page, "recognitionToleranceSlider").enabled)
            verify(!findChild(page, "resetAdvancedButton").enabled)
            verify(!findChild(page, "renameButton").enabled)
            verify(unit.start())
            tryCompare(api, "controllerIsConnected", true, 20000)
            verify(findChild(page, "resetAdvancedButton").enabled)
        }

        function test_resetSendsDefaults() {
            unit.send("GetMotionDelayNotification", { "motionDelay": 120 })
            unit.send("GetRecognitionToleranceNotification", { "recognitionTolerance": 40 })
            tryCompare(api, "recognitionTolerance", 40, 20000)
            unfoldAdvanced()
            mouseClick(findChild(page, "resetAdvancedButton"))
            tryVerify(function() {
                return unit.receivedText("SetMotionDelay").length === 1
                       && unit.receivedText("SetRecognitionTolerance").length === 1
            }, 5000)
            compare(unit.receivedText("SetRecognitionTolerance")[0], "{\"recognitionTolerance\":5}")
            compare(unit.receivedText("SetMotionDelay")[0], "{\"motionDelay\":0}")
            tryCompare(api, "recognitionTolerance", 5, 20000)
            tryCompare(api, "motionDelay", 0, 20000)
            compare(findChild(page, "recognitionToleranceSlider").value, 5)
        }

        function test_foldingSections() {
            var version = findChild(page, "hiddenVersionLayout")
            verify(!version.visible)
            mouseClick(findChild(page, "versionUnfoldButton"))
            verify(version.visible && version.enabled)
            compare(findChild(page, "versionControllerName").text, unit.name)
            mouseClick(findChild(page, "versionUnfoldButton"))
            verify(!version.visible && !version.enabled)
        }

        function test_formatTimeText() {
            compare(page.formatTimeText(3725), "1:02:05")
            compare(page.formatTimeText(59), "0:00:59")
            compare(page.formatTimeText(0), "--:--:--")
            compare(page.formatTimeText(undefined), "--:--:--")
        }

        function test_progress() {
            unit.setMediaStatus({ "mediaIdState": "ident_success", "motionCodeState": "available",
                                  "mediaTitle": "Alpha", "mediaOffset": 3600, "mediaDuration": 7200 })
            tryCompare(findChild(page, "movieProgressLabel"), "text", "1:00:00", 20000)
            compare(findChild(page, "movieDurationLabel").text, "2:00:00")
            fuzzyCompare(findChild(page, "movieProgressBar").value, 0.5, 0.0001)
            unit.setMediaStatus({ "mediaIdState": "ident_success", "motionCodeState": "available",
                                  "mediaTitle": "Alpha", "mediaOffset": 30, "mediaDuration": 0 })
            tryCompare(findChild(page, "movieProgressLabel"), "text", "0:00:30", 20000)
            compare(findChild(page, "movieProgressBar").value, 0)
            unit.setMediaStatus({ "mediaIdState": "ident_success", "motionCodeState": "available",
                                  "mediaTitle": "Alpha", "mediaOffset": 50, "mediaDuration": 100 })
            tryCompare(findChild(page, "movieProgressLabel"), "text", "0:00:50", 20000)
            unit.stop()
            tryCompare(findChild(page, "movieProgressLabel"), "text", "--:--:--", 20000)
            compare(findChild(page, "movieProgressBar").value, 0)
            verify(unit.start())
            tryCompare(api, "controllerIsConnected", true, 20000)
            unit.setMediaStatus({ "mediaIdState": "initializing", "motionCodeState": "listening" })
        }

        function test_startupDialogLink() {
            var spy = createTemporaryQmlObject("import QtTest 1.12; SignalSpy {}", page)
            spy.target = page
            spy.signalName = "showStartupDialogClicked"
            mouseClick(findChild(page, "versionUnfoldButton"))
            var link = findChild(page, "showStartupDialogLink")
            tryVerify(function() { return link.visible && link.width > 0 }, 5000, "link shown: " + link.visible + " " + link.width)
            waitForRendering(page)
            mouseClick(link)
            compare(spy.count, 1)
        }
        // Last of all (by name): a second unit stays in the list and makes every later page choose again.
        function test_whenASecondUnitAppears() {
            compare(combo().currentIndex, 0)
            compare(combo().displayText, unit.name)
            // A second unit appearing does not switch units.
            var cinema = session.addUnit("Cinema", false)
            tryCompare(combo(), "count", 2, 20000)
            compare(combo().displayText, unit.name)
            compare(api.controllerName, unit.name)
            compare(cinema.receivedTypes(), [])
            // The connected unit renamed to a name the list has: the list shows it, nothing is chosen.
            unit.send("GetVyraNameNotification", { "vyraName": "Cinema" })
            tryCompare(combo(), "displayText", "Cinema", 5000)
            compare(cinema.receivedTypes(), [])
            unit.send("GetVyraNameNotification", { "vyraName": unit.name })
            tryCompare(combo(), "displayText", unit.name, 5000)

            // Choosing it connects to it; a unit without encryption is said to be so.
            var line = findChild(page, "linkNotEncryptedText")
            verify(!line.visible)
            pickUnit("Cinema")
            tryCompare(api, "controllerName", "Cinema", 20000)
            tryVerify(function() { return api.controllerIsConnected && cinema.receivedTypes().length > 0 }, 20000)
            tryCompare(line, "visible", true, 20000)
            compare(combo().displayText, "Cinema")
            pickUnit(unit.name)
            tryCompare(api, "controllerName", unit.name, 20000)
            tryCompare(api, "controllerLinkEncrypted", true, 20000)
            verify(!line.visible)
        }
    }
}
