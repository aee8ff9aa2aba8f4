import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Layouts 1.12
import "."

Label {
    Layout.fillWidth: true
    wrapMode: Text.Wrap
    font.family: Style.font_FAMILY
    // Unit and library service texts are untrusted: never markup, never fetched images.
    textFormat: Text.PlainText
}
