import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Layouts 1.12
import "."

Label {
    Layout.fillWidth: true
    elide: Text.ElideRight
    wrapMode: Text.Wrap
    color: Style.title_COLOR
    font.pixelSize: Style.title_FONT_PIXEL_SIZE
    font.weight: Style.title_FONT_WEIGHT
    font.family: Style.font_FAMILY
    // Unit and library service texts are untrusted: never markup, never fetched images.
    textFormat: Text.PlainText
}
