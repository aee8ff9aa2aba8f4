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
            Layout.fillWidth: true
            Layout.maximumWidth: 1000
            // Room for the always-shown scroll bar, so it never covers the last column.
            Layout.rightMargin: 15 + Style.flickable_RIGHT_MARGIN
            spacing: 0
            height: titleTitle.height

            WidgetLabel {
                id: titleTitle
                objectName: "titleTitle"
                text: qsTr("Title")
                elide: Text.ElideRight
                color: Style.title_COLOR
                font.weight: Style.title_FONT_WEIGHT
                padding: Style.table_PADDING
                Layout.minimumWidth: 120
                Layout.preferredWidth: 260
                Layout.fillWidth: true
                MouseArea {
                    // The header as a button for the keyboard and screen readers: on the mouse area, as
                    // the label's own role is reset to plain text by Qt.
                    activeFocusOnTab: true
                    Accessible.role: Accessible.ColumnHeader
                    Accessible.name: parent.text
                    Accessible.description: qsTr("Sorts the titles by this column")
                    Accessible.onPressAction: clicked(null)
                    Keys.onSpacePressed: clicked(null)
                    Keys.onReturnPressed: clicked(null)
                    Keys.onEnterPressed: clicked(null)
                    property bool ascendingSort: true
                    anchors.fill: parent
                    cursorShape: Qt.PointingHandCursor
                    onClicked: {
                        mediaList.triggerSortMediaLibrary(0, ascendingSort)
                        ascendingSort = !ascendingSort
                    }
                }
            }
            WidgetLabel {
                id: cutTitle
                objectName: "cutTitle"
                text: qsTr("Cut")
                elide: Text.ElideRight
                color: Style.title_COLOR
                font.weight: Style.title_FONT_WEIGHT
                padding: Style.table_PADDING
                Layout.minimumWidth: 60
                Layout.preferredWidth: 120
                MouseArea {
                    activeFocusOnTab: true
                    Accessible.role: Accessible.ColumnHeader
                    Accessible.name: parent.text
                    Accessible.description: qsTr("Sorts the titles by this column")
                    Accessible.onPressAction: clicked(null)
                    Keys.onSpacePressed: clicked(null)
                    Keys.onReturnPressed: clicked(null)
                    Keys.onEnterPressed: clicked(null)
                    property bool ascendingSort: true
                    anchors.fill: parent
                    cursorShape: Qt.PointingHandCursor
                    onClicked: {
                        mediaList.triggerSortMediaLibrary(4, ascendingSort)
                        ascendingSort = !ascendingSort
                    }
                }
            }
            WidgetLabel {
                id: durationTitle
                objectName: "durationTitle"
                text: qsTr("Duration")
                elide: Text.ElideRight
                color: Style.title_COLOR
                font.weight: Style.title_FONT_WEIGHT
                padding: Style.table_PADDING
                Layout.minimumWidth: 80
                MouseArea {
                    activeFocusOnTab: true
                    Accessible.role: Accessible.ColumnHeader
                    Accessible.name: parent.text
                    Accessible.description: qsTr("Sorts the titles by this column")
                    Accessible.onPressAction: clicked(null)
                    Keys.onSpacePressed: clicked(null)
                    Keys.onReturnPressed: clicked(null)
                    Keys.onEnterPressed: clicked(null)
                    property bool ascendingSort: true
                    anchors.fill: parent
                    cursorShape: Qt.PointingHandCursor
                    onClicked: {
                        mediaList.triggerSortMediaLibrary(1, ascendingSort)
                        ascendingSort = !ascendingSort
                    }
                }
            }
            WidgetLabel {
                id: releaseDateTitle
                objectName: "releaseDateTitle"
                text: qsTr("Release Date")
                elide: Text.ElideRight
                color: Style.title_COLOR
                font.weight: Style.title_FONT_WEIGHT
                padding: Style.table_PADDING
                Layout.minimumWidth: 80
                MouseArea {
                    activeFocusOnTab: true
                    Accessible.role: Accessible.ColumnHeader
                    Accessible.name: parent.text
                    Accessible.description: qsTr("Sorts the titles by this column")
                    Accessible.onPressAction: clicked(null)
                    Keys.onSpacePressed: clicked(null)
                    Keys.onReturnPressed: clicked(null)
                    Keys.onEnterPressed: clicked(null)
                    property bool ascendingSort: true
                    anchors.fill: parent
                    cursorShape: Qt.PointingHandCursor
                    onClicked: {
                        mediaList.triggerSortMediaLibrary(2, ascendingSort)
                        ascendingSort = !ascendingSort
                    }
                }
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
                Accessible.name: qsTr("Scroll the library titles")
                active: true
                contentItem: Rectangle {
                    implicitWidth: 15
                    radius: 2
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
