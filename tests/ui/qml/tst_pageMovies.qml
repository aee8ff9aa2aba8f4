import QtQuick 2.12
import QtTest 1.12
import "qrc:/"

Item {
    id: host
    width: 900
    height: 600

    Component {
        id: pageComponent
        PageMovies {}
    }

    TestCase {
        name: "PageMovies"
        when: windowShown

        function init() {
            mediaList.clearCalls()
            mediaList.resetTable()
        }

        function tableOf(page) {
            return findChild(page, "moviesListView").model
        }

        function sortCalls() {
            return mediaList.calls.filter(function(c) { return c.name === "sort" })
        }
        function searchCalls() {
            return mediaList.calls.filter(function(c) { return c.name === "search" })
        }

        // Before any library (no unit) and with an empty one, a short text instead of an empty row.
        function test_noTitlesWithoutALibrary() {
            api.controllerIsConnected = false
            var page = createTemporaryObject(pageComponent, host)
            var model = tableOf(page)
            var view = findChild(page, "moviesListView")
            var text = findChild(page, "noTitlesText")
            compare(model.count, 1)
            compare(model.get(0).title, "")
            verify(text.visible)
            verify(!view.visible)
            compare(text.text, "No titles")
            compare(text.Accessible.name, "No titles")

            api.controllerIsConnected = true
            mediaList.pushRows([{ "title": "Alpha" }])
            verify(view.visible)
            verify(!text.visible)

            mediaList.pushRows([])
            verify(text.visible)
            verify(!view.visible)
            compare(text.text, "No titles")

            // A search that finds nothing says so.
            findChild(page, "searchBox").text = "zz"
            compare(text.text, "No title matches the search.")
            findChild(page, "searchBox").text = ""
            mediaList.pushRows([{ "title": "Beta" }])
            verify(!text.visible)

            // A new table model (a new library page's) is followed too.
            mediaList.resetTable()
            verify(text.visible)
            api.controllerIsConnected = false
        }

        function test_showsTheRowsWhenMade() {
            // Made when first shown, perhaps long after the library arrived.
            mediaList.pushRows([{ "title": "Early" }])
            var page = createTemporaryObject(pageComponent, host)
            var view = findChild(page, "moviesListView")
            compare(view.count, 1)
            compare(tableOf(page).get(0).title, "Early")
        }

        function test_rowsFollowTheModel() {
            var page = createTemporaryObject(pageComponent, host)
            var model = tableOf(page)
            mediaList.pushRows([{ "title": "Alpha", "duration": "1:40:00", "releaseDate": "2001", "cut": "Director" },
                                { "title": "Beta", "duration": "2:00:00", "releaseDate": "1999", "cut": "" }])
            compare(model.count, 2)
            compare(model.get(0).title, "Alpha")
            compare(model.get(0).cut, "Director")
            compare(model.get(1).releaseDate, "1999")
            // A row with missing fields shows empty cells, not "undefined".
            mediaList.pushRows([{ "title": "Gamma" }])
            compare(model.count, 1)
            compare(model.get(0).duration, "")
            compare(findChild(page, "moviesListView").count, 1)
        }

        function test_rowsFollowAReorder() {
            // The same rows in another order: the view keeps its rows and shows their new data.
            var page = createTemporaryObject(pageComponent, host)
            var view = findChild(page, "moviesListView")
            mediaList.pushRows([{ "title": "Alpha" }, { "title": "Beta" }, { "title": "Gamma", "cut": "Long" }])
            waitForRendering(view)
            var first = view.itemAtIndex(0)
            compare(first.Accessible.name, "Alpha")
            mediaList.reverseRows()
            waitForRendering(view)
            compare(view.count, 3)
            compare(view.itemAtIndex(0).Accessible.name, "Gamma, Long")
            compare(view.itemAtIndex(2).Accessible.name, "Alpha")
        }

        function test_cutAsksForColumnFour() {
            var page = createTemporaryObject(pageComponent, host)
            mouseClick(findChild(page, "cutTitle"))
            var calls = sortCalls()
            compare(calls.length, 1)
            compare(calls[0].column, 4)
            compare(calls[0].ascending, true)
        }

        function test_sortFlagsArePerHeader() {
            var page = createTemporaryObject(pageComponent, host)
            mouseClick(findChild(page, "titleTitle"))
            mouseClick(findChild(page, "durationTitle"))
            mouseClick(findChild(page, "titleTitle"))
            mouseClick(findChild(page, "releaseDateTitle"))
            var calls = sortCalls()
            compare(calls.length, 4)
            compare([calls[0].column, calls[0].ascending], [0, true])
            compare([calls[1].column, calls[1].ascending], [1, true])
            compare([calls[2].column, calls[2].ascending], [0, false])
            compare([calls[3].column, calls[3].ascending], [2, true])
        }

        function test_searchPerChangeAndClear() {
            var page = createTemporaryObject(pageComponent, host)
            var box = findChild(page, "searchBox")
            var clear = findChild(page, "clearSearchButton")
            verify(!clear.enabled)
            box.forceActiveFocus()
            keyClick(Qt.Key_A)
            keyClick(Qt.Key_B)
            keyClick(Qt.Key_C)
            var calls = searchCalls()
            compare(calls.length, 3)
            compare(calls[0].text, "a")
            compare(calls[2].text, "abc")
            verify(clear.enabled)
            mouseClick(clear)
            calls = searchCalls()
            compare(calls.length, 4)
            compare(calls[3].text, "")
            verify(!clear.enabled)
        }
    }
}
