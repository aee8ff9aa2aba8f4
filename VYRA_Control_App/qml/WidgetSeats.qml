import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Controls.Material 2.12
import QtQuick.Layouts 1.12
import "."

// One card per seat of `seatsModel`. Every edit writes the row, asks the model to
// send, and restores the control's binding so later values from the unit show.
WidgetFlowListView {
    id: seatsFlowListView
    // Cards only while shown: the status page and the seats page each hold a copy, one of them hidden.
    model: visible ? seatsModel : null
    spacing: Style.flow_SPACING

    delegate: WidgetFrame {
        id: seatCard
        objectName: "seatCard" + seatIndex
        property int seatIndex: indexData + 1
        property bool seatActive: activeData
        readonly property color textColor: seatActive ? Style.color_ACTIVE : Style.color_INACTIVE
        readonly property color sliderAccent: seatActive ? Material.color(Material.Orange) : Material.color(Material.Grey)

        width: Style.columnSizeWithSpacing(seatCard, { "xs": 12, "sm": 6, "md": 6, "lg": 6 }, Style.flow_SPACING)
        topPadding: 10
        bottomPadding: 10
        height: seatGridLayout.height + 20
        Accessible.name: qsTr("Seat %1").arg(seatIndex)
        Accessible.description: seatActive ? "" : qsTr("Seat not active")

        GridLayout {
            id: seatGridLayout
            columns: 2
            Layout.maximumWidth: 300
            Layout.alignment: Qt.AlignTop
            anchors.left: parent.left
            anchors.right: parent.right

            WidgetTitle {
                text: qsTr("Seat %1").arg(seatCard.seatIndex)
                Layout.columnSpan: 2
            }

            Label {
                text: qsTr("Muted")
                font.family: Style.font_FAMILY
                color: seatCard.textColor
                Layout.fillWidth: true
            }
            WidgetSwitch {
                objectName: "mutedSwitch"
                Accessible.name: qsTr("Seat %1 muted").arg(seatCard.seatIndex)
                Keys.onReturnPressed: toggle()
                Keys.onEnterPressed: toggle()
                // checked as well as position, so the track colour matches the state.
                checked: mutedData
                position: mutedData
                enabled: seatCard.seatActive
                onPositionChanged: {
                    // A value that came from the unit is not sent back to it.
                    if ((position >= 0.5) === mutedData)
                        return
                    mutedData = (position >= 0.5)
                    seatsModel.triggerUpdate()
                    checked = Qt.binding(function() { return mutedData })
                    position = Qt.binding(function() { return mutedData })
                }
            }

            Label {
                text: qsTr("Chain Motion and Vibration")
                wrapMode: Text.WordWrap
                font.family: Style.font_FAMILY
                color: seatCard.textColor
                Layout.fillWidth: true
            }
            WidgetSwitch {
                objectName: "chainSwitch"
                Accessible.name: qsTr("Seat %1 chain motion and vibration").arg(seatCard.seatIndex)
                Keys.onReturnPressed: toggle()
                Keys.onEnterPressed: toggle()
                // checked as well as position, so the track colour matches the state.
                checked: controlsLockedData
                position: controlsLockedData
                enabled: seatCard.seatActive
                onPositionChanged: {
                    if ((position >= 0.5) === controlsLockedData)
                        return
                    controlsLockedData = (position >= 0.5)
                    seatsModel.triggerUpdate()
                    checked = Qt.binding(function() { return controlsLockedData })
                    position = Qt.binding(function() { return controlsLockedData })
                }
            }

            Label {
                text: qsTr("Motion: %1 dB").arg(motionSlider.value)
                font.family: Style.font_FAMILY
                color: seatCard.textColor
                Layout.columnSpan: 2
            }
            WidgetSliderWithNumber {
                id: motionSlider
                objectName: "motionSlider"
                accessibleName: qsTr("Seat %1 motion").arg(seatCard.seatIndex)
                from: -20
                to: 0
                value: motionData
                height: 32
                Layout.fillWidth: true
                Layout.columnSpan: 2
                Layout.preferredHeight: implicitHeight
                enabled: seatCard.seatActive
                Material.accent: seatCard.sliderAccent
                onValueChanged: {
                    if (value === motionData)
                        return
                    motionData = value
                    if (controlsLockedData) {
                        vibrationSlider.value = value
                        vibrationData = value
                        vibrationSlider.value = Qt.binding(function() { return vibrationData })
                    }
                    seatsModel.triggerUpdate()
                    motionSlider.value = Qt.binding(function() { return motionData })
                }
            }

            Label {
                text: qsTr("Vibration: %1 dB").arg(vibrationSlider.value)
                font.family: Style.font_FAMILY
                color: seatCard.textColor
                Layout.columnSpan: 2
            }
            WidgetSliderWithNumber {
                id: vibrationSlider
                objectName: "vibrationSlider"
                accessibleName: qsTr("Seat %1 vibration").arg(seatCard.seatIndex)
                from: -20
                to: 0
                value: vibrationData
                height: 32
                Layout.fillWidth: true
                Layout.columnSpan: 2
                Layout.preferredHeight: implicitHeight
                enabled: seatCard.seatActive
                Material.accent: seatCard.sliderAccent
                onValueChanged: {
                    if (value === vibrationData)
                        return
                    vibrationData = value
                    if (controlsLockedData) {
                        motionSlider.value = value
                        motionData = value
                        motionSlider.value = Qt.binding(function() { return motionData })
                    }
                    seatsModel.triggerUpdate()
                    vibrationSlider.value = Qt.binding(function() { return vibrationData })
                }
            }

            WidgetButton {
                id: resetButton
                objectName: "seatResetButton"
                Accessible.name: qsTr("Reset seat %1 to defaults").arg(seatCard.seatIndex)
                readonly property bool default_MUTED: false
                readonly property bool default_CHAINED: false
                readonly property int default_MOTION: 0
                readonly property int default_VIBRATION: -5
                text: qsTr("Reset to Defaults")
                // Without the shadow layer, which costs more than the rest of the card.
                background.layer.enabled: false
                enabled: seatCard.seatActive
                Layout.alignment: Qt.AlignLeft
                Layout.columnSpan: 2
                onClicked: {
                    mutedData = default_MUTED
                    controlsLockedData = default_CHAINED
                    motionData = default_MOTION
                    vibrationData = default_VIBRATION
                    seatsModel.triggerUpdate()
                }
            }
        }
    }
}
