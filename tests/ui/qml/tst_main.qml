import QtQuick 2.12
import QtTest 1.12

// The main window's width rule and start-up, with the real Main.qml on the program's own objects.
TestCase {
    name: "Main"
    when: windowShown

    property var window: null

    function createWindow(showDialog) {
        settings.showDialogOnStartup = showDialog
        var component = Qt.createComponent("qrc:/Main.qml")
        compare(component.status, Component.Ready, component.errorString())
        var w = component.createObject(null, { "width": 700, "height": 700 })
        verify(w)
        return w
    }

    function cleanup() {
        if (window)
            window.destroy()
        window = null
        wait(0)
    }

    function tabTexts(w) {
        var bar = findChild(w.contentItem.parent, "tabBar")
        var out = []
        for (var i = 0; i < bar.count; ++i)
            out.push(bar.itemAt(i).text)
        return out
    }

    function statusSeats(w) {
        return findChild(w.contentItem, "statusPageSeats")
    }

    // The window connects by itself to the unit it discovers, and shows it.
    function test_startup() {
        window = createWindow(false)
        compare(window.title, "Tavik")
        verify(!findChild(window.contentItem, "startupDialog").opened)
        tryCompare(api, "controllerIsConnected", true, 20000)
        tryCompare(findChild(window.contentItem, "controllerNameComboBox"), "displayText", unit.name, 20000)
        tryVerify(function() { return unit.receivedTypes().indexOf("GetMediaListNotification") >= 0 }, 20000)
    }

    function test_dialogOpensWhenSettingSaysSo() {
        window = createWindow(true)
        tryVerify(function() { return findChild(window.contentItem, "startupDialog").visible })
    }

    function test_widthRule() {
        window = createWindow(false)
        compare(tabTexts(window), ["Status", "Seats", "Library", "Network"])
        verify(!statusSeats(window).visible)
        // A shown window takes its new size through the platform, asynchronously.
        window.width = 768
        tryVerify(function() { return tabTexts(window).length === 3 })
        compare(tabTexts(window), ["Status", "Library", "Network"])
        verify(statusSeats(window).visible && statusSeats(window).enabled)
        compare(findChild(window.contentItem, "swipeView").count, 3)
        // Within the same size class nothing moves again.
        var seatsPage = window.pageOne
        window.width = 1280
        tryCompare(window, "width", 1280)
        wait(50)
        compare(window.pageOne, seatsPage)
        compare(tabTexts(window), ["Status", "Library", "Network"])
        window.width = 767
        tryVerify(function() { return tabTexts(window).length === 4 })
        compare(tabTexts(window), ["Status", "Seats", "Library", "Network"])
        compare(window.pageOne, undefined)
        verify(!statusSeats(window).visible)
        // The same page object came back.
        compare(findChild(window.contentItem, "swipeView").itemAt(1), seatsPage)
    }

    function test_pagesAreMadeWhenFirstShown() {
        window = createWindow(false)
        // Only the status page exists at start.
        verify(findChild(window.contentItem, "controllerFlickable"))
        compare(findChild(window.contentItem, "searchBox"), null)
        compare(findChild(window.contentItem, "wifiStackLayout"), null)
        compare(findChild(window.contentItem, "seatsFlickable"), null)
        mouseClick(findChild(window.contentItem.parent, "libraryTab"))
        tryVerify(function() { return findChild(window.contentItem, "searchBox") !== null })
        compare(findChild(window.contentItem, "wifiStackLayout"), null)
        mouseClick(findChild(window.contentItem.parent, "seatsTab"))
        tryVerify(function() { return findChild(window.contentItem, "seatsFlickable") !== null })
        // Made once: back on the library page, the same field.
        var box = findChild(window.contentItem, "searchBox")
        mouseClick(findChild(window.contentItem.parent, "libraryTab"))
        tryCompare(findChild(window.contentItem, "swipeView"), "currentIndex", 2)
        compare(findChild(window.contentItem, "searchBox"), box)
    }

    // Start-up makes what the first frame shows; the rest comes when first shown.
    function test_startupMakesWhatIsShown() {
        window = createWindow(true)
        var dialog = findChild(window.contentItem, "startupDialog")
        compare(findChild(dialog.contentItem, "showDialogOnStartupCheckBox"), null)
        compare(findChild(window.contentItem, "motionDelaySlider"), null)
        compare(findChild(window.contentItem, "usernameTextInput"), null)
        compare(findChild(window.contentItem, "acceptUnitKeyDialog"), null)
        // The dialog and the seats' section follow the first frame.
        tryVerify(function() { return dialog.opened })
        verify(findChild(dialog.contentItem, "showDialogOnStartupCheckBox"))
        tryVerify(function() { return statusSeats(window).item !== null })
    }

    function test_startupDialogWritesSettingOnClose() {
        window = createWindow(true)
        var dialog = findChild(window.contentItem, "startupDialog")
        tryVerify(function() { return dialog.opened })
        var box = findChild(dialog.contentItem, "showDialogOnStartupCheckBox")
        verify(!box.checked)
        mouseClick(box)
        verify(box.checked)
        var accepted = 0
        dialog.accepted.connect(function() { accepted++ })
        // Escape stores the box just as Close does, without accepting.
        keyClick(Qt.Key_Escape)
        tryVerify(function() { return !dialog.visible })
        compare(settings.showDialogOnStartup, false)
        compare(accepted, 0)
        // Reopened with the setting off: the box starts checked; unchecking and
        // closing turns the start-up display back on.
        dialog.open()
        tryVerify(function() { return dialog.opened })
        verify(box.checked)
        waitForRendering(box)
        mouseClick(box)
        verify(!box.checked)
        mouseClick(findChild(dialog.contentItem, "startupDialogCloseButton"))
        tryVerify(function() { return !dialog.visible })
        compare(accepted, 1)
        compare(settings.showDialogOnStartup, true)
    }
}
