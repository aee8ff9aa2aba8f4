import QtQuick 2.12

Flow {
    id: flowListView
    property int currentIndex: -1
    property alias count: repeater.count
    property alias delegate: repeater.delegate
    property alias model: repeater.model

    Repeater {
        id: repeater
        onCountChanged: {
            if (flowListView.currentIndex === -1 && count > 0)
                flowListView.currentIndex = 0
            else if (flowListView.currentIndex >= count)
                flowListView.currentIndex = count - 1
        }
    }
}
