import QtQuick 2.15
import QtQuick.Controls 2.15

// Minimal shell until the real main window lands.
ApplicationWindow {
    id: window
    visible: true
    width: 1024
    height: 700
    title: "VYRA Control App"

    Label {
        anchors.centerIn: parent
        text: api.controllerIsConnected ? api.controllerName : "..."
    }

    Component.onCompleted: {
        api.hello()
        api.tryConnectToController()
    }
}
