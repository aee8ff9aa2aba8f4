import QtQuick 2.12
import QtQuick.Layouts 1.12

// A column that shows only its current child; hidden children are also disabled
// so that no hidden control can take focus or input.
ColumnLayout {
    property int count: children.length
    property int currentIndex: 0

    function hideAllButCurrent() {
        for (var i = 0; i < count; ++i) {
            var current = (i === currentIndex)
            children[i].visible = current
            children[i].enabled = current
        }
    }

    Component.onCompleted: hideAllButCurrent()
    onCurrentIndexChanged: hideAllButCurrent()
}
