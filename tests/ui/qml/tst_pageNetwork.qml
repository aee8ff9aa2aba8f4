import QtQuick 2.12
import QtTest 1.12
import "qrc:/"

Item {
    id: host
    width: 1300
    height: 900

    Component {
        id: pageComponent
        PageNetwork {}
    }

    TestCase {
        name: "PageNetwork"
        when: windowShown

        property var page: null

        function init() {
            api.controllerIsConnected = false
            api.wifiNetworkList = []
            api.networkInterfaces = []
            page = createTemporaryObject(pageComponent, host)
            api.clearCalls()
        }

        // Page changes are laid out on the next frame; click only after that.
        function settle() {
            wait(50)
        }

        function wizard() {
            return findChild(page, "wifiStackLayout")
        }

        function connectAndChooseClient() {
            api.controllerIsConnected = true
            compare(wizard().currentIndex, 1)
            api.wifiNetworkList = ["HomeNet", "Cafe"]
            settle()
            mouseClick(findChild(page, "clientOrAdHocButton"))
            compare(wizard().currentIndex, 2)
            settle()
            var combo = findChild(page, "wifiNetworksComboBox")
            combo.currentIndex = 0
            compare(combo.currentText, "HomeNet")
        }

        function test_pollsOnStart() {
            var p = createTemporaryObject(pageComponent, host)
            verify(api.callsNamed("triggerWifiList").length >= 1)
            verify(api.callsNamed("triggerNetworkState").length >= 1)
        }

        function test_madeWhileConnected() {
            api.controllerIsConnected = true
            var p = createTemporaryObject(pageComponent, host)
            compare(findChild(p, "wifiStackLayout").currentIndex, 1)
            compare(findChild(p, "networkInterfacesStackLayout").currentIndex, 0)
            api.controllerIsConnected = false
            compare(findChild(p, "wifiStackLayout").currentIndex, 0)
        }

        function test_connectionStateDrivesPages() {
            var interfaces = findChild(page, "networkInterfacesStackLayout")
            api.controllerIsConnected = true
            compare(wizard().currentIndex, 1)
            compare(interfaces.currentIndex, 0)
            settle()
            mouseClick(findChild(page, "clientOrAdHocButton"))
            compare(wizard().currentIndex, 2)
            api.controllerIsConnected = false
            compare(wizard().currentIndex, 0)
            compare(interfaces.currentIndex, 1)
        }

        function test_nextOrApplyText() {
            api.controllerIsConnected = true
            var button = findChild(page, "clientOrAdHocButton")
            settle()
            compare(button.text, "Next")
            mouseClick(findChild(page, "adHocRadioButton"))
            compare(button.text, "Apply")
            mouseClick(findChild(page, "clientRadioButton"))
            compare(button.text, "Next")
        }

        readonly property string sentText: "Wi-Fi settings sent. VYRA is changing network and may be out of reach for a moment."

        function resultText() {
            return findChild(page, "wifiResultMessageLabel").text
        }

        function test_accessPointConfirmedByReport() {
            api.controllerIsConnected = true
            settle()
            mouseClick(findChild(page, "adHocRadioButton"))
            mouseClick(findChild(page, "clientOrAdHocButton"))
            compare(wizard().currentIndex, 5)
            compare(api.callsNamed("requestHotspotActivation").length, 1)
            // No word from the unit: sent, not configured.
            tryCompare(wizard(), "currentIndex", 4, 5000)
            compare(resultText(), sentText)
            verify(findChild(page, "wifiChangeBusyIndicator").visible)
            api.emitNetworkState(false, true, false, "---")
            compare(resultText(), sentText)
            api.emitNetworkState(false, false, true, "---")
            compare(resultText(), "VYRA Wi-Fi Successfully Configured")
            verify(!findChild(page, "wifiChangeBusyIndicator").visible)
            settle()
            mouseClick(findChild(page, "wifiOkButton"))
            compare(wizard().currentIndex, 1)
        }

        function test_joinSendsSsidAndEmptyKey() {
            connectAndChooseClient()
            mouseClick(findChild(page, "joinButton"))
            compare(wizard().currentIndex, 3)
            var calls = api.callsNamed("triggerWifiChange")
            compare(calls.length, 1)
            compare(calls[0][0], "HomeNet")
            compare(calls[0][1], "")
        }

        function test_joinDisabledWithoutNetwork() {
            connectAndChooseClient()
            findChild(page, "wifiNetworksComboBox").currentIndex = -1
            verify(!findChild(page, "joinButton").enabled)
        }

        function test_reportedFailureStays() {
            connectAndChooseClient()
            mouseClick(findChild(page, "joinButton"))
            api.emitWifiChangeSuccess(false)
            compare(wizard().currentIndex, 4)
            compare(resultText(), "VYRA Wi-Fi Configuration Failed")
            // Well past the one-second timer, and a report of the network: the answer stands.
            wait(1600)
            api.emitNetworkState(true, false, false, "HomeNet")
            compare(resultText(), "VYRA Wi-Fi Configuration Failed")
        }

        function test_failureReportedAfterSent() {
            connectAndChooseClient()
            mouseClick(findChild(page, "joinButton"))
            tryCompare(wizard(), "currentIndex", 4, 5000)
            compare(resultText(), sentText)
            api.emitWifiChangeSuccess(false)
            compare(resultText(), "VYRA Wi-Fi Configuration Failed")
        }

        // Accepted is not yet joined: success waits for the unit to report the network asked for.
        function test_acceptedThenConfirmed() {
            connectAndChooseClient()
            mouseClick(findChild(page, "joinButton"))
            api.clearCalls()
            api.emitWifiChangeSuccess(true)
            compare(resultText(), sentText)
            compare(api.callsNamed("triggerNetworkState").length, 1)
            api.emitNetworkState(true, false, false, "Cafe")
            api.emitNetworkState(false, true, false, "HomeNet")
            compare(resultText(), sentText)
            api.emitNetworkState(true, false, false, "HomeNet")
            compare(resultText(), "VYRA Wi-Fi Successfully Configured")
            // Settled: later answers and reports change nothing.
            api.emitWifiChangeSuccess(false)
            api.emitNetworkState(false, false, true, "---")
            compare(resultText(), "VYRA Wi-Fi Successfully Configured")
        }

        // The unit drops the link while it changes network: never "configured" on silence.
        function test_linkDropShowsSentUntilUnitIsBack() {
            connectAndChooseClient()
            mouseClick(findChild(page, "joinButton"))
            api.controllerIsConnected = false
            compare(wizard().currentIndex, 4)
            compare(resultText(), sentText)
            compare(findChild(page, "networkInterfacesStackLayout").currentIndex, 1)
            wait(1600)
            compare(resultText(), sentText)
            api.clearCalls()
            api.controllerIsConnected = true
            compare(wizard().currentIndex, 4)
            compare(resultText(), sentText)
            verify(api.callsNamed("triggerNetworkState").length >= 1)
            api.emitNetworkState(true, false, false, "HomeNet")
            compare(resultText(), "VYRA Wi-Fi Successfully Configured")
        }

        function test_okWhileUnitAwayForgetsTheChange() {
            connectAndChooseClient()
            mouseClick(findChild(page, "joinButton"))
            api.controllerIsConnected = false
            settle()
            mouseClick(findChild(page, "wifiOkButton"))
            compare(wizard().currentIndex, 0)
            api.controllerIsConnected = true
            compare(wizard().currentIndex, 1)
            api.emitWifiChangeSuccess(false)
            api.emitNetworkState(true, false, false, "HomeNet")
            compare(wizard().currentIndex, 1)
        }

        function test_listFrozenWhilePopupOpen() {
            connectAndChooseClient()
            var combo = findChild(page, "wifiNetworksComboBox")
            var model = findChild(page, "wifiNetworksListModel")
            compare(model.count, 2)
            combo.popup.open()
            tryCompare(combo, "allowChanges", false)
            api.wifiNetworkList = ["Other"]
            compare(model.count, 2)
            compare(model.get(0).text, "HomeNet")
            combo.popup.close()
            tryCompare(combo, "allowChanges", true)
            api.wifiNetworkList = ["Other"]
            compare(model.count, 1)
            compare(model.get(0).text, "Other")
        }

        function test_listFrozenWhileKeyFieldFocused() {
            connectAndChooseClient()
            var field = findChild(page, "wifiPasswordTextField")
            var model = findChild(page, "wifiNetworksListModel")
            field.forceActiveFocus()
            verify(field.activeFocus)
            api.wifiNetworkList = ["Other", "More", "Again"]
            compare(model.count, 2)
            findChild(page, "wifiNetworksComboBox").forceActiveFocus()
            verify(!field.activeFocus)
            api.wifiNetworkList = ["Other", "More", "Again"]
            compare(model.count, 3)
        }

        function test_interfaces() {
            api.controllerIsConnected = true
            api.networkInterfaces = [
                { "interface_name": "eth0", "ip": "192.168.1.20", "hardware_address": "aa:bb", "broadcast": "192.168.1.255", "netmask": "255.255.255.0" },
                { "interface_name": "wlan0", "ip": "10.0.0.5", "hardware_address": "cc:dd", "broadcast": "10.0.0.255", "netmask": "255.0.0.0" }
            ]
            compare(findChild(page, "text_interface_name").text, "eth0")
            compare(findChild(page, "text_ip_address").text, "192.168.1.20")
            var combo = findChild(page, "networkInterfacesComboBox")
            compare(combo.currentIndex, 0)
            compare(combo.count, 2)
            combo.currentIndex = 1
            combo.activated(1)
            compare(findChild(page, "text_netmask").text, "255.0.0.0")
            // A refreshed list keeps showing the chosen position.
            api.networkInterfaces = [
                { "interface_name": "eth0", "ip": "192.168.1.21", "hardware_address": "aa:bb", "broadcast": "", "netmask": "" },
                { "interface_name": "wlan0", "ip": "10.0.0.6", "hardware_address": "cc:dd", "broadcast": "", "netmask": "" }
            ]
            compare(findChild(page, "text_ip_address").text, "10.0.0.6")
            // Fewer interfaces: the extra entry stays, choosing it changes nothing.
            api.networkInterfaces = [{ "interface_name": "eth0", "ip": "192.168.1.22", "hardware_address": "", "broadcast": "", "netmask": "" }]
            compare(combo.count, 2)
            compare(findChild(page, "text_ip_address").text, "10.0.0.6")
        }

        function test_malformedInterfacesDoNotThrow() {
            api.networkInterfaces = [null, { "interface_name": 5 }]
            compare(findChild(page, "text_interface_name").text, "")
            compare(findChild(page, "networkInterfacesComboBox").count, 2)
        }
    }
}
