import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Controls.Material 2.12
import QtQuick.Layouts 1.12
import QtQuick.Window 2.12
import "."

// The unit's Wi-Fi (a small wizard: client of a chosen network or access point)
// and its network interfaces. Polls the unit every 15 s while the page exists.
Flickable {
    id: root
    property var wifiNetworkList: api.wifiNetworkList
    property bool controllerIsConnected: api.controllerIsConnected
    property var networkInterfaces: api.networkInterfaces
    readonly property real width_NETWORK_WIDGETS_RATIO: 0.8
    signal controllerGoesOffline()
    signal controllerGoesOnline()

    anchors.fill: parent
    clip: true
    ScrollBar.vertical: ScrollBar {
        Accessible.name: qsTr("Scroll the page")
    }
    contentWidth: width
    contentHeight: flow.height
    leftMargin: Style.flickable_LEFT_MARGIN
    rightMargin: Style.flickable_RIGHT_MARGIN
    topMargin: Style.flickable_TOP_MARGIN
    bottomMargin: Style.flickable_BOTTOM_MARGIN

    // "Wi-Fi" is one word: a word joiner after its hyphen keeps a wrapping text from breaking it across two
    // lines. The joiner has no width and no glyph, so every font shows the text unchanged.
    function unbroken(text) {
        return text.replace(/Wi-Fi/g, "Wi-\u2060Fi")
    }

    function doQueryNetworkState() {
        api.triggerWifiList()
        api.triggerNetworkState()
    }

    onControllerIsConnectedChanged: {
        if (controllerIsConnected) {
            controllerGoesOnline()
            // Fill the page now rather than at the next 15-second poll.
            doQueryNetworkState()
        } else {
            controllerGoesOffline()
        }
    }

    onWifiNetworkListChanged: {
        // Never pull the list from under a user who is picking a network or typing its key.
        if (!wifiNetworksComboBox.allowChanges || !wifiPasswordTextField.allowChanges)
            return
        // The network chosen stays chosen while the unit still lists it.
        var chosen = wifiNetworksComboBox.currentIndex >= 0 ? wifiNetworksComboBox.currentText : ""
        wifiNetworksListModel.clear()
        var list = wifiNetworkList || []
        for (var i = 0; i < list.length; ++i)
            wifiNetworksListModel.append({ "text": String(list[i]) })
        if (chosen !== "" && wifiNetworksComboBox.find(chosen) >= 0)
            wifiNetworksComboBox.currentIndex = wifiNetworksComboBox.find(chosen)
    }

    // WPA: a passphrase of 8 to 63 characters, or the key itself as 64 hexadecimal digits. The unit's
    // list does not say which networks are open, and the unit refuses a join without such a key.
    function wifiKeyAcceptable(key) {
        return (key.length >= 8 && key.length <= 63) || /^[0-9A-Fa-f]{64}$/.test(key)
    }


    onNetworkInterfacesChanged: networkInterfacesStackLayout.updateNetworkInterfaces(api.networkInterfaces)

    function showConnectionState() {
        if (api.controllerIsConnected) {
            networkInterfacesStackLayout.currentIndex = networkInterfacesStackLayout.index_CONNECTED
            wifiStackLayout.currentIndex = wifiStackLayout.index_CONNECTED
        } else {
            networkInterfacesStackLayout.currentIndex = networkInterfacesStackLayout.index_NOT_CONNECTED
            wifiStackLayout.currentIndex = wifiStackLayout.index_NOT_CONNECTED
        }
        // A unit that changes network drops the link and may come back on the new one: the wizard
        // keeps waiting for the unit's word on its change instead of starting over.
        if (wifiStackLayout.pendingChange !== null)
            wifiStackLayout.showSent()
    }

    // The page is created when first shown, possibly while a unit is already connected.
    Component.onCompleted: {
        if (api.controllerIsConnected)
            showConnectionState()
    }

    Connections {
        target: api
        function onControllerIsConnectedChanged() {
            root.showConnectionState()
        }
    }

    ListModel {
        id: wifiNetworksListModel
        objectName: "wifiNetworksListModel"
        ListElement {
            text: "---"
        }
    }

    ListModel {
        id: networkInterfacesListModel
        property var selected_index: -1
        property var network_interfaces_texts: []
        property int interfaceCount: 0
    }

    Timer {
        id: triggerWifiListTimer
        interval: 15000
        running: true
        repeat: true
        onTriggered: root.doQueryNetworkState()
        Component.onCompleted: root.doQueryNetworkState()
    }

    Flow {
        id: flow
        width: parent.width
        spacing: Style.flow_SPACING

        Component.onCompleted: {
            triggerWifiListTimer.running = true
            console.log("start wifi timer")
        }

        WidgetFrame {
            id: wifiCard
            width: Style.columnSizeWithSpacing(wifiCard, { "sm": 12, "md": 6, "lg": 6 }, Style.flow_SPACING)

            ColumnLayout {
                anchors.left: parent.left
                anchors.right: parent.right

                WidgetTitle {
                    text: root.unbroken(qsTr("VYRA Wi-Fi Settings"))
                }

                StackLayout {
                    id: wifiStackLayout
                    objectName: "wifiStackLayout"
                    readonly property int index_NOT_CONNECTED: 0
                    readonly property int index_CONNECTED: 1
                    readonly property int index_CHOOSE_CLIENT_OR_AD_HOC: 1
                    readonly property int index_CLIENT_CHOOSE_WIFI_NETWORK: 2
                    readonly property int index_CLIENT_PROGRESS: 3
                    readonly property int index_RESULT: 4
                    readonly property int index_AD_HOC_PROGRESS: 5
                    Layout.fillWidth: true

                    // The change asked of the unit and not yet confirmed by it: null, or
                    // { "hotspot": bool, "ssid": network name }.
                    property var pendingChange: null
                    // The last change the unit refused: "OK" goes back to it rather than to the start.
                    property var refusedChange: null
                    // The user was working the wizard when the change started: the result takes the focus.
                    property bool focusFollows: false

                    // Each step hands the keyboard focus on: the control that had it is hidden now.
                    function focusOn(item) {
                        Style.showFocus(item)
                    }

                    function showResult(text) {
                        wifiResultMessageLabel.text = text
                        currentIndex = index_RESULT
                        if (focusFollows && !Style.isControl(root.Window.activeFocusItem))
                            focusOn(wifiOkButton)
                    }

                    function startChange(change, progressPage) {
                        focusFollows = Style.isInside(root.Window.activeFocusItem, wifiCard)
                        pendingChange = change
                        refusedChange = null
                        currentIndex = progressPage
                    }

                    function finishChange(success) {
                        if (!success)
                            refusedChange = pendingChange
                        pendingChange = null
                        showResult(success ? wifiResultMessageLabel.resultSuccess : wifiResultMessageLabel.resultFailed)
                    }

                    // Sent, but not confirmed: the unit may be out of reach while it changes network.
                    function showSent() {
                        showResult(wifiResultMessageLabel.resultSent)
                    }

                    // Success only on the unit's word: it reports the network asked for (or the access point).
                    function networkStateCb(wifiOnline, accessPoint, ssid) {
                        var change = pendingChange
                        if (change === null)
                            return
                        if (change.hotspot ? accessPoint : (wifiOnline && ssid === change.ssid))
                            finishChange(true)
                    }

                    // 0: no unit
                    ColumnLayout {
                        WidgetParagraph {
                            text: qsTr("Unable to find any VYRA on the same local network as this device.")
                            Layout.bottomMargin: 10
                            Layout.maximumWidth: wifiCard.availableWidth - 2 * Style.flow_SPACING
                        }
                        WidgetParagraph {
                            text: root.unbroken(qsTr("By default, unless a network cable is connected, VYRA will act as a Wi-Fi access point. In this case, connect to Wi-Fi network whose SSID starts with \"%1\", using security key \"%2\".").arg("VYRA").arg("kfpw7351"))
                            Layout.maximumWidth: wifiCard.availableWidth - 2 * Style.flow_SPACING
                        }
                    }

                    // 1: client or access point
                    ColumnLayout {
                        WidgetLabel {
                            text: root.unbroken(qsTr("VYRA can either be a client that connects to the Wi-Fi network of your choice, or operate as a Wi-Fi access point."))
                            wrapMode: Text.Wrap
                            Layout.fillWidth: true
                        }
                        RadioButton {
                            id: clientRadioButton
                            objectName: "clientRadioButton"
                            Accessible.name: text
                            Keys.onReturnPressed: checked = true
                            Keys.onEnterPressed: checked = true
                            text: qsTr("Set VYRA as Wi-Fi Client (recommended)")
                            checked: true
                            Layout.topMargin: 10
                            onCheckedChanged: {
                                if (checked)
                                    clientOrAdHocButton.text = clientOrAdHocButton.nextText
                            }
                        }
                        RadioButton {
                            id: adHocRadioButton
                            objectName: "adHocRadioButton"
                            Accessible.name: text
                            Keys.onReturnPressed: checked = true
                            Keys.onEnterPressed: checked = true
                            text: qsTr("Set VYRA as Wi-Fi Access Point")
                            onCheckedChanged: {
                                if (checked)
                                    clientOrAdHocButton.text = clientOrAdHocButton.applyText
                            }
                        }
                        WidgetButton {
                            id: clientOrAdHocButton
                            objectName: "clientOrAdHocButton"
                            readonly property string nextText: qsTr("Next")
                            readonly property string applyText: qsTr("Apply")
                            text: nextText
                            highlighted: true
                            onClicked: {
                                wifiPasswordTextField.text = ""
                                wifiNetworksComboBox.currentIndex = -1
                                if (clientRadioButton.checked) {
                                    wifiStackLayout.currentIndex = wifiStackLayout.index_CLIENT_CHOOSE_WIFI_NETWORK
                                    wifiStackLayout.focusOn(wifiNetworksComboBox)
                                } else {
                                    wifiStackLayout.startChange({ "hotspot": true, "ssid": "" },
                                                                wifiStackLayout.index_AD_HOC_PROGRESS)
                                    ad_hoc_configure_timer.start()
                                    api.requestHotspotActivation()
                                }
                            }
                        }
                    }

                    // 2: network and key
                    ColumnLayout {
                        WidgetParagraph {
                            text: root.unbroken(qsTr("Select a Wi-Fi Network for VYRA to connect to."))
                        }
                        RowLayout {
                            Layout.fillWidth: true
                            WidgetComboBox {
                                id: wifiNetworksComboBox
                                objectName: "wifiNetworksComboBox"
                                property bool allowChanges: true
                                model: wifiNetworksListModel
                                textRole: "text"
                                Accessible.name: qsTr("Wi-Fi network: %1").arg(currentText)
                                Layout.minimumWidth: Math.min(wifiCard.availableWidth * root.width_NETWORK_WIDGETS_RATIO,
                                                              wifiCard.availableWidth - refreshButton.width - 10)
                                Layout.maximumWidth: wifiCard.availableWidth * root.width_NETWORK_WIDGETS_RATIO
                                Layout.fillWidth: true
                                Connections {
                                    target: wifiNetworksComboBox.popup
                                    function onOpened() {
                                        wifiNetworksComboBox.allowChanges = false
                                    }
                                    function onClosed() {
                                        wifiNetworksComboBox.allowChanges = true
                                    }
                                }
                            }
                            WidgetButton {
                                id: refreshButton
                                objectName: "refreshButton"
                                text: qsTr("Refresh")
                                Accessible.name: text
                                Accessible.description: qsTr("Asks the VYRA for the Wi-Fi networks it sees")
                                Layout.alignment: Qt.AlignRight
                                onClicked: {
                                    console.log("refresh button clicked")
                                    wifiNetworksComboBox.popup.close()
                                    api.triggerWifiList()
                                }
                            }
                        }
                        WidgetTextField {
                            id: wifiPasswordTextField
                            objectName: "wifiPasswordTextField"
                            Keys.onReturnPressed: if (joinButton.enabled) joinButton.clicked()
                            Keys.onEnterPressed: if (joinButton.enabled) joinButton.clicked()
                            property bool allowChanges: !activeFocus
                            Layout.fillWidth: true
                            // Room for the longest WPA key (64 hexadecimal digits); wifiKeyAcceptable() decides.
                            maximumLength: 64
                            placeholderText: qsTr("Password")
                            echoMode: TextInput.Password
                            inputMethodHints: Qt.ImhHiddenText | Qt.ImhNoAutoUppercase | Qt.ImhNoPredictiveText | Qt.ImhSensitiveData
                            readonly property bool acceptable: root.wifiKeyAcceptable(text)
                            // Qt withholds the name of a password field from screen readers, which read its
                            // description instead; Qt sets that to the placeholder when they start: put it back.
                            readonly property string accessibleName: qsTr("Wi-Fi security key")
                            Accessible.name: accessibleName
                            Accessible.description: accessibleName
                            Accessible.onDescriptionChanged: {
                                if (Accessible.description !== accessibleName)
                                    Accessible.description = accessibleName
                            }
                        }
                        WidgetParagraph {
                            id: wifiKeyHint
                            objectName: "wifiKeyHint"
                            text: qsTr("The security key has 8 to 63 characters, or 64 hexadecimal digits.")
                            visible: !wifiPasswordTextField.acceptable
                            // A hint until the user typed something that cannot be a key.
                            color: wifiPasswordTextField.text === "" ? wifiPasswordTextField.Material.hintTextColor
                                                                      : Style.text_ERROR
                            Layout.maximumWidth: wifiCard.availableWidth - 2 * Style.flow_SPACING
                        }
                        RowLayout {
                            WidgetButton {
                                id: joinButton
                                objectName: "joinButton"
                                text: qsTr("Join")
                                highlighted: true
                                enabled: wifiNetworksComboBox.currentText !== "" && wifiPasswordTextField.acceptable
                                onClicked: {
                                    console.log("join button clicked")
                                    var ssid = wifiNetworksComboBox.currentText
                                    wifiStackLayout.startChange({ "hotspot": false, "ssid": ssid },
                                                                wifiStackLayout.index_CLIENT_PROGRESS)
                                    fake_wifi_configure_timer.start()
                                    var key = wifiPasswordTextField.text
                                    if (ssid === "")
                                        console.log("Error: no wifi ssid set")
                                    else if (key === "")
                                        console.log("Warning: wifi password is empty")
                                    console.log("qml: api.triggerWifiChange " + ssid)
                                    api.triggerWifiChange(ssid, key)
                                }
                            }
                            WidgetButton {
                                objectName: "wifiCancelButton"
                                text: qsTr("Cancel")
                                onClicked: {
                                    console.log("cancel button clicked")
                                    wifiStackLayout.currentIndex = wifiStackLayout.index_CHOOSE_CLIENT_OR_AD_HOC
                                    wifiStackLayout.focusOn(clientRadioButton.checked ? clientRadioButton : adHocRadioButton)
                                }
                            }
                        }
                    }

                    // 3: client configuration under way
                    RowLayout {
                        id: clientProgressRow
                        WidgetParagraph {
                            id: configuringInProgressText
                            readonly property string configuringText: qsTr("Configuring VYRA Wi-Fi...")
                            text: configuringText
                        }
                        BusyIndicator {
                            running: wifiStackLayout.currentIndex === wifiStackLayout.index_CLIENT_PROGRESS
                            Accessible.name: configuringInProgressText.configuringText
                        }

                        Timer {
                            id: fake_wifi_configure_timer
                            interval: 1000
                            repeat: false
                            running: false
                            // The unit often drops the link while it changes network and never answers:
                            // say what is known, that the settings went out.
                            onTriggered: {
                                if (wifiStackLayout.currentIndex === wifiStackLayout.index_CLIENT_PROGRESS)
                                    wifiStackLayout.showSent()
                            }
                        }

                        // The unit's answer: a failure ends the change; an acceptance is not yet the new
                        // network, which the unit's next network state confirms.
                        function wifiChangeSuccessCb(success) {
                            console.log("wifiChangeSuccessCb(" + success + ")")
                            if (wifiStackLayout.pendingChange === null)
                                return
                            if (!success) {
                                wifiStackLayout.finishChange(false)
                                return
                            }
                            wifiStackLayout.showSent()
                            api.triggerNetworkState()
                        }

                        // A Connections drops the link when the page goes, unlike connect().
                        Connections {
                            target: api
                            function onWifiChangeSuccess(success) {
                                clientProgressRow.wifiChangeSuccessCb(success)
                            }
                            function onNetworkStateReceived(wifiOnline, lanOnline, accessPoint, ssid) {
                                wifiStackLayout.networkStateCb(wifiOnline, accessPoint, ssid)
                            }
                        }
                    }

                    // 4: result
                    ColumnLayout {
                        WidgetParagraph {
                            id: wifiResultMessageLabel
                            objectName: "wifiResultMessageLabel"
                            readonly property string resultSuccess: qsTr("VYRA Wi-Fi Successfully Configured")
                            readonly property string resultFailed: qsTr("VYRA Wi-Fi Configuration Failed")
                            readonly property string resultSent: qsTr("Wi-Fi settings sent. VYRA is changing network and may be out of reach for a moment.")
                            text: ""
                            Layout.maximumWidth: wifiCard.availableWidth - 2 * Style.flow_SPACING
                        }
                        BusyIndicator {
                            objectName: "wifiChangeBusyIndicator"
                            visible: wifiStackLayout.pendingChange !== null
                            running: visible && wifiStackLayout.currentIndex === wifiStackLayout.index_RESULT
                        }
                        WidgetButton {
                            id: wifiOkButton
                            objectName: "wifiOkButton"
                            text: qsTr("OK")
                            onClicked: {
                                console.log("Reset button clicked")
                                var refused = wifiStackLayout.refusedChange
                                wifiStackLayout.pendingChange = null
                                wifiStackLayout.refusedChange = null
                                if (!api.controllerIsConnected) {
                                    wifiStackLayout.currentIndex = wifiStackLayout.index_NOT_CONNECTED
                                } else if (refused !== null && !refused.hotspot
                                           && wifiNetworksComboBox.find(refused.ssid) >= 0) {
                                    // Refused: the same network again, for another key.
                                    wifiNetworksComboBox.currentIndex = wifiNetworksComboBox.find(refused.ssid)
                                    wifiPasswordTextField.text = ""
                                    wifiStackLayout.currentIndex = wifiStackLayout.index_CLIENT_CHOOSE_WIFI_NETWORK
                                    wifiStackLayout.focusOn(wifiPasswordTextField)
                                } else {
                                    wifiStackLayout.currentIndex = wifiStackLayout.index_CHOOSE_CLIENT_OR_AD_HOC
                                    wifiStackLayout.focusOn(clientRadioButton.checked ? clientRadioButton : adHocRadioButton)
                                }
                            }
                        }
                    }

                    // 5: access point configuration under way
                    RowLayout {
                        WidgetParagraph {
                            text: configuringInProgressText.configuringText
                        }
                        BusyIndicator {
                            running: wifiStackLayout.currentIndex === wifiStackLayout.index_AD_HOC_PROGRESS
                            Accessible.name: configuringInProgressText.configuringText
                        }
                        Timer {
                            id: ad_hoc_configure_timer
                            interval: 1000
                            repeat: false
                            running: false
                            onTriggered: {
                                if (wifiStackLayout.currentIndex === wifiStackLayout.index_AD_HOC_PROGRESS)
                                    wifiStackLayout.showSent()
                            }
                        }
                    }
                }
            }
        }

        WidgetFrame {
            id: interfacesCard
            width: Style.columnSizeWithSpacing(interfacesCard, { "sm": 12, "md": 6, "lg": 6 }, Style.flow_SPACING)

            StackLayout {
                id: networkInterfacesStackLayout
                objectName: "networkInterfacesStackLayout"
                readonly property int index_CONNECTED: 0
                readonly property int index_NOT_CONNECTED: 1
                anchors.left: parent.left
                anchors.right: parent.right
                currentIndex: 0

                function updateNetworkInterfaces(addresses) {
                    var list = addresses || []
                    networkInterfacesListModel.network_interfaces_texts = []
                    var texts = []
                    for (var i = 0; i < list.length; ++i) {
                        var entry = list[i] || {}
                        texts[i] = {
                            "interface_name": String(entry.interface_name !== undefined ? entry.interface_name : ""),
                            "ip": String(entry.ip !== undefined ? entry.ip : ""),
                            "hardware_address": String(entry.hardware_address !== undefined ? entry.hardware_address : ""),
                            "broadcast": String(entry.broadcast !== undefined ? entry.broadcast : ""),
                            "netmask": String(entry.netmask !== undefined ? entry.netmask : "")
                        }
                        if (i === networkInterfacesListModel.count)
                            networkInterfacesListModel.append({ "text": texts[i].interface_name })
                        else
                            networkInterfacesListModel.set(i, { "text": texts[i].interface_name })
                    }
                    networkInterfacesListModel.network_interfaces_texts = texts
                    networkInterfacesListModel.interfaceCount = texts.length
                    if (networkInterfacesListModel.selected_index >= 0) {
                        setNetworkInterfaceIndex(networkInterfacesListModel.selected_index)
                    } else if (texts.length > 0) {
                        setNetworkInterfaceIndex(0)
                        networkInterfacesComboBox.currentIndex = 0
                    }
                }

                function setNetworkInterfaceIndex(i) {
                    networkInterfacesListModel.selected_index = i
                    var texts = networkInterfacesListModel.network_interfaces_texts
                    if (i >= 0 && i < texts.length) {
                        text_interface_name.text = texts[i].interface_name
                        text_ip_address.text = texts[i].ip
                        text_mac_address.text = texts[i].hardware_address
                        text_broadcast.text = texts[i].broadcast
                        text_netmask.text = texts[i].netmask
                    } else {
                        console.info("Warning: Invalid index for the array of network interfaces statuses: " + i)
                    }
                }

                ColumnLayout {
                    WidgetTitle {
                        id: titleNetworkInterfaces
                        readonly property string titleText: qsTr("VYRA Network Interfaces")
                        text: titleText
                        // Elided, not wrapped: a wrapping title inside the stack layout
                        // makes the layouts resize each other in a loop.
                        wrapMode: Text.NoWrap
                    }
                    WidgetComboBox {
                        id: networkInterfacesComboBox
                        objectName: "networkInterfacesComboBox"
                        Accessible.name: qsTr("Network interface: %1").arg(currentText)
                        model: networkInterfacesListModel
                        textRole: "text"
                        // Sized from the card, not from the layout it sits in, to avoid a polish loop.
                        Layout.minimumWidth: interfacesCard.availableWidth * root.width_NETWORK_WIDGETS_RATIO
                        Layout.maximumWidth: interfacesCard.availableWidth * root.width_NETWORK_WIDGETS_RATIO
                        Component.onCompleted: activated.connect(function(index) {
                            console.log("ComboBox activated " + index)
                            networkInterfacesStackLayout.setNetworkInterfaceIndex(currentIndex)
                        })
                    }
                    GridLayout {
                        columns: 2
                        rowSpacing: 1
                        columnSpacing: 10

                        WidgetLabel {
                            text: qsTr("Interface Name:")
                        }
                        WidgetLabel {
                            id: text_interface_name
                            objectName: "text_interface_name"
                            text: ""
                        }
                        WidgetLabel {
                            text: qsTr("IP Address:")
                        }
                        WidgetLabel {
                            id: text_ip_address
                            objectName: "text_ip_address"
                            text: ""
                        }
                        WidgetLabel {
                            text: qsTr("MAC Address:")
                        }
                        WidgetLabel {
                            id: text_mac_address
                            objectName: "text_mac_address"
                            text: ""
                        }
                        WidgetLabel {
                            text: qsTr("Broadcast:")
                        }
                        WidgetLabel {
                            id: text_broadcast
                            objectName: "text_broadcast"
                            text: ""
                        }
                        WidgetLabel {
                            text: qsTr("Subnet Mask:")
                        }
                        WidgetLabel {
                            id: text_netmask
                            objectName: "text_netmask"
                            text: ""
                        }
                        WidgetLabel {
                            text: qsTr("Gateway:")
                            visible: false
                            enabled: false
                            Layout.columnSpan: 2
                        }
                        WidgetLabel {
                            text: qsTr("Primary DNS:")
                            visible: false
                            enabled: false
                            Layout.columnSpan: 2
                        }
                        WidgetLabel {
                            text: qsTr("Secondary DNS:")
                            visible: false
                            enabled: false
                            Layout.columnSpan: 2
                        }
                    }
                }

                ColumnLayout {
                    WidgetTitle {
                        text: titleNetworkInterfaces.titleText
                        wrapMode: Text.NoWrap
                    }
                    WidgetParagraph {
                        text: qsTr("Not Connected to any VYRA")
                        Layout.alignment: Qt.AlignTop
                    }
                }
            }
        }
    }
}
