import QtQuick 2.12
import QtQuick.Controls 2.12
import "."

Label {
    font.family: Style.font_FAMILY
}
