import QtQuick 2.12
import QtQuick.Controls 2.12

Button {
    font.capitalization: Font.MixedCase
    Accessible.name: text
    // Enter activates as Space does.
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
}
