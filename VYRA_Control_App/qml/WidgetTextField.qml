import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Controls.Material 2.12
import "."

TextField {
    Material.background: Material.color(Material.Grey, Material.Shade200)
    font.family: Style.font_FAMILY
}
