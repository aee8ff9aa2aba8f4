import QtQuick 2.12
import QtTest 1.12
import "qrc:/"

// The library page on the program's own media list model, with the library of the simulated unit.
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

        readonly property int titleRole: Qt.UserRole + 1
        readonly property int durationRole: Qt.UserRole + 2
        readonly property int releaseDateRole: Qt.UserRole + 3
        readonly property int cutRole: Qt.UserRole + 4
        property int librarySize: 0

        function table() {
            return mediaList.tableModel
        }
        function cell(row, role) {
            return String(table().data(table().index(row, 0), role))
        }
        function column(role) {
            var out = []
            for (var i = 0; i < table().rowCount(); ++i)
                out.push(cell(i, role))
            return out
        }
        function lower(list) {
            return list.map(function(t) { return t.toLowerCase() })
        }
        function isSorted(list, ascending) {
            for (var i = 1; i < list.length; ++i) {
                if (ascending ? list[i - 1] > list[i] : list[i - 1] < list[i])
                    return false
            }
            return true
        }

        function connectAndWaitForLibrary() {
            if (!api.controllerIsConnected)
                verify(session.connectToUnit())
            tryVerify(function() { return table().rowCount() > 1 }, 20000)
            librarySize = table().rowCount()
        }

        function makePage() {
            var page = createTemporaryObject(pageComponent, host)
            var view = findChild(page, "moviesListView")
            waitForRendering(view)
            return page
        }

        // Sorted by the unit's own first title: the view shows the row the model has first.
        function firstShown(page) {
            var view = findChild(page, "moviesListView")
            waitForRendering(view)
            return view.itemAtIndex(0).Accessible.name
        }

        function test_beforeAndAfterTheLibraryArrives() {
            var page = makePage()
            var view = findChild(page, "moviesListView")
            var noTitles = findChild(page, "noTitlesText")
            if (!api.controllerIsConnected) {
                // No unit: a short text instead of an empty row.
                verify(noTitles.visible)
                verify(!view.visible)
                compare(noTitles.text, "No titles")
                compare(noTitles.Accessible.name, "No titles")
            }
            connectAndWaitForLibrary()
            tryCompare(view, "count", librarySize, 20000)
            verify(view.visible)
            verify(!noTitles.visible)
            compare(firstShown(page).indexOf(cell(0, titleRole)), 0)
            // A page made later shows the whole library at once.
            var later = makePage()
            compare(findChild(later, "moviesListView").count, librarySize)
        }

        function test_sortFlagsArePerHeader() {
            connectAndWaitForLibrary()
            var page = makePage()
            mouseClick(findChild(page, "titleTitle"))
            tryVerify(function() { return isSorted(lower(column(titleRole)), true) }, 5000)
            var ascending = column(titleRole)
            compare(firstShown(page).indexOf(ascending[0]), 0)
            mouseClick(findChild(page, "durationTitle"))
            tryVerify(function() { return isSorted(column(durationRole), true) }, 5000)
            // The title header remembers its own direction: descending now.
            mouseClick(findChild(page, "titleTitle"))
            tryVerify(function() { return isSorted(lower(column(titleRole)), false) }, 5000)
            compare(cell(0, titleRole), ascending[ascending.length - 1])
            compare(firstShown(page).indexOf(ascending[ascending.length - 1]), 0)
            mouseClick(findChild(page, "releaseDateTitle"))
            tryVerify(function() { return isSorted(column(releaseDateRole), true) }, 5000)
            compare(table().rowCount(), librarySize)
        }

        function test_cutSortsByCut() {
            connectAndWaitForLibrary()
            var page = makePage()
            mouseClick(findChild(page, "cutTitle"))
            tryVerify(function() { return isSorted(lower(column(cutRole)), true) }, 5000)
            mouseClick(findChild(page, "cutTitle"))
            tryVerify(function() { return isSorted(lower(column(cutRole)), false) }, 5000)
        }

        function test_searchPerKeyAndClear() {
            connectAndWaitForLibrary()
            var page = makePage()
            var box = findChild(page, "searchBox")
            var clear = findChild(page, "clearSearchButton")
            verify(!clear.enabled)
            // Two letters of a title the unit has.
            var wanted = cell(0, titleRole).substring(0, 2)
            mouseClick(box)
            keyClick(wanted[0])
            keyClick(wanted[1])
            compare(box.text, wanted)
            verify(clear.enabled)
            tryVerify(function() {
                var titles = lower(column(titleRole))
                return titles.length >= 1 && titles.every(function(t) { return t.indexOf(wanted.toLowerCase()) >= 0 })
            }, 5000)
            var view = findChild(page, "moviesListView")
            compare(view.count, table().rowCount())
            // Nothing matches: no rows.
            keyClick(Qt.Key_Q)
            keyClick(Qt.Key_Z)
            keyClick(Qt.Key_Q)
            tryCompare(view, "count", 0, 5000)
            var noTitles = findChild(page, "noTitlesText")
            tryVerify(function() { return noTitles.visible })
            compare(noTitles.text, "No title matches the search.")
            mouseClick(clear)
            compare(box.text, "")
            verify(!clear.enabled)
            tryCompare(view, "count", librarySize, 5000)
        }

        // Last (by name): a library whose entries lack fields shows empty cells, not "undefined".
        function test_theLibraryReplacedByOneWithGaps() {
            connectAndWaitForLibrary()
            var page = makePage()
            unit.send("GetMediaListNotification", { "library": { "media": [{ "title": "Gamma" },
                                                                           { "title": "Delta", "cut": "Long" }] } })
            var view = findChild(page, "moviesListView")
            tryCompare(view, "count", 2, 20000)
            compare(column(durationRole), ["", ""])
            compare(column(cutRole).sort(), ["", "Long"])
            var names = [view.itemAtIndex(0).Accessible.name, view.itemAtIndex(1).Accessible.name].sort()
            compare(names, ["Delta, Long", "Gamma"])
            // An empty library: "No titles" again.
            unit.send("GetMediaListNotification", { "library": { "media": [] } })
            var noTitles = findChild(page, "noTitlesText")
            tryVerify(function() { return noTitles.visible }, 20000)
            compare(noTitles.text, "No titles")
            verify(!view.visible)
        }
    }
}
