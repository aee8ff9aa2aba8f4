import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Controls.Material 2.12
import QtQuick.Layouts 1.12
import QtQuick.Window 2.12
import "."

// One card per seat of `seatsModel`. Only the user's input edits: it writes the row, asks the model to send,
// and shows the row again, so that the card shows the new values at once and later values from the unit too.
// What the unit reports is only shown, never written back, whatever its value.
//
// A unit may report hundreds of seats. Beyond `fullCards_MAX` of them, a card holds its
// controls only while it is near the part of the page that shows, holds the keyboard
// focus or sits next to the card that does, so that Tab and Shift+Tab reach it. The
// first card always has its controls, to measure their height for all, and so does the
// last, which Shift+Tab from the tab bar enters. The other cards keep their place, name
// and size. A long list reaches a new length a few rows per pass: cards of rows on their
// way out make no controls, and the rule follows the length the list is heading for.
WidgetFlowListView {
    id: seatsFlowListView
    // Cards only while shown: the status page and the seats page each hold a copy, one of them hidden.
    model: visible ? seatsModel : null
    spacing: Style.flow_SPACING

    readonly property int fullCards_MAX: 16
    readonly property int seatsToShow: model ? model.seatsToShow : 0
    readonly property Item viewport: Style.enclosingFlickable(seatsFlowListView)
    // Height of a card with its controls; all cards are alike, so one measures it for all.
    property real cardHeight: 0
    // The part of the page that shows, in this list's coordinates, with half a page more each way.
    property real shownTop: -Infinity
    property real shownBottom: Infinity
    property int focusRow: -1
    readonly property real cardWidth: Style.columnSizeWithSpacingIn(width, Window.window ? Window.window.width : 0,
                                                                     { "xs": 12, "sm": 6, "md": 6, "lg": 6 },
                                                                     Style.flow_SPACING)
    // A new card sits at the top until the next layout pass places it: it is not near the view before that.
    property int layoutPasses: 0
    onPositioningComplete: ++layoutPasses

    function updateShown() {
        var v = viewport
        if (!v) {
            shownTop = -Infinity
            shownBottom = Infinity
            return
        }
        var top = mapToItem(v.contentItem, 0, 0).y
        var margin = v.height / 2
        shownTop = v.contentY - top - margin
        shownBottom = v.contentY + v.height - top + margin
    }

    Component.onCompleted: updateShown()
    onViewportChanged: updateShown()
    onYChanged: updateShown()
    onVisibleChanged: updateShown()
    Connections {
        target: seatsFlowListView.viewport
        function onContentYChanged() { seatsFlowListView.updateShown() }
        function onHeightChanged() { seatsFlowListView.updateShown() }
        // Also what moves this list inside its page, such as a section above it unfolding.
        function onContentHeightChanged() { seatsFlowListView.updateShown() }
    }
    Connections {
        target: seatsFlowListView.Window.window
        function onActiveFocusItemChanged() {
            for (var p = seatsFlowListView.Window.activeFocusItem; p; p = p.parent) {
                if (p.parent === seatsFlowListView && p.seatRow !== undefined) {
                    seatsFlowListView.focusRow = p.seatRow
                    return
                }
            }
        }
    }

    // The card is a plain item, which costs little; its frame comes with the controls.
    delegate: Item {
        id: seatCard
        objectName: "seatCard" + seatIndex
        property int seatIndex: indexData + 1
        property bool seatActive: activeData
        // The controls read the row through these: the card's own bindings end with the row, while
        // those of controls not yet destroyed would read a row already gone.
        property bool seatMuted: mutedData
        property bool seatChained: controlsLockedData
        property real seatMotion: motionData
        property real seatVibration: vibrationData

        // The model changes the row in place without telling its views; reading the roles afresh shows the
        // edit and follows the unit again from then on.
        function showRow() {
            seatMuted = Qt.binding(function() { return mutedData })
            seatChained = Qt.binding(function() { return controlsLockedData })
            seatMotion = Qt.binding(function() { return motionData })
            seatVibration = Qt.binding(function() { return vibrationData })
        }

        function edited() {
            seatsModel.triggerUpdate()
            showRow()
        }

        function setMuted(on) {
            mutedData = on
            edited()
        }

        function setChained(on) {
            controlsLockedData = on
            edited()
        }

        // A chained seat takes the value for both, whichever of the two the user moved.
        function setIntensity(isMotion, value) {
            var chained = seatChained
            if (isMotion || chained)
                motionData = value
            if (!isMotion || chained)
                vibrationData = value
            edited()
        }

        function resetToDefaults(muted, chained, motion, vibration) {
            mutedData = muted
            controlsLockedData = chained
            motionData = motion
            vibrationData = vibration
            edited()
        }

        readonly property int seatRow: index
        property int madeInPass: -1
        Component.onCompleted: madeInPass = seatsFlowListView.layoutPasses
        readonly property bool nearShown: madeInPass >= 0 && seatsFlowListView.layoutPasses > madeInPass
                                          && y + seatsFlowListView.cardHeight >= seatsFlowListView.shownTop
                                          && y <= seatsFlowListView.shownBottom
        readonly property bool full: seatControls.status === Loader.Ready

        width: seatsFlowListView.cardWidth
        height: full ? seatControls.height : seatsFlowListView.cardHeight
        onHeightChanged: {
            if (seatRow === 0 && full)
                seatsFlowListView.cardHeight = height
        }
        Accessible.role: Accessible.Grouping
        Accessible.name: qsTr("Seat %1").arg(seatIndex)
        Accessible.description: seatActive ? "" : qsTr("Seat not active")

        Loader {
            id: seatControls
            width: parent.width
            active: seatCard.seatRow < seatsFlowListView.seatsToShow
                    && (seatsFlowListView.seatsToShow <= seatsFlowListView.fullCards_MAX || seatCard.seatRow === 0
                        || seatCard.seatRow === seatsFlowListView.seatsToShow - 1 || seatCard.nearShown
                        || Math.abs(seatCard.seatRow - seatsFlowListView.focusRow) <= 1)
            sourceComponent: seatFrame
        }

        Component {
            id: seatFrame
            WidgetFrame {
                id: cardFrame
                readonly property color textColor: seatCard.seatActive ? Style.color_ACTIVE : Style.color_INACTIVE
                readonly property color sliderAccent: seatCard.seatActive ? Material.color(Material.Orange)
                                                                          : Material.color(Material.Grey)
                topPadding: 10
                bottomPadding: 10
                height: seatGridLayout.height + 20
                // The card is the group that assistive technologies see.
                Accessible.ignored: true

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
                        color: cardFrame.textColor
                        Layout.fillWidth: true
                    }
                    WidgetSwitch {
                        objectName: "mutedSwitch"
                        Accessible.name: qsTr("Seat %1 muted").arg(seatCard.seatIndex)
                        Keys.onReturnPressed: userToggle()
                        Keys.onEnterPressed: userToggle()
                        // The position follows: a drag past the middle and released toggles.
                        checked: seatCard.seatMuted
                        enabled: seatCard.seatActive
                        onToggled: {
                            seatCard.setMuted(checked)
                            checked = Qt.binding(function() { return seatCard.seatMuted })
                        }
                        function userToggle() {
                            toggle()
                            toggled()
                        }
                    }

                    Label {
                        text: qsTr("Chain Motion and Vibration")
                        wrapMode: Text.WordWrap
                        font.family: Style.font_FAMILY
                        color: cardFrame.textColor
                        Layout.fillWidth: true
                    }
                    WidgetSwitch {
                        objectName: "chainSwitch"
                        Accessible.name: qsTr("Seat %1 chain motion and vibration").arg(seatCard.seatIndex)
                        Keys.onReturnPressed: userToggle()
                        Keys.onEnterPressed: userToggle()
                        checked: seatCard.seatChained
                        enabled: seatCard.seatActive
                        onToggled: {
                            seatCard.setChained(checked)
                            checked = Qt.binding(function() { return seatCard.seatChained })
                        }
                        function userToggle() {
                            toggle()
                            toggled()
                        }
                    }

                    Label {
                        objectName: "motionLabel"
                        text: qsTr("Motion: %1 dB").arg(motionSlider.value)
                        font.family: Style.font_FAMILY
                        color: cardFrame.textColor
                        Layout.columnSpan: 2
                    }
                    WidgetSliderWithNumber {
                        id: motionSlider
                        objectName: "motionSlider"
                        accessibleName: qsTr("Seat %1 motion").arg(seatCard.seatIndex)
                        from: -20
                        to: 0
                        value: seatCard.seatMotion
                        height: 32
                        Layout.fillWidth: true
                        Layout.columnSpan: 2
                        Layout.preferredHeight: implicitHeight
                        enabled: seatCard.seatActive
                        Material.accent: cardFrame.sliderAccent
                        onMoved: {
                            seatCard.setIntensity(true, value)
                            value = Qt.binding(function() { return seatCard.seatMotion })
                        }
                    }

                    Label {
                        objectName: "vibrationLabel"
                        text: qsTr("Vibration: %1 dB").arg(vibrationSlider.value)
                        font.family: Style.font_FAMILY
                        color: cardFrame.textColor
                        Layout.columnSpan: 2
                    }
                    WidgetSliderWithNumber {
                        id: vibrationSlider
                        objectName: "vibrationSlider"
                        accessibleName: qsTr("Seat %1 vibration").arg(seatCard.seatIndex)
                        from: -20
                        to: 0
                        value: seatCard.seatVibration
                        height: 32
                        Layout.fillWidth: true
                        Layout.columnSpan: 2
                        Layout.preferredHeight: implicitHeight
                        enabled: seatCard.seatActive
                        Material.accent: cardFrame.sliderAccent
                        onMoved: {
                            seatCard.setIntensity(false, value)
                            value = Qt.binding(function() { return seatCard.seatVibration })
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
                        onClicked: seatCard.resetToDefaults(default_MUTED, default_CHAINED, default_MOTION,
                                                            default_VIBRATION)
                    }
                }
            }
        }
    }
}
