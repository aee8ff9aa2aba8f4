import QtQuick 2.12
import QtQuick.Controls 2.12
import "."

Flickable {
    anchors.fill: parent
    clip: true
    ScrollBar.vertical: ScrollBar {
        Accessible.name: qsTr("Scroll the page")
    }
    contentWidth: width
    contentHeight: seatsFlow.childrenRect.height
    leftMargin: Style.flickable_LEFT_MARGIN
    rightMargin: Style.flickable_RIGHT_MARGIN
    topMargin: Style.flickable_TOP_MARGIN
    bottomMargin: Style.flickable_BOTTOM_MARGIN

    WidgetSeats {
        id: seatsFlow
        objectName: "seatsPageSeats"
        anchors.fill: parent
    }
}
