import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Controls.Material 2.12
import QtQuick.Window 2.12
import "."

ApplicationWindow {
    id: window
    readonly property int index_CONTROLLER: 0
    readonly property int index_SEATS: 1
    readonly property int index_MOVIES: 2
    readonly property int index_NETWORK: 3
    readonly property bool enable_MERGE_TABS: true
    // The seats tab button and page while they are taken out of the tab bar.
    property var tabOne: undefined
    property var pageOne: undefined

    visible: true
    visibility: Window.AutomaticVisibility
    title: qsTr("Tavik")
    width: Qt.platform.os === "windows" ? Screen.width * 0.75 : Screen.desktopAvailableWidth
    height: Qt.platform.os === "windows" ? Screen.height * 0.75 : Screen.desktopAvailableHeight
    font.family: Style.font_FAMILY

    Material.theme: Material.Dark
    Material.accent: Style.material_ACCENT
    Material.primary: Style.material_PRIMARY

    // Whether the seats section is in the status page. Kept here rather than read
    // back from seatsFlow.visible, which reads false while the window is hidden.
    property bool seatsMerged: false

    function showOrHideSeatsTab(showTab) {
        var seatsFlow = controllerFlickable.seatsFlow
        if (showTab) {
            if (seatsMerged) {
                seatsFlow.visible = false
                seatsFlow.enabled = false
                seatsMerged = false
                toggleSeatsPage(true)
            }
        } else {
            if (!seatsMerged) {
                seatsFlow.visible = true
                seatsFlow.enabled = true
                seatsMerged = true
                toggleSeatsPage(false)
            }
        }
    }

    // Tab and Shift+Tab on the page tabs go by their order in the bar, then into the page
    // shown: Qt would wrap from the last tab to the page's last control, not its first.
    function firstControlIn(item) {
        var first = item ? item.nextItemInFocusChain(true) : null
        return first && Style.isInside(first, item) ? first : null
    }

    function lastControlIn(item) {
        var first = firstControlIn(item)
        var last = first
        for (var next = first ? first.nextItemInFocusChain(true) : null, n = 0;
             next && next !== first && Style.isInside(next, item) && n < 1000;
             next = next.nextItemInFocusChain(true), ++n)
            last = next
        return last
    }

    // After a dialog: the control that had the focus, or else the page's first one, shown with
    // the ring, so that the next Tab goes on from there and not from the page tabs.
    function focusInPage(previous) {
        var page = swipeView.currentItem
        var target = previous && previous.visible && previous.enabled && Style.isInside(previous, page)
                ? previous : firstControlIn(page)
        if (target)
            Style.showFocus(target)
    }

    function tabIndexOf(item) {
        for (var i = 0; i < tabBar.count; ++i) {
            if (tabBar.itemAt(i) === item)
                return i
        }
        return -1
    }

    function moveFromTab(index, forward) {
        var reason = forward ? Qt.TabFocusReason : Qt.BacktabFocusReason
        var next = index + (forward ? 1 : -1)
        var target = next >= 0 && next < tabBar.count ? tabBar.itemAt(next)
                   : forward ? firstControlIn(swipeView.currentItem) : lastControlIn(swipeView.currentItem)
        if (!target)
            target = tabBar.itemAt(forward ? 0 : tabBar.count - 1)
        target.forceActiveFocus(reason)
    }

    // Screen readers list the tabs, and Tab visits them, in the order of the buttons among
    // their siblings, where a returned button comes last: hand the bar the buttons after it
    // again, so that it places them all anew in bar order. The page shown stays.
    function keepTabsInBarOrder() {
        var current = tabBar.currentIndex
        for (var i = 2, n = tabBar.count; i < n; ++i)
            tabBar.addItem(tabBar.takeItem(2))
        tabBar.setCurrentIndex(current)
    }

    function toggleSeatsPage(visible) {
        console.count("toggleSeatsPage called")
        console.log("toggleSeatsPage " + visible)
        if (visible) {
            if (pageOne !== undefined && tabOne !== undefined) {
                swipeView.insertItem(1, pageOne)
                tabBar.insertItem(1, tabOne)
                keepTabsInBarOrder()
                pageOne = undefined
                tabOne = undefined
            } else {
                console.log("warning: page or tab are undefined")
            }
        } else {
            if (pageOne === undefined && tabOne === undefined) {
                // takeItem keeps the objects alive (removeItem would destroy them).
                pageOne = swipeView.takeItem(1)
                tabOne = tabBar.takeItem(1)
            } else {
                console.log("warning: page or tab are not undefined")
            }
        }
    }

    // Shows the page of `tab` and gives the keyboard focus to the first control of `target`
    // (the page, or a section of it). False when the tab is not in the bar.
    function showPage(tab, target) {
        for (var i = 0; i < tabBar.count; ++i) {
            if (tabBar.itemAt(i) !== tab)
                continue
            tabBar.setCurrentIndex(i)
            var first = target.nextItemInFocusChain(true)
            if (first && Style.isInside(first, target))
                first.forceActiveFocus(Qt.ShortcutFocusReason)
            else
                tab.forceActiveFocus(Qt.ShortcutFocusReason)
            return true
        }
        return false
    }

    function showOrHideSeatsTabAccordingToWidth() {
        showOrHideSeatsTab(Style.windowSizeFitsIn(width, "xs"))
    }

    onActiveFocusItemChanged: Style.scrollIntoView(activeFocusItem)

    // Pages by keyboard, as tabbed programs do. The seats go with their section of the
    // status page while they have no tab of their own.
    Shortcut {
        sequence: "Ctrl+1"
        enabled: !startupDialog.opened
        onActivated: window.showPage(statusTab, statusPage)
    }
    Shortcut {
        sequence: "Ctrl+2"
        enabled: !startupDialog.opened
        onActivated: {
            if (!window.showPage(seatsTab, seatsPage))
                window.showPage(statusTab, controllerFlickable.seatsFlow)
        }
    }
    Shortcut {
        sequence: "Ctrl+3"
        enabled: !startupDialog.opened
        onActivated: window.showPage(libraryTab, moviesPage)
    }
    Shortcut {
        sequence: "Ctrl+4"
        enabled: !startupDialog.opened
        onActivated: window.showPage(networkTab, networkPage)
    }

    onWidthChanged: {
        if (enable_MERGE_TABS)
            showOrHideSeatsTabAccordingToWidth()
    }

    Component.onCompleted: {
        api.hello()
        // The unit of the last run is tried first; discovery goes on beside it.
        api.tryLastUnit()
        api.tryConnectToController()
        showOrHideSeatsTab(false)
        showOrHideSeatsTab(true)
        if (enable_MERGE_TABS)
            showOrHideSeatsTabAccordingToWidth()
    }

    // The start-up dialog follows the window's first frame: the page shows without waiting for it.
    Connections {
        id: firstFrame
        target: window
        function onAfterAnimating() {
            firstFrame.enabled = false
            if (settings.showDialogOnStartup === true)
                Qt.callLater(function() { startupDialog.open() })
        }
    }

    WidgetStartupDialog {
        id: startupDialog
        objectName: "startupDialog"
        property Item focusBefore: null
        onAboutToShow: focusBefore = window.activeFocusItem
        onClosed: window.focusInPage(focusBefore)
    }

    SwipeView {
        id: swipeView
        objectName: "swipeView"
        Accessible.name: qsTr("Pages")
        anchors.fill: parent
        currentIndex: tabBar.currentIndex

        Page {
            id: statusPage
            objectName: "statusPage"
            Accessible.name: statusTab.text
            // Pages off screen stay out of the Tab order and of the screen reader's view.
            visible: SwipeView.isCurrentItem || swipeView.contentItem.moving
            PageMotionController {
                id: controllerFlickable
                objectName: "controllerFlickable"
                anchors.margins: Style.page_MARGIN
                onShowStartupDialogClicked: startupDialog.open()
            }
        }
        // The other pages are created the first time they are shown: start-up builds the status page only.
        Page {
            id: seatsPage
            objectName: "seatsPage"
            Accessible.name: seatsTab.text
            visible: SwipeView.isCurrentItem || swipeView.contentItem.moving
            SwipeView.onIsCurrentItemChanged: if (SwipeView.isCurrentItem) seatsLoader.active = true
            Loader {
                id: seatsLoader
                anchors.fill: parent
                anchors.margins: Style.page_MARGIN
                active: false
                sourceComponent: Component {
                    PageSeats {
                        id: seatsFlickable
                        objectName: "seatsFlickable"
                    }
                }
            }
        }
        Page {
            id: moviesPage
            objectName: "moviesPage"
            Accessible.name: libraryTab.text
            visible: SwipeView.isCurrentItem || swipeView.contentItem.moving
            SwipeView.onIsCurrentItemChanged: if (SwipeView.isCurrentItem) moviesLoader.active = true
            Loader {
                id: moviesLoader
                anchors.fill: parent
                anchors.margins: Style.page_MARGIN
                active: false
                sourceComponent: Component {
                    PageMovies {}
                }
            }
        }
        Page {
            id: networkPage
            objectName: "networkPage"
            Accessible.name: networkTab.text
            visible: SwipeView.isCurrentItem || swipeView.contentItem.moving
            SwipeView.onIsCurrentItemChanged: if (SwipeView.isCurrentItem) networkLoader.active = true
            Loader {
                id: networkLoader
                anchors.fill: parent
                anchors.margins: Style.page_MARGIN
                active: false
                sourceComponent: Component {
                    PageNetwork {}
                }
            }
        }
    }

    footer: TabBar {
        id: tabBar
        objectName: "tabBar"
        Accessible.name: qsTr("Page tabs")
        currentIndex: swipeView.currentIndex

        // Some platforms leave stale button highlights after a page change: nudge a repaint.
        onCurrentIndexChanged: {
            var first = itemAt(0)
            if (first) {
                first.width -= 1
                // Reset rather than add 1: an explicit width would stop the bar sizing the button.
                first.width = undefined
            }
            for (var i = 0; i < 3; ++i) {
                if (itemAt(i))
                    itemAt(i).update()
            }
        }

        TabButton {
            id: statusTab
            objectName: "statusTab"
            text: qsTr("Status")
            Accessible.name: text
            Accessible.description: qsTr("Shortcut: %1").arg("Ctrl+1")
            Keys.onReturnPressed: tabBar.setCurrentIndex(TabBar.index)
            Keys.onEnterPressed: tabBar.setCurrentIndex(TabBar.index)
            Keys.onTabPressed: window.moveFromTab(TabBar.index, true)
            Keys.onBacktabPressed: window.moveFromTab(TabBar.index, false)
            font.bold: false
            font.capitalization: Font.MixedCase
            font.pixelSize: Style.title_TAB_PIXEL_SIZE
        }
        TabButton {
            id: seatsTab
            objectName: "seatsTab"
            text: qsTr("Seats")
            Accessible.name: text
            Accessible.description: qsTr("Shortcut: %1").arg("Ctrl+2")
            Keys.onReturnPressed: tabBar.setCurrentIndex(TabBar.index)
            Keys.onEnterPressed: tabBar.setCurrentIndex(TabBar.index)
            Keys.onTabPressed: window.moveFromTab(TabBar.index, true)
            Keys.onBacktabPressed: window.moveFromTab(TabBar.index, false)
            font.bold: false
            font.capitalization: Font.MixedCase
            font.pixelSize: Style.title_TAB_PIXEL_SIZE
        }
        TabButton {
            id: libraryTab
            objectName: "libraryTab"
            text: qsTr("Library")
            Accessible.name: text
            Accessible.description: qsTr("Shortcut: %1").arg("Ctrl+3")
            Keys.onReturnPressed: tabBar.setCurrentIndex(TabBar.index)
            Keys.onEnterPressed: tabBar.setCurrentIndex(TabBar.index)
            Keys.onTabPressed: window.moveFromTab(TabBar.index, true)
            Keys.onBacktabPressed: window.moveFromTab(TabBar.index, false)
            font.bold: false
            font.capitalization: Font.MixedCase
            font.pixelSize: Style.title_TAB_PIXEL_SIZE
        }
        TabButton {
            id: networkTab
            objectName: "networkTab"
            text: qsTr("Network")
            Accessible.name: text
            Accessible.description: qsTr("Shortcut: %1").arg("Ctrl+4")
            Keys.onReturnPressed: tabBar.setCurrentIndex(TabBar.index)
            Keys.onEnterPressed: tabBar.setCurrentIndex(TabBar.index)
            Keys.onTabPressed: window.moveFromTab(TabBar.index, true)
            Keys.onBacktabPressed: window.moveFromTab(TabBar.index, false)
            font.bold: false
            font.capitalization: Font.MixedCase
            font.pixelSize: Style.title_TAB_PIXEL_SIZE
        }
    }

    WidgetFocusRing {
        objectName: "focusRing"
        parent: window.overlay
        target: window.activeFocusItem
    }
}
