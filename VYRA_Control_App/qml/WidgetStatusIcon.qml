import QtQuick 2.12

Rectangle {
    width: 12
    height: 12
    color: "#ffffff"
    radius: width / 2
}
