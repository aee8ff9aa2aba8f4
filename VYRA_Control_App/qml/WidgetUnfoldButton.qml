import QtQuick 2.12
import QtQuick.Controls.Material 2.12

Canvas {
    id: rootCanvas
    readonly property color color: Material.color(Material.Grey, Material.Shade600)
    property int triangleWidth: width
    property int triangleHeight: height
    property color strokeStyle: color
    property color fillStyle: color
    property int lineWidth: 1
    property bool fill: true
    property bool stroke: false
    property real alpha: 1
    property bool folded: true
    signal clicked()

    antialiasing: true
    activeFocusOnTab: true
    Accessible.role: Accessible.Button
    Accessible.focusable: true
    Accessible.description: folded ? qsTr("Collapsed") : qsTr("Expanded")
    Accessible.onPressAction: toggleByKeyboard()
    Keys.onSpacePressed: toggleByKeyboard()
    Keys.onReturnPressed: toggleByKeyboard()
    Keys.onEnterPressed: toggleByKeyboard()

    // The same as a click: clicked() first, then the fold flips.
    function toggleByKeyboard() {
        clicked()
        folded = !folded
    }
    width: 12
    height: 12

    onLineWidthChanged: requestPaint()
    onFillChanged: requestPaint()
    onStrokeChanged: requestPaint()
    onFoldedChanged: requestPaint()

    onPaint: {
        var ctx = getContext("2d")
        ctx.save()
        ctx.clearRect(0, 0, width, height)
        ctx.strokeStyle = rootCanvas.strokeStyle
        ctx.lineWidth = rootCanvas.lineWidth
        ctx.fillStyle = rootCanvas.fillStyle
        ctx.globalAlpha = rootCanvas.alpha
        ctx.lineJoin = "round"
        ctx.beginPath()
        ctx.translate(width * 0.5 - triangleWidth * 0.5, height * 0.5 - triangleHeight * 0.5)
        if (folded) {
            ctx.moveTo(triangleWidth, triangleHeight / 2)
            ctx.lineTo(0, 0)
            ctx.lineTo(0, triangleHeight)
        } else {
            ctx.moveTo(triangleWidth, 0)
            ctx.lineTo(triangleWidth / 2, triangleHeight)
            ctx.lineTo(0, 0)
        }
        ctx.closePath()
        if (fill)
            ctx.fill()
        if (stroke)
            ctx.stroke()
        ctx.restore()
    }

    MouseArea {
        id: mouseArea0
        anchors.fill: parent
        onClicked: {
            parent.clicked()
            rootCanvas.folded = !rootCanvas.folded
        }
    }
}
