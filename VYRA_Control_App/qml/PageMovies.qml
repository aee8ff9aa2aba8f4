import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Controls.Material 2.12
import QtQuick.Layouts 1.12
import "."

// The unit's media library. Searching and sorting happen in `mediaList`; this page
// forwards the requests and shows the rows the model keeps for it (mediaList.tableModel),
// which change at once with each new library, search or sort.
WidgetFrame {
    id: root
    anchors.fill: parent

    // The order the rows are shown in. A new library, a search or a lost connection shows the titles in
    // the library's own order again, which is by title, ascending.
    property int sortColumn: 0
    property bool sortAscending: true

    function sortBy(column, ascending) {
        mediaList.triggerSortMediaLibrary(column, ascending)
        // After the call: the model clears the table first, which would reset the order shown.
        sortColumn = column
        sortAscending = ascending
    }

    Connections {
        target: mediaList
        function onClearTableSignal() {
            root.sortColumn = 0
            root.sortAscending = true
        }
    }

    ColumnLayout {
        anchors.fill: parent

        RowLayout {
            Layout.fillWidth: true
            TextField {
                id: searchBox
                objectName: "searchBox"
                placeholderText: qsTr("Search...")
                Accessible.name: qsTr("Search the library")
                Accessible.searchEdit: true
                inputMethodHints: Qt.ImhNoPredictiveText
                font.family: Style.font_FAMILY
                Layout.fillWidth: true
                onTextChanged: mediaList.triggerSearchMediaLibrary(text)
            }
            WidgetButton {
                objectName: "clearSearchButton"
                text: "X"
                Accessible.name: qsTr("Clear the search")
                enabled: searchBox.text !== ""
                onClicked: searchBox.text = ""
            }
        }

        RowLayout {
            id: titlesRow
            objectName: "titlesRow"
            Layout.fillWidth: true
            // Room for the scroll bar, so it never covers the last column.
            Layout.rightMargin: 15 + Style.flickable_RIGHT_MARGIN
            spacing: 0
            height: titleTitle.height

            WidgetSortHeader {
                id: titleTitle
                objectName: "titleTitle"
                text: qsTr("Title")
                column: 0
                sortedColumn: root.sortColumn
                sortedAscending: root.sortAscending
                onSortRequested: root.sortBy(column, ascending)
                Layout.minimumWidth: 120
                Layout.preferredWidth: 260
                Layout.fillWidth: true
            }
            WidgetSortHeader {
                id: cutTitle
                objectName: "cutTitle"
                text: qsTr("Cut")
                column: 4
                sortedColumn: root.sortColumn
                sortedAscending: root.sortAscending
                onSortRequested: root.sortBy(column, ascending)
                Layout.minimumWidth: 60
                Layout.preferredWidth: 120
            }
            WidgetSortHeader {
                id: durationTitle
                objectName: "durationTitle"
                text: qsTr("Duration")
                column: 1
                sortedColumn: root.sortColumn
                sortedAscending: root.sortAscending
                onSortRequested: root.sortBy(column, ascending)
                Layout.minimumWidth: 80
            }
            WidgetSortHeader {
                id: releaseDateTitle
                objectName: "releaseDateTitle"
                text: qsTr("Release Date")
                column: 2
                sortedColumn: root.sortColumn
                sortedAscending: root.sortAscending
                onSortRequested: root.sortBy(column, ascending)
                Layout.minimumWidth: 80
            }
        }

        // Without a unit, or with an empty library, a short text instead of an empty row.
        WidgetParagraph {
            id: noTitlesText
            objectName: "noTitlesText"
            property bool hasTitles: false
            property var table: mediaList.tableModel
            // Until the first library the model holds one empty row: that is no title either.
            function update() {
                hasTitles = table.count > 1 || (table.count === 1 && (table.get(0).title || "") !== "")
            }
            onTableChanged: update()
            visible: !hasTitles
            text: searchBox.text !== "" && api.controllerIsConnected ? qsTr("No title matches the search.")
                                                                     : qsTr("No titles")
            color: Style.color_INACTIVE
            Layout.topMargin: 10
            Layout.leftMargin: Style.table_PADDING
            Layout.fillHeight: true
            verticalAlignment: Text.AlignTop
            Accessible.role: Accessible.StaticText
            Accessible.name: text
            Component.onCompleted: update()
            Connections {
                target: noTitlesText.table
                function onCountChanged() { noTitlesText.update() }
                function onModelReset() { noTitlesText.update() }
                function onRowsInserted() { noTitlesText.update() }
                function onRowsRemoved() { noTitlesText.update() }
            }
        }

        ListView {
            id: moviesListView
            objectName: "moviesListView"
            visible: noTitlesText.hasTitles
            // Until the first library the table shows one empty row.
            model: mediaList.tableModel
            clip: true
            Layout.fillWidth: true
            Layout.fillHeight: true
            rightMargin: Style.flickable_RIGHT_MARGIN
            // A list for the keyboard: Tab enters it, arrows move the current row.
            activeFocusOnTab: true
            Accessible.role: Accessible.List
            Accessible.name: qsTr("Library titles")
            ScrollBar.vertical: ScrollBar {
                id: moviesScrollBar
                objectName: "moviesScrollBar"
                // Shown for as long as there is more to scroll to, and only then.
                Accessible.name: qsTr("Scroll the library titles")
                active: true
                policy: moviesListView.contentHeight > moviesListView.height ? ScrollBar.AlwaysOn
                                                                              : ScrollBar.AlwaysOff
                contentItem: Rectangle {
                    implicitWidth: 15
                    radius: 2
                    visible: moviesScrollBar.size < 1.0
                    color: Material.color(Material.Grey, Material.Shade600)
                }
            }

            delegate: Rectangle {
                width: titlesRow.width
                height: titleTitle.height
                // The current row takes the list's focus, so a screen reader follows the arrows.
                focus: ListView.isCurrentItem
                Accessible.role: Accessible.ListItem
                Accessible.name: [model.title, model.cut, model.duration, model.releaseDate]
                                 .filter(function(t) { return t !== "" }).join(", ") || qsTr("Empty row")
                color: index % 2 === 0 ? Material.color(Material.Grey, Material.Shade800)
                                       : Material.color(Material.Grey, Material.Shade900)
                Row {
                    spacing: 0
                    WidgetLabel {
                        width: titleTitle.width
                        text: model.title
                        Accessible.ignored: true
                        elide: Text.ElideRight
                        padding: Style.table_PADDING
                    }
                    WidgetLabel {
                        width: cutTitle.width
                        text: model.cut
                        Accessible.ignored: true
                        elide: Text.ElideRight
                        padding: Style.table_PADDING
                    }
                    WidgetLabel {
                        width: durationTitle.width
                        text: model.duration
                        Accessible.ignored: true
                        elide: Text.ElideRight
                        padding: Style.table_PADDING
                    }
                    WidgetLabel {
                        width: releaseDateTitle.width
                        text: model.releaseDate
                        Accessible.ignored: true
                        elide: Text.ElideRight
                        padding: Style.table_PADDING
                    }
                }
            }
        }
    }
}
