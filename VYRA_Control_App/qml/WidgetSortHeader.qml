import QtQuick 2.12
import QtQuick.Controls 2.12
import "."

// A column header of the library table. A click (Space or Enter from the keyboard) asks for the rows sorted by
// its column, ascending the first time, then each way in turn; each header keeps its own direction. An arrow
// shows which column the rows are sorted by and which way, and a screen reader hears it in the header's name.
WidgetLabel {
    id: header

    // The column index the media list sorts by.
    property int column: 0
    // The order the rows are shown in now, shared by all headers of the table.
    property int sortedColumn: 0
    property bool sortedAscending: true
    readonly property bool sorted: sortedColumn === column
    // Sent with the direction asked for; the table then records the new order.
    signal sortRequested(int column, bool ascending)

    elide: Text.ElideRight
    color: Style.title_COLOR
    font.weight: Style.title_FONT_WEIGHT
    padding: Style.table_PADDING
    // Room for the arrow on every header, so that the columns keep their place when the sort moves.
    rightPadding: Style.table_PADDING + arrow.implicitWidth + 4

    FontMetrics {
        id: headerMetrics
        font: header.font
    }

    Text {
        id: arrow
        objectName: header.objectName + "Arrow"
        visible: header.sorted
        // Drawn from the text font: sharp at any scale.
        text: header.sortedAscending ? "\u25B2" : "\u25BC"
        font.family: header.font.family
        font.pixelSize: Math.max(6, Math.round(headerMetrics.height * 0.55))
        color: header.color
        // Right after the text, so that it reads as this header's and not as the next one's.
        x: header.leftPadding + Math.min(header.contentWidth, header.width - header.leftPadding - header.rightPadding) + 4
        anchors.verticalCenter: parent.verticalCenter
        Accessible.ignored: true
    }

    MouseArea {
        // The header as a button for the keyboard and screen readers: on the mouse area, as the label's own
        // role is reset to plain text by Qt.
        activeFocusOnTab: true
        Accessible.role: Accessible.ColumnHeader
        Accessible.name: !header.sorted ? header.text
                                        : header.sortedAscending ? qsTr("%1, sorted ascending").arg(header.text)
                                                                 : qsTr("%1, sorted descending").arg(header.text)
        Accessible.description: qsTr("Sorts the titles by this column")
        Accessible.onPressAction: clicked(null)
        Keys.onSpacePressed: clicked(null)
        Keys.onReturnPressed: clicked(null)
        Keys.onEnterPressed: clicked(null)
        property bool ascendingSort: true
        anchors.fill: parent
        cursorShape: Qt.PointingHandCursor
        onClicked: {
            header.sortRequested(header.column, ascendingSort)
            ascendingSort = !ascendingSort
        }
    }
}
