import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Controls.Material 2.12
import QtQuick.Layouts 1.12
import QtQuick.Window 2.12
import "."

// Status page: unit choice and name, status lines, versions, advanced settings,
// what is playing, and (on wide windows) the seats.
Flickable {
    id: root
    property alias flow: flow
    property alias columnLayout: columnLayout
    property alias seatsFlow: seatsFlow
    signal showStartupDialogClicked()

    anchors.fill: parent
    clip: true
    ScrollBar.vertical: ScrollBar {
        Accessible.name: qsTr("Scroll the page")
    }
    contentWidth: width
    contentHeight: columnLayout.height
    leftMargin: Style.flickable_LEFT_MARGIN
    rightMargin: Style.flickable_RIGHT_MARGIN
    topMargin: Style.flickable_TOP_MARGIN
    bottomMargin: Style.flickable_BOTTOM_MARGIN

    function formatTimeText(number) {
        if (!number)
            return "--:--:--"
        var seconds = number % 60
        var minutes = ((number - seconds) / 60) % 60
        var hours = (number - seconds - minutes * 60) / 3600
        return hours + ":" + (minutes < 10 ? "0" : "") + minutes + ":" + (seconds < 10 ? "0" : "") + seconds
    }

    function resetProgress() {
        movieProgressLabel.text = "--:--:--"
        movieDurationLabel.text = "--:--:--"
        movieProgressBar.value = 0
    }

    // The advanced sliders show what the unit sent without sending it back. They exist once unfolded.
    function showUnitValues() {
        var advanced = hiddenAdvancedControlsLayout.item
        if (!advanced)
            return
        var sliders = [[advanced.motionDelaySlider, api.motionDelay],
                       [advanced.recognitionToleranceSlider, api.recognitionTolerance]]
        for (var i = 0; i < sliders.length; ++i) {
            var slider = sliders[i][0]
            var saved = slider.isInteractive
            slider.isInteractive = false
            slider.value = sliders[i][1]
            slider.isInteractive = saved
        }
    }

    function printModelData() {
        for (var i = 0; i < VYRAList.rowCount(); ++i) {
            var index = VYRAList.index(i, 0)
            console.log("VYRA " + i + ": name=" + VYRAList.data(index, 0) + " address=" + VYRAList.data(index, 1)
                        + " port=" + VYRAList.data(index, 2) + " encryption=" + VYRAList.data(index, 3))
        }
    }

    ColumnLayout {
        id: columnLayout
        width: parent.width

        Flow {
            id: flow
            property int motionDelay: api.motionDelay
            property int recognitionTolerance: api.recognitionTolerance
            property bool controllerIsConnected: api.controllerIsConnected
            property string controllerName: api.controllerName
            property var mediaIdentified: api.mediaIdentified
            property string mediaTitle: api.mediaTitle
            property bool motionCodeFound: api.motionCodeFound
            property bool audioDetected: api.audioDetected
            property string mediaProgressOffset: api.mediaProgressOffset
            property string appVersion: api.appVersion
            property string controllerVersion: api.controllerVersion
            property string lastMotionCodeUpdate: api.lastMotionCodeUpdate
            property var vyraList: VYRAList

            Layout.fillWidth: true
            spacing: Style.flow_SPACING

            onMotionDelayChanged: root.showUnitValues()
            onRecognitionToleranceChanged: root.showUnitValues()
            onVyraListChanged: {
                console.log("VYRA list changed")
                controllerNameComboBox.makeSureSelectedVYRANameIs(api.controllerName)
            }
            onControllerNameChanged: {
                console.log("VYRA name changed: " + controllerName)
                if (api.controllerName === undefined)
                    controllerNameComboBox.currentIndex = -1
                else
                    controllerNameComboBox.makeSureSelectedVYRANameIs(api.controllerName)
            }
            onMediaProgressOffsetChanged: {
                var offset = parseInt(api.mediaProgressOffset)
                var duration = parseInt(api.mediaProgressDuration)
                var progressText = "--:--:--"
                var durationText = "--:--:--"
                var progress = 0
                if (offset !== -1 && duration !== -1) {
                    progressText = root.formatTimeText(offset)
                    durationText = root.formatTimeText(duration)
                    // parseInt of an empty text is NaN: no bar rather than a broken one.
                    if (duration !== 0 && !isNaN(offset) && !isNaN(duration))
                        progress = offset / duration
                }
                movieProgressLabel.text = progressText
                movieDurationLabel.text = durationText
                movieProgressBar.value = progress
            }
            onMediaIdentifiedChanged: {
                if (!mediaIdentified)
                    root.resetProgress()
            }
            onControllerIsConnectedChanged: {
                if (!controllerIsConnected)
                    root.resetProgress()
            }
            onAppVersionChanged: console.log("app version: " + appVersion)
            onControllerVersionChanged: console.log("controller version: " + controllerVersion)
            onLastMotionCodeUpdateChanged: console.log("last motion code update: " + lastMotionCodeUpdate)
            onMotionCodeFoundChanged: console.log("qml: motionCodeFound: " + motionCodeFound)
            onAudioDetectedChanged: console.log("qml: audioDetected: " + audioDetected)
            onMediaTitleChanged: console.log("qml: mediaTitle: " + mediaTitle)

            WidgetFrame {
                id: mainFrame
                width: Style.columnSizeWithSpacing(mainFrame, { "xs": 12, "sm": 12, "md": 12, "lg": 12 }, Style.flow_SPACING)

                Flow {
                    id: columnsFlow
                    anchors.fill: parent
                    spacing: Style.flow_SPACING

                    // ---- Status column ----
                    ColumnLayout {
                        id: statusColumn
                        width: Style.columnSizeWithSpacing(statusColumn, { "xs": 12, "sm": 6, "md": 6, "lg": 6 }, Style.flow_SPACING)
                        Layout.maximumWidth: width

                        WidgetTitle {
                            text: qsTr("Status")
                        }

                        StackLayout {
                            id: showOrEditNameStackLayout
                            objectName: "showOrEditNameStackLayout"
                            readonly property int index_VIEW: 0
                            readonly property int index_EDIT: 1
                            readonly property int max_VYRA_NAME_WIDTH: 250
                            Layout.fillWidth: true
                            Layout.preferredHeight: currentIndex === index_VIEW ? viewRow.implicitHeight : editRow.implicitHeight

                            RowLayout {
                                id: viewRow
                                WidgetComboBox {
                                    id: controllerNameComboBox
                                    objectName: "controllerNameComboBox"
                                    property int previousIndex: -1
                                    property bool doChooseVYRAWhenCurrentIndexChanges: true
                                    // The unit the messenger was told to reach: the row shown follows it, and
                                    // when its row is gone the row of its name that is shown is chosen.
                                    property string chosenAddress: ""
                                    property int chosenPort: -1
                                    model: VYRAList
                                    textRole: "name"
                                    // A unit named on the command line or by its address is not in the
                                    // discovered list.
                                    displayText: currentIndex < 0 || api.unitAddress !== "" ? api.controllerName : currentText
                                    Layout.fillWidth: true
                                    Layout.maximumWidth: showOrEditNameStackLayout.max_VYRA_NAME_WIDTH
                                    Layout.alignment: Qt.AlignBottom | Qt.AlignLeft
                                    Accessible.name: qsTr("VYRA unit: %1").arg(displayText)
                                    Accessible.description: qsTr("The VYRA this program controls")

                                    function activatedCb() {
                                        if (count === 0) {
                                            currentIndex = -1
                                            previousIndex = -1
                                            return
                                        }
                                        var index = model.index(currentIndex, 0)
                                        var name = model.data(index, 0)
                                        var address = model.data(index, 1)
                                        var port = model.data(index, 2)
                                        var encryption = model.data(index, 3)
                                        if (doChooseVYRAWhenCurrentIndexChanges) {
                                            // Known before the choice: the name it brings selects this row.
                                            var formerAddress = chosenAddress
                                            var formerPort = chosenPort
                                            chosenAddress = address
                                            chosenPort = port
                                            if (!api.chooseVYRA(address, name, port, encryption)) {
                                                console.log("Failed to choose VYRA " + name + " at " + address + ":" + port)
                                                chosenAddress = formerAddress
                                                chosenPort = formerPort
                                                currentIndex = previousIndex
                                            } else {
                                                console.log("Chose VYRA " + name + " at " + address + ":" + port)
                                                previousIndex = currentIndex
                                            }
                                        } else {
                                            previousIndex = currentIndex
                                        }
                                    }

                                    function getVYRANameAtIndex(index) {
                                        if (index === -1)
                                            return ""
                                        return model.data(model.index(index, 0), 0)
                                    }

                                    function showRow(i) {
                                        previousIndex = currentIndex
                                        doChooseVYRAWhenCurrentIndexChanges = false
                                        currentIndex = i
                                        doChooseVYRAWhenCurrentIndexChanges = true
                                    }

                                    function makeSureSelectedVYRANameIs(name) {
                                        if (count === 0) {
                                            // The next unit heard is chosen as at start.
                                            showRow(-1)
                                            return
                                        }
                                        if (currentIndex >= 0 && currentIndex < count) {
                                            // Most calls change nothing: the row shown is the chosen unit's.
                                            var shown = model.index(currentIndex, 0)
                                            if (model.data(shown, 0) === name && model.data(shown, 1) === chosenAddress
                                                    && model.data(shown, 2) === chosenPort)
                                                return
                                        }
                                        var byName = -1
                                        var chosenListed = false
                                        for (var i = 0; i < count; ++i) {
                                            var index = model.index(i, 0)
                                            var here = model.data(index, 1) === chosenAddress && model.data(index, 2) === chosenPort
                                            chosenListed = chosenListed || here
                                            if (model.data(index, 0) !== name)
                                                continue
                                            if (here) {
                                                showRow(i)
                                                return
                                            }
                                            if (byName < 0)
                                                byName = i
                                        }
                                        if (byName < 0)
                                            return
                                        showRow(byName)
                                        // The chosen unit left the list and another of its name is shown: that
                                        // one is what the program reaches now, not the address that went.
                                        if (!chosenListed && chosenAddress !== "")
                                            activatedCb()
                                    }

                                    Component.onCompleted: activated.connect(activatedCb)

                                    onCountChanged: {
                                        console.log("VYRA list: currentIndex " + currentIndex + " count " + count)
                                        // A unit named by its address and connected is kept; otherwise the
                                        // unit connected to last time is chosen when it is among them.
                                        var namedUnitUp = api.controllerIsConnected && api.unitAddress !== ""
                                        if (count > 0 && currentIndex < 0 && !namedUnitUp) {
                                            var remembered = api.rememberedUnitRow()
                                            currentIndex = remembered >= 0 ? remembered : 0
                                            previousIndex = currentIndex
                                            activatedCb()
                                        } else {
                                            makeSureSelectedVYRANameIs(api.controllerName)
                                        }
                                    }
                                }

                                WidgetImageButton {
                                    id: renameButton
                                    objectName: "renameButton"
                                    source: "qrc:/Resources/img/pencil.svg"
                                    accessibleName: qsTr("Rename VYRA")
                                    Layout.maximumHeight: 24
                                    Layout.alignment: Qt.AlignLeft | Qt.AlignTop
                                    Layout.topMargin: 12
                                    enabled: api.controllerIsConnected
                                    opacity: enabled ? 1 : 0.4
                                    onClicked: {
                                        editRow.active = true
                                        showOrEditNameStackLayout.currentIndex = showOrEditNameStackLayout.index_EDIT
                                        editRow.item.nameField.text = api.controllerName
                                        // The pencil is hidden now: keyboard focus goes where the typing is.
                                        editRow.item.nameField.forceActiveFocus()
                                    }
                                }

                                Item {
                                    Layout.fillWidth: true
                                }
                            }

                            // Made the first time the pencil is used.
                            Loader {
                                id: editRow
                                active: false

                                sourceComponent: RowLayout {
                                    property alias nameField: nameTextField

                                    WidgetTextField {
                                        id: nameTextField
                                        objectName: "nameTextField"
                                        readonly property int maximum_VYRA_NAME_LENGTH: 17
                                        text: ""
                                        maximumLength: maximum_VYRA_NAME_LENGTH
                                        inputMethodHints: Qt.ImhNoAutoUppercase | Qt.ImhNoPredictiveText
                                        Layout.fillWidth: true
                                        Layout.maximumWidth: showOrEditNameStackLayout.max_VYRA_NAME_WIDTH
                                        Accessible.name: qsTr("New VYRA name")
                                        Keys.onReturnPressed: if (saveNameButton.enabled) saveNameButton.clicked()
                                        Keys.onEnterPressed: if (saveNameButton.enabled) saveNameButton.clicked()
                                        Keys.onEscapePressed: cancelNameButton.clicked()
                                        onTextChanged: {
                                            if (text.length > maximumLength)
                                                text = text.substring(0, maximumLength)
                                        }
                                    }
                                    WidgetButton {
                                        id: cancelNameButton
                                        objectName: "cancelNameButton"
                                        text: qsTr("Cancel")
                                        Accessible.name: text
                                        Accessible.description: qsTr("Keeps the VYRA's name")
                                        Layout.alignment: Qt.AlignRight
                                        onClicked: {
                                            showOrEditNameStackLayout.currentIndex = showOrEditNameStackLayout.index_VIEW
                                            renameButton.takeFocus(Qt.TabFocusReason)
                                        }
                                    }
                                    WidgetButton {
                                        id: saveNameButton
                                        objectName: "saveNameButton"
                                        text: qsTr("Save")
                                        Accessible.name: text
                                        Accessible.description: qsTr("Renames the VYRA")
                                        highlighted: true
                                        // The unit ignores an empty name; the name would silently come back.
                                        enabled: nameTextField.text.trim() !== ""
                                        Layout.alignment: Qt.AlignRight
                                        onClicked: {
                                            console.log("api.renameMotionController(" + nameTextField.text + ")")
                                            api.renameMotionController(nameTextField.text)
                                            showOrEditNameStackLayout.currentIndex = showOrEditNameStackLayout.index_VIEW
                                            renameButton.takeFocus(Qt.TabFocusReason)
                                        }
                                    }
                                }
                            }
                        }

                        WidgetUnitSearch {
                            objectName: "unitSearch"
                            unitCount: controllerNameComboBox.count
                            Layout.fillWidth: true
                        }

                        WidgetMotionCodeLibraryService {
                            Layout.fillWidth: true
                        }

                        GridLayout {
                            columns: 2
                            columnSpacing: 10

                            WidgetStatusIcon {
                                width: 10
                                height: 10
                                Layout.preferredWidth: 10
                                Layout.preferredHeight: 10
                                Layout.alignment: Qt.AlignRight | Qt.AlignVCenter
                                color: Style.statusColor(api.controllerStatusColor)
                            }
                            WidgetParagraph {
                                objectName: "controllerStatusText"
                                text: api.controllerStatusText === "" ? "---" : api.controllerStatusText
                                color: Style.statusColor(api.controllerStatusColor)
                                Accessible.name: Style.statusLineName(text, api.controllerStatusColor)
                            }
                            WidgetStatusIcon {
                                width: 10
                                height: 10
                                Layout.preferredWidth: 10
                                Layout.preferredHeight: 10
                                Layout.alignment: Qt.AlignRight | Qt.AlignVCenter
                                color: Style.statusColor(api.audioSourceStatusColor)
                            }
                            WidgetParagraph {
                                objectName: "audioSourceStatusText"
                                text: api.audioSourceStatusText === "" ? "---" : api.audioSourceStatusText
                                color: Style.statusColor(api.audioSourceStatusColor)
                                Accessible.name: Style.statusLineName(text, api.audioSourceStatusColor)
                            }
                            WidgetStatusIcon {
                                width: 10
                                height: 10
                                Layout.preferredWidth: 10
                                Layout.preferredHeight: 10
                                Layout.alignment: Qt.AlignRight | Qt.AlignVCenter
                                color: Style.statusColor(api.motionCodeStatusColor)
                            }
                            WidgetParagraph {
                                objectName: "motionCodeStatusText"
                                text: api.motionCodeStatusText === "" ? "---" : api.motionCodeStatusText
                                color: Style.statusColor(api.motionCodeStatusColor)
                                Accessible.name: Style.statusLineName(text, api.motionCodeStatusColor)
                            }
                            WidgetStatusIcon {
                                width: 10
                                height: 10
                                Layout.preferredWidth: 10
                                Layout.preferredHeight: 10
                                Layout.alignment: Qt.AlignRight | Qt.AlignVCenter
                                color: Style.statusColor(api.seatStatusColor)
                            }
                            WidgetParagraph {
                                objectName: "seatStatusText"
                                text: api.seatStatusText === "" ? "---" : api.seatStatusText
                                color: Style.statusColor(api.seatStatusColor)
                                Accessible.name: Style.statusLineName(text, api.seatStatusColor)
                            }
                            WidgetStatusIcon {
                                visible: linkNotEncryptedText.visible
                                width: 10
                                height: 10
                                Layout.preferredWidth: 10
                                Layout.preferredHeight: 10
                                Layout.alignment: Qt.AlignRight | Qt.AlignVCenter
                                color: Style.statusColor("yellowStatus")
                            }
                            WidgetParagraph {
                                id: linkNotEncryptedText
                                objectName: "linkNotEncryptedText"
                                visible: api.controllerIsConnected && !api.controllerLinkEncrypted
                                text: qsTr("Not encrypted: Wi-Fi keys and sign-in are not sent to this unit")
                                color: Style.statusColor("yellowStatus")
                            }
                        }

                        // The remembered keys could not be used (a damaged file kept aside, a link): said once,
                        // until the user has read it.
                        RowLayout {
                            objectName: "keyStoreNotice"
                            visible: !!api.keyStoreNotice
                            Layout.fillWidth: true
                            Layout.topMargin: 10
                            WidgetParagraph {
                                objectName: "keyStoreNoticeText"
                                text: api.keyStoreNotice ? api.keyStoreNotice : ""
                                textFormat: Text.PlainText
                                color: Style.statusColor("yellowStatus")
                                Layout.fillWidth: true
                            }
                            WidgetButton {
                                objectName: "keyStoreNoticeButton"
                                text: qsTr("OK")
                                onClicked: api.dismissKeyStoreNotice()
                            }
                        }

                        // The unit offers a key other than the one remembered for it: it may have been reset, or
                        // something else answers in its name. Nothing is sent until the user decides. Made when
                        // first shown: most units never get there.
                        Loader {
                            id: unitKeyPanel
                            objectName: "unitKeyPanel"
                            active: false
                            visible: api.unitKeyRefused
                            Layout.fillWidth: true
                            Layout.topMargin: 10
                            onVisibleChanged: {
                                if (visible)
                                    active = true
                            }

                            sourceComponent: ColumnLayout {
                                WidgetParagraph {
                                    objectName: "unitKeyRefusedText"
                                    text: qsTr("Not connected: this VYRA's key has changed. It may have been reset, or another device is answering in its name.")
                                    textFormat: Text.PlainText
                                    color: Style.statusColor("redStatus")
                                }
                                WidgetLabel {
                                    objectName: "pinnedKeyFingerprint"
                                    text: qsTr("Remembered key: %1").arg(api.pinnedKeyFingerprint)
                                    textFormat: Text.PlainText
                                    wrapMode: Text.WrapAnywhere
                                    Layout.fillWidth: true
                                }
                                WidgetLabel {
                                    objectName: "offeredKeyFingerprint"
                                    text: qsTr("Offered key: %1").arg(api.offeredKeyFingerprint)
                                    textFormat: Text.PlainText
                                    wrapMode: Text.WrapAnywhere
                                    Layout.fillWidth: true
                                }
                                WidgetButton {
                                    objectName: "acceptUnitKeyButton"
                                    text: qsTr("Accept the New Key...")
                                    onClicked: acceptUnitKeyDialog.open()
                                }

                                Dialog {
                                    id: acceptUnitKeyDialog
                                    objectName: "acceptUnitKeyDialog"
                                    parent: Overlay.overlay
                                    anchors.centerIn: parent
                                    width: Math.min(parent ? parent.width - 24 : 400, 480)
                                    modal: true
                                    title: qsTr("Accept the new key?")
                                    onAccepted: api.acceptUnitKey()

                                    WidgetParagraph {
                                        width: acceptUnitKeyDialog.availableWidth
                                        text: qsTr("Accept it only if you know this VYRA was reset or replaced, and its key fingerprint reads %1. Otherwise stay disconnected.").arg(api.offeredKeyFingerprint)
                                        textFormat: Text.PlainText
                                    }
                                    footer: DialogButtonBox {
                                        WidgetButton {
                                            objectName: "acceptUnitKeyConfirmButton"
                                            text: qsTr("Accept")
                                            DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
                                        }
                                        WidgetButton {
                                            objectName: "acceptUnitKeyCancelButton"
                                            text: qsTr("Stay Disconnected")
                                            DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
                                        }
                                    }
                                }
                            }
                        }

                        RowLayout {
                            Layout.topMargin: 20
                            WidgetUnfoldButton {
                                id: versionUnfoldButton
                                objectName: "versionUnfoldButton"
                                Accessible.name: qsTr("Version Info")
                                width: 20
                                height: 20
                                Layout.preferredWidth: 20
                                Layout.preferredHeight: 20
                                onFoldedChanged: {
                                    hiddenVersionLayout.visible = !folded
                                    hiddenVersionLayout.enabled = !folded
                                }
                            }
                            WidgetParagraph {
                                text: qsTr("Version Info")
                                Layout.minimumHeight: 30
                                verticalAlignment: Text.AlignVCenter
                                MouseArea {
                                    anchors.fill: parent
                                    acceptedButtons: Qt.AllButtons
                                    propagateComposedEvents: true
                                    onClicked: versionUnfoldButton.folded = !versionUnfoldButton.folded
                                }
                            }
                        }

                        GridLayout {
                            id: hiddenVersionLayout
                            objectName: "hiddenVersionLayout"
                            columns: 2
                            visible: false
                            enabled: false
                            Layout.leftMargin: Style.hidden_LEFT_MARGIN
                            Layout.fillWidth: true

                            WidgetLabel {
                                text: qsTr("App Version:")
                            }
                            WidgetLabel {
                                text: api.appVersion
                                elide: Text.ElideLeft
                                Layout.fillWidth: true
                            }
                            WidgetLabel {
                                text: qsTr("VYRA:")
                            }
                            WidgetLabel {
                                objectName: "versionControllerName"
                                text: api.controllerIsConnected ? api.controllerName : "---"
                                color: api.controllerIsConnected ? Style.color_ACTIVE : Style.color_INACTIVE
                                elide: Text.ElideRight
                                Layout.fillWidth: true
                            }
                            WidgetLabel {
                                text: qsTr("VYRA Software Version:")
                            }
                            WidgetLabel {
                                text: api.controllerVersion
                                elide: Text.ElideLeft
                                Layout.fillWidth: true
                            }
                            WidgetLabel {
                                text: qsTr("Last Motion Code Update:")
                            }
                            WidgetLabel {
                                text: api.lastMotionCodeUpdate
                                wrapMode: Text.WordWrap
                                Layout.fillWidth: true
                            }
                            WidgetParagraph {
                                text: api.updateMessage
                                visible: api.updateMessage !== ""
                                Layout.columnSpan: 2
                            }
                            WidgetParagraph {
                                text: api.upgradeMessage
                                visible: api.upgradeMessage !== ""
                                Layout.columnSpan: 2
                            }
                            WidgetLabel {
                                objectName: "showStartupDialogLink"
                                text: qsTr("Show startup info dialog")
                                font.underline: true
                                color: Style.color_INTERACTIVE_HYPERTEXT
                                Layout.columnSpan: 2
                                MouseArea {
                                    anchors.fill: parent
                                    cursorShape: Qt.PointingHandCursor
                                    onClicked: root.showStartupDialogClicked()
                                    // The link for the keyboard and screen readers. On the mouse area, as
                                    // the label's own role is reset to plain text by Qt.
                                    activeFocusOnTab: true
                                    Accessible.role: Accessible.Link
                                    Accessible.name: parent.text
                                    Accessible.onPressAction: root.showStartupDialogClicked()
                                    Keys.onSpacePressed: root.showStartupDialogClicked()
                                    Keys.onReturnPressed: root.showStartupDialogClicked()
                                    Keys.onEnterPressed: root.showStartupDialogClicked()
                                }
                            }
                        }

                        RowLayout {
                            Layout.topMargin: Style.hidden_TOP_MARGIN
                            WidgetUnfoldButton {
                                id: advancedControlsUnfoldButton
                                objectName: "advancedControlsUnfoldButton"
                                Accessible.name: qsTr("Advanced Controls")
                                width: 20
                                height: 20
                                Layout.preferredWidth: 20
                                Layout.preferredHeight: 20
                                onFoldedChanged: {
                                    if (!folded)
                                        hiddenAdvancedControlsLayout.active = true
                                    hiddenAdvancedControlsLayout.visible = !folded
                                    hiddenAdvancedControlsLayout.enabled = !folded
                                }
                            }
                            WidgetParagraph {
                                text: qsTr("Advanced Controls")
                                Layout.minimumHeight: 30
                                verticalAlignment: Text.AlignVCenter
                                MouseArea {
                                    anchors.fill: parent
                                    acceptedButtons: Qt.AllButtons
                                    propagateComposedEvents: true
                                    onClicked: advancedControlsUnfoldButton.folded = !advancedControlsUnfoldButton.folded
                                }
                            }
                        }

                        // Made the first time it is unfolded: start-up does not pay for controls most
                        // sessions never open.
                        Loader {
                            id: hiddenAdvancedControlsLayout
                            objectName: "hiddenAdvancedControlsLayout"
                            active: false
                            visible: false
                            enabled: false
                            Layout.leftMargin: Style.hidden_LEFT_MARGIN
                            Layout.fillWidth: true
                            onLoaded: {
                                root.showUnitValues()
                                item.motionDelaySlider.isInteractive = true
                                item.recognitionToleranceSlider.isInteractive = true
                            }

                            sourceComponent: ColumnLayout {
                                property alias motionDelaySlider: motionDelaySlider
                                property alias recognitionToleranceSlider: recognitionToleranceSlider

                                WidgetParagraph {
                                    objectName: "motionDelayText"
                                    text: qsTr("Motion Delay: %1 ms").arg(api.motionDelay)
                                    wrapMode: Text.WordWrap
                                }
                                WidgetSliderWithNumber {
                                    id: motionDelaySlider
                                    objectName: "motionDelaySlider"
                                    accessibleName: qsTr("Motion delay in milliseconds")
                                    // Sends only once made and showing the unit's value (onLoaded): building it moves it.
                                    property bool isInteractive: false
                                    from: -200
                                    to: 200
                                    value: 0
                                    height: 32
                                    Layout.fillWidth: true
                                    Layout.preferredHeight: implicitHeight
                                    enabled: api.controllerIsConnected
                                    Material.accent: api.controllerIsConnected ? Material.color(Material.Orange) : Material.color(Material.Grey)
                                    onPositionChanged: {
                                        if (!isInteractive)
                                            return
                                        isInteractive = false
                                        api.sendMotionDelay(Math.round(Style.map(position, 0, 1, from, to)))
                                        isInteractive = true
                                    }
                                }
                                WidgetParagraph {
                                    objectName: "recognitionToleranceText"
                                    text: qsTr("Recognition Tolerance: %1 s").arg(api.recognitionTolerance)
                                    wrapMode: Text.WordWrap
                                }
                                WidgetSliderWithNumber {
                                    id: recognitionToleranceSlider
                                    objectName: "recognitionToleranceSlider"
                                    accessibleName: qsTr("Recognition tolerance in seconds")
                                    // Sends only once made and showing the unit's value (onLoaded): building it moves it.
                                    property bool isInteractive: false
                                    from: 0
                                    to: 100
                                    value: 0
                                    height: 32
                                    Layout.fillWidth: true
                                    Layout.preferredHeight: implicitHeight
                                    enabled: api.controllerIsConnected
                                    Material.accent: api.controllerIsConnected ? Material.color(Material.Orange) : Material.color(Material.Grey)
                                    onPositionChanged: {
                                        if (!isInteractive)
                                            return
                                        isInteractive = false
                                        api.sendRecognitionTolerance(Math.round(Style.map(position, 0, 1, from, to)))
                                        isInteractive = true
                                    }
                                }
                                WidgetButton {
                                    objectName: "resetAdvancedButton"
                                    readonly property int default_MOTION_DELAY: 0
                                    readonly property int default_RECOGNITION_TOLERANCE: 5
                                    text: qsTr("Reset to Defaults")
                                    Layout.alignment: Qt.AlignLeft
                                    enabled: api.controllerIsConnected
                                    Accessible.name: text
                                    Accessible.description: qsTr("Sets the motion delay and the recognition tolerance back to their defaults")
                                    onClicked: {
                                        api.sendRecognitionTolerance(default_RECOGNITION_TOLERANCE)
                                        api.sendMotionDelay(default_MOTION_DELAY)
                                    }
                                }
                            }
                        }

                        Rectangle {
                            color: "transparent"
                            height: 15
                            Layout.preferredHeight: 15
                            Layout.fillWidth: true
                        }
                    }

                    // ---- Now playing column ----
                    ColumnLayout {
                        id: playingColumn
                        width: Style.columnSizeWithSpacing(playingColumn, { "xs": 12, "sm": 6, "md": 6, "lg": 6 }, Style.flow_SPACING)

                        WidgetTitle {
                            text: qsTr("Now Playing")
                        }
                        WidgetParagraph {
                            id: movieTitle
                            objectName: "movieTitle"
                            text: api.mediaTitle === "" ? "---" : api.mediaTitle
                            wrapMode: Text.WordWrap
                        }
                        Item {
                            id: posterBox
                            readonly property int size_MAX_LARGE_DEVICE: 750
                            // A missing poster is drawn rather than shown as a picture: in the user's
                            // language and font, sharp at any size, with a poster's proportions (365 x 475).
                            readonly property bool placeholderShown: poster.placeholder
                            Layout.fillWidth: true
                            Layout.maximumWidth: size_MAX_LARGE_DEVICE
                            Layout.preferredHeight: placeholderShown
                                                    ? Math.round(Math.min(width, size_MAX_LARGE_DEVICE) * 475 / 365)
                                                    : movieImage.sourceSize.width > 0
                                                      ? Math.min(width, size_MAX_LARGE_DEVICE) * movieImage.sourceSize.height / movieImage.sourceSize.width
                                                      : 0
                            Layout.alignment: Qt.AlignLeft

                            Image {
                                id: movieImage
                                objectName: "movieImage"
                                anchors.fill: parent
                                visible: !posterBox.placeholderShown
                                fillMode: Image.PreserveAspectFit
                                horizontalAlignment: Image.AlignLeft
                                Accessible.role: Accessible.Graphic
                                Accessible.name: qsTr("Poster")
                                source: "image://posterimageprovider/MovieImage" + api.movieImage + ".jpg"
                            }
                            Rectangle {
                                id: posterPlaceholder
                                objectName: "posterPlaceholder"
                                visible: posterBox.placeholderShown
                                anchors.fill: parent
                                color: Material.color(Material.Grey, Material.Shade900)
                                border.color: Material.color(Material.Grey, Material.Shade700)
                                border.width: 2
                                radius: 4
                                Accessible.role: Accessible.Graphic
                                Accessible.name: posterPlaceholderText.text
                                // A blank picture above the words.
                                Rectangle {
                                    width: Math.round(parent.width * 0.36)
                                    height: Math.round(parent.width * 0.29)
                                    radius: Math.round(width / 10)
                                    anchors.horizontalCenter: parent.horizontalCenter
                                    anchors.bottom: posterPlaceholderText.top
                                    anchors.bottomMargin: Math.round(parent.width / 12)
                                    color: Material.color(Material.Grey, Material.Shade700)
                                }
                                WidgetLabel {
                                    id: posterPlaceholderText
                                    objectName: "posterPlaceholderText"
                                    anchors.centerIn: parent
                                    anchors.verticalCenterOffset: Math.round(parent.height * 0.15)
                                    width: parent.width - 40
                                    text: qsTr("No Poster")
                                    horizontalAlignment: Text.AlignHCenter
                                    wrapMode: Text.WordWrap
                                    color: Style.color_INACTIVE
                                    font.pixelSize: Math.max(16, Math.round(parent.width / 12))
                                    font.weight: Font.Medium
                                    Accessible.ignored: true
                                }
                            }
                            MouseArea {
                                anchors.fill: parent
                                onDoubleClicked: {
                                    console.log("api.debugInfo():")
                                    api.debugInfo()
                                    root.printModelData()
                                    console.log("--------------")
                                }
                            }
                        }
                        RowLayout {
                            Layout.fillWidth: true
                            WidgetLabel {
                                id: movieProgressLabel
                                objectName: "movieProgressLabel"
                                text: api.mediaProgressOffset
                                horizontalAlignment: Text.AlignRight
                                Layout.fillWidth: true
                            }
                            WidgetLabel {
                                text: "/"
                                // The progress bar announces both times.
                                Accessible.ignored: true
                            }
                            WidgetLabel {
                                id: movieDurationLabel
                                objectName: "movieDurationLabel"
                                text: api.mediaProgressDuration
                                horizontalAlignment: Text.AlignLeft
                                Layout.fillWidth: true
                            }
                        }
                        ProgressBar {
                            id: movieProgressBar
                            objectName: "movieProgressBar"
                            Accessible.name: qsTr("Playback position: %1 of %2").arg(movieProgressLabel.text).arg(movieDurationLabel.text)
                            Layout.fillWidth: true
                            value: 0
                        }
                    }
                }
            }
        }

        // The seats while they share this page. Their cards come after the window's first frame: the page
        // shows without waiting for them.
        Loader {
            id: seatsFlow
            objectName: "statusPageSeats"
            readonly property int count: item ? item.count : 0
            visible: false
            enabled: false
            active: false
            Layout.fillWidth: true
            sourceComponent: WidgetSeats {}

            Connections {
                target: seatsFlow.active ? null : seatsFlow.Window.window
                function onAfterAnimating() {
                    Qt.callLater(function() { seatsFlow.active = true })
                }
            }
        }
    }
}
