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

    function toggleSeatsPage(visible) {
        console.count("toggleSeatsPage called")
        console.log("toggleSeatsPage " + visible)
        if (visible) {
            if (pageOne !== undefined && tabOne !== undefined) {
                swipeView.insertItem(1, pageOne)
                tabBar.insertItem(1, tabOne)
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

    function showOrHideSeatsTabAccordingToWidth() {
        showOrHideSeatsTab(Style.windowSizeFitsIn(width, "xs"))
    }

    onWidthChanged: {
        if (enable_MERGE_TABS)
            showOrHideSeatsTabAccordingToWidth()
    }

    Component.onCompleted: {
        api.hello()
        api.tryConnectToController()
        showOrHideSeatsTab(false)
        showOrHideSeatsTab(true)
        if (enable_MERGE_TABS)
            showOrHideSeatsTabAccordingToWidth()
        if (settings.showDialogOnStartup === true)
            startupDialog.open()
    }

    WidgetStartupDialog {
        id: startupDialog
        objectName: "startupDialog"
    }

    SwipeView {
        id: swipeView
        objectName: "swipeView"
        anchors.fill: parent
        currentIndex: tabBar.currentIndex

        Page {
            objectName: "statusPage"
            PageMotionController {
                id: controllerFlickable
                objectName: "controllerFlickable"
                anchors.margins: Style.page_MARGIN
                onShowStartupDialogClicked: startupDialog.open()
            }
        }
        // The other pages are created the first time they are shown: start-up builds the status page only.
        Page {
            objectName: "seatsPage"
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
            objectName: "moviesPage"
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
            objectName: "networkPage"
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
            objectName: "statusTab"
            text: qsTr("Status")
            font.bold: false
            font.capitalization: Font.MixedCase
            font.pixelSize: Style.title_TAB_PIXEL_SIZE
        }
        TabButton {
            id: seatsTab
            objectName: "seatsTab"
            text: qsTr("Seats")
            font.bold: false
            font.capitalization: Font.MixedCase
            font.pixelSize: Style.title_TAB_PIXEL_SIZE
        }
        TabButton {
            objectName: "libraryTab"
            text: qsTr("Library")
            font.bold: false
            font.capitalization: Font.MixedCase
            font.pixelSize: Style.title_TAB_PIXEL_SIZE
        }
        TabButton {
            id: networkTab
            objectName: "networkTab"
            text: qsTr("Network")
            font.bold: false
            font.capitalization: Font.MixedCase
            font.pixelSize: Style.title_TAB_PIXEL_SIZE
        }
    }
}
