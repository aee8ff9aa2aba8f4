import QtQuick 2.12
import QtQuick.Controls 2.12

Button {
    font.capitalization: Font.MixedCase
}
