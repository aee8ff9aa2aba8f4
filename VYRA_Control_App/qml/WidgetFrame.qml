import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Controls.Material 2.12

Frame {
    background: Rectangle {
        color: Material.color(Material.Grey, Material.Shade900)
        border.width: 0
        border.color: "transparent"
        radius: 2
    }
}
