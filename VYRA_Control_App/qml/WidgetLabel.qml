import QtQuick 2.12
import QtQuick.Controls 2.12
import "."

Label {
    font.family: Style.font_FAMILY
    // Unit and library service texts are untrusted: never markup, never fetched images.
    textFormat: Text.PlainText
}
