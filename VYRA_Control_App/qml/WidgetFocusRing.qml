import QtQuick 2.12
import QtQuick.Window 2.12
import "."

// One outline that follows the keyboard focus across the window. The Material style
// marks focus only with a faint ripple, which the dark theme all but hides. Shown
// when the focus came from the keyboard; a mouse click on a control shows nothing.
Rectangle {
    id: ring
    // The item with the active focus (the window's).
    property Item target: null
    // What the outline goes round: the control rather than its inner text editor.
    readonly property Item shown: outerControl(target)
    readonly property int gap: 2

    color: "transparent"
    border.color: Style.focus_RING_COLOR
    border.width: Style.focus_RING_WIDTH
    radius: 3
    z: 10000
    // An inner editor that knows why it got the focus says it better than its control, which may not
    // have been told (a spin box is not).
    visible: shown !== null && shown.visible
             && fromKeyboard(target && target.focusReason !== undefined ? target : shown) && width > 0
    Accessible.ignored: true

    function outerControl(item) {
        if (item && item.parent && item.parent.contentItem === item && item.parent.focusReason !== undefined)
            return item.parent
        return item
    }

    function fromKeyboard(item) {
        if (item.focusReason === undefined)
            return true
        return item.focusReason === Qt.TabFocusReason || item.focusReason === Qt.BacktabFocusReason
                || item.focusReason === Qt.ShortcutFocusReason
    }

    function place() {
        if (!shown || !parent)
            return
        var p = shown.mapToItem(parent, 0, 0)
        x = p.x - gap
        y = p.y - gap
        width = shown.width + 2 * gap
        height = shown.height + 2 * gap
    }

    onShownChanged: place()
    // Scrolling, swiping and layout changes move the target without telling: follow every frame,
    // which costs nothing while nothing is drawn.
    Connections {
        target: ring.visible ? ring.Window.window : null
        function onAfterAnimating() {
            ring.place()
        }
    }
}
