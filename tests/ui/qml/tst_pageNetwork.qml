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

        function test_accessPointAssumesSuccess() {
            api.controllerIsConnected = true
            settle()
            mouseClick(findChild(page, "adHocRadioButton"))
            mouseClick(findChild(page, "clientOrAdHocButton"))
            compare(wizard().currentIndex, 5)
            compare(api.callsNamed("requestHotspotActivation").length, 1)
            tryCompare(wizard(), "currentIndex", 4, 5000)
            compare(findChild(page, "wifiResultMessageLabel").text, "VYRA Wi-Fi Successfully Configured")
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
            var label = findChild(page, "wifiResultMessageLabel")
            compare(wizard().currentIndex, 4)
            compare(label.text, "VYRA Wi-Fi Configuration Failed")
            // Well past the one-second timer: the unit's answer must not be overwritten.
            wait(1600)
            compare(label.text, "VYRA Wi-Fi Configuration Failed")
        }

        function test_reportedSuccess() {
            connectAndChooseClient()
            mouseClick(findChild(page, "joinButton"))
            api.emitWifiChangeSuccess(true)
            compare(findChild(page, "wifiResultMessageLabel").text, "VYRA Wi-Fi Successfully Configured")
        }

        function test_noAnswerAssumesSuccess() {
            connectAndChooseClient()
            mouseClick(findChild(page, "joinButton"))
            // The unit dropped the link while changing network and never answered.
            api.controllerIsConnected = false
            tryCompare(wizard(), "currentIndex", 4, 5000)
            compare(findChild(page, "wifiResultMessageLabel").text, "VYRA Wi-Fi Successfully Configured")
        }

        function test_lateAnswerIgnored() {
            connectAndChooseClient()
            mouseClick(findChild(page, "joinButton"))
            tryCompare(wizard(), "currentIndex", 4, 5000)
            api.emitWifiChangeSuccess(false)
            compare(findChild(page, "wifiResultMessageLabel").text, "VYRA Wi-Fi Successfully Configured")
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
