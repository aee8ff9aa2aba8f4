import QtQuick 2.12
import QtQuick.Layouts 1.12
import QtGraphicalEffects 1.0

ColumnLayout {
    id: root
    property bool pressed: mouseArea0.pressed
    property alias source: image0.source
    signal clicked(real xPos, real yPos)
    // What the button does, for screen readers ("Rename VYRA").
    property string accessibleName: ""

    // The keys are handled by the icon, not the layout around it: focus must go there.
    function takeFocus(reason) {
        image0.forceActiveFocus(reason)
    }

    Image {
        id: image0
        objectName: root.objectName !== "" ? root.objectName + "Icon" : ""
        fillMode: Image.PreserveAspectFit
        // Vector icons are drawn for the screen's pixel ratio at this size: sharp at any scale.
        sourceSize.width: 24
        sourceSize.height: 24
        Layout.alignment: Qt.AlignCenter | Qt.AlignTop
        Layout.maximumWidth: 24
        Layout.maximumHeight: 24
        // A button for the keyboard and screen readers too.
        activeFocusOnTab: true
        Accessible.role: Accessible.Button
        Accessible.name: root.accessibleName
        Accessible.onPressAction: root.clicked(width / 2, height / 2)
        Keys.onSpacePressed: root.clicked(width / 2, height / 2)
        Keys.onReturnPressed: root.clicked(width / 2, height / 2)
        Keys.onEnterPressed: root.clicked(width / 2, height / 2)

        MouseArea {
            id: mouseArea0
            objectName: "imageButtonMouseArea"
            anchors.fill: parent
            onClicked: (mouse) => root.clicked(mouse.x, mouse.y)
        }

        Colorize {
            id: colorize0
            anchors.fill: parent
            source: image0
            cached: true
            hue: 0.088888888888
            saturation: 0
            lightness: root.pressed ? 0.8 : 0.5
        }

        Component.onCompleted: {
            console.log("WidgetImageButton.image0.width " + width)
            console.log("WidgetImageButton.image0.height " + height)
        }
    }
}
