import QtQuick 2.12
import QtTest 1.12
import "qrc:/"

// The network page on the program's own Facade, against the simulated unit: what the wizard sends is read
// from the unit, and the unit's answers and network reports are its own messages.
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
        property int markers: 0
        readonly property string sentText: "Wi-Fi settings sent. VYRA is changing network and may be out of reach for a moment."
        readonly property string configuredText: "VYRA Wi-Fi Successfully Configured"
        readonly property string failedText: "VYRA Wi-Fi Configuration Failed"

        // Every case starts from a fresh unit's network, on a new page, with nothing of the last case still on
        // its way: the unit is left stalled, so that neither late answers nor the page's polls can overwrite
        // what a case reports. Cases that need the unit's own answers resume it.
        function init() {
            unit.resume()
            verify(unit.start())
            if (!api.controllerIsConnected)
                verify(session.connectToUnit())
            unit.resetNetwork()
            page = createTemporaryObject(pageComponent, host)
            unit.stall()
            settle()
            unit.reportNetwork()
            var visible = unit.visibleNetworks()
            tryCompare(api, "wifiNetworkList", visible, 20000)
            compare(findChild(page, "wifiNetworksListModel").count, visible.length)
            unit.clearReceived()
            waitForRendering(page)
        }

        // Waits until the application has handled everything the unit sent so far: a list that only this
        // call sends comes after it on the same connection.
        function settle() {
            var marker = "settled " + (++markers)
            reportWifiList([marker])
            tryCompare(api, "wifiNetworkList", [marker], 20000)
        }

        function wizard() {
            return findChild(page, "wifiStackLayout")
        }
        function resultText() {
            return findChild(page, "wifiResultMessageLabel").text
        }

        // Reports as the unit sends them.
        function reportNetwork(wifiOnline, online, hotspot, ssid, addresses) {
            var network = { "online": online, "wifi_online": wifiOnline, "hotspot_active": hotspot,
                            "addresses": addresses || [] }
            if (ssid !== "")
                network.ssid = ssid
            unit.send("GetNetworkState", { "network": network })
        }
        function reportWifiList(names) {
            unit.send("GetWifiList", { "networks": names.map(function(n) { return { "ssid": n, "active": false } }) })
        }
        function reportWifiResult(ok) {
            unit.send("SetWifiSetting", { "setWifi": { "result": ok } })
        }

        // Opens a combo box's list with the mouse and clicks the entry.
        function pick(combo, text) {
            mouseClick(combo)
            tryCompare(combo.popup, "opened", true)
            var view = combo.popup.contentItem
            for (var i = 0; i < combo.count; ++i) {
                if (combo.textAt(i) === text) {
                    view.positionViewAtIndex(i, ListView.Contain)
                    mouseClick(view.itemAtIndex(i))
                    tryCompare(combo.popup, "visible", false)
                    return
                }
            }
            fail("no entry " + text + " in " + combo.objectName)
        }

        // Client mode, the first network the unit sees, and this key typed in.
        function chooseClient(key) {
            compare(wizard().currentIndex, 1)
            mouseClick(findChild(page, "clientOrAdHocButton"))
            compare(wizard().currentIndex, 2)
            waitForRendering(page)
            var ssid = api.wifiNetworkList[0]
            pick(findChild(page, "wifiNetworksComboBox"), ssid)
            mouseClick(findChild(page, "wifiPasswordTextField"))
            for (var i = 0; i < key.length; ++i)
                keyClick(key[i])
            unit.clearReceived()
            return ssid
        }

        function test_pollsOnStart() {
            unit.clearReceived()
            var p = createTemporaryObject(pageComponent, host)
            tryVerify(function() {
                var types = unit.receivedTypes()
                return types.indexOf("GetWifiList") >= 0 && types.indexOf("GetNetworkState") >= 0
            }, 5000)
            compare(findChild(p, "wifiStackLayout").currentIndex, 1)
            compare(findChild(p, "networkInterfacesStackLayout").currentIndex, 0)
        }

        function test_connectionStateDrivesPages() {
            var interfaces = findChild(page, "networkInterfacesStackLayout")
            compare(wizard().currentIndex, 1)
            compare(interfaces.currentIndex, 0)
            mouseClick(findChild(page, "clientOrAdHocButton"))
            compare(wizard().currentIndex, 2)
            unit.stop()
            tryCompare(wizard(), "currentIndex", 0, 20000)
            compare(interfaces.currentIndex, 1)
            verify(unit.start())
            tryCompare(wizard(), "currentIndex", 1, 20000)
            compare(interfaces.currentIndex, 0)
        }

        function test_nextOrApplyText() {
            var button = findChild(page, "clientOrAdHocButton")
            compare(button.text, "Next")
            mouseClick(findChild(page, "adHocRadioButton"))
            compare(button.text, "Apply")
            mouseClick(findChild(page, "clientRadioButton"))
            compare(button.text, "Next")
            compare(unit.receivedText("SetWifiSetting"), [])
        }

        // The unit's own answer and report: the access point is confirmed.
        function test_accessPointByTheUnit() {
            unit.resume()
            mouseClick(findChild(page, "adHocRadioButton"))
            mouseClick(findChild(page, "clientOrAdHocButton"))
            tryVerify(function() { return unit.receivedText("SetWifiSetting").length === 1 }, 5000)
            compare(unit.receivedText("SetWifiSetting")[0], "{\"setWifi\":{\"clear\":true}}")
            tryCompare(findChild(page, "wifiResultMessageLabel"), "text", configuredText, 20000)
            mouseClick(findChild(page, "wifiOkButton"))
            compare(wizard().currentIndex, 1)
        }

        // A unit that says nothing: sent, not configured, until it reports the access point.
        function test_accessPointConfirmedByReport() {
            unit.stall()
            mouseClick(findChild(page, "adHocRadioButton"))
            mouseClick(findChild(page, "clientOrAdHocButton"))
            compare(wizard().currentIndex, 5)
            tryCompare(wizard(), "currentIndex", 4, 5000)
            compare(resultText(), sentText)
            verify(findChild(page, "wifiChangeBusyIndicator").visible)
            reportNetwork(false, true, false, "")
            tryVerify(function() { return unit.receivedTypes().indexOf("SetWifiSetting") >= 0 }, 5000)
            settle()
            compare(resultText(), sentText)
            reportNetwork(false, false, true, "")
            tryCompare(findChild(page, "wifiResultMessageLabel"), "text", configuredText, 5000)
            verify(!findChild(page, "wifiChangeBusyIndicator").visible)
            mouseClick(findChild(page, "wifiOkButton"))
            compare(wizard().currentIndex, 1)
        }

        // The unit takes the key and joins: its report confirms it.
        function test_joinSendsSsidAndKey() {
            unit.resume()
            var ssid = chooseClient("correct horse battery")
            mouseClick(findChild(page, "joinButton"))
            compare(wizard().currentIndex, 3)
            tryVerify(function() { return unit.received("SetWifiSetting").length === 1 }, 5000)
            compare(unit.received("SetWifiSetting")[0], { "setWifi": { "ssid": ssid, "key": "correct horse battery" } })
            tryCompare(findChild(page, "wifiResultMessageLabel"), "text", configuredText, 20000)
        }

        // A WPA passphrase, or the key itself in hexadecimal; the unit lists no open networks.
        function test_wifiKeyRule_data() {
            var hex64 = Array(17).join("0aF9")
            return [
                { tag: "empty", key: "", ok: false },
                { tag: "7 characters", key: "1234567", ok: false },
                { tag: "8 characters", key: "12345678", ok: true },
                { tag: "8 spaces", key: "        ", ok: true },
                { tag: "63 characters", key: Array(64).join("k"), ok: true },
                { tag: "64 characters, not hexadecimal", key: Array(65).join("k"), ok: false },
                { tag: "64 hexadecimal digits", key: hex64, ok: true },
                { tag: "65 hexadecimal digits", key: hex64 + "0", ok: false }
            ]
        }

        function test_wifiKeyRule(data) {
            compare(page.wifiKeyAcceptable(data.key), data.ok)
            // The field holds every key the rule accepts, whole.
            var field = findChild(page, "wifiPasswordTextField")
            field.text = data.key
            if (data.ok)
                compare(field.text, data.key)
            field.text = ""
        }

        function test_joinDisabledWithoutNetwork() {
            mouseClick(findChild(page, "clientOrAdHocButton"))
            waitForRendering(page)
            compare(findChild(page, "wifiNetworksComboBox").currentIndex, -1)
            verify(!findChild(page, "joinButton").enabled)
        }

        // A key that cannot be one never leaves the program. The unit's refusal of another stands, whatever
        // it reports next, and OK comes back to the same network for another key.
        function test_reportedFailureStays() {
            var ssid = chooseClient("short")
            verify(!findChild(page, "joinButton").enabled)
            verify(findChild(page, "wifiKeyHint").visible)
            keyClick(Qt.Key_Return)
            compare(wizard().currentIndex, 2)
            compare(unit.receivedText("SetWifiSetting"), [])
            var more = " enough"
            for (var i = 0; i < more.length; ++i)
                keyClick(more[i])
            verify(findChild(page, "joinButton").enabled)
            verify(!findChild(page, "wifiKeyHint").visible)
            unit.stall()
            mouseClick(findChild(page, "joinButton"))
            tryVerify(function() { return unit.receivedText("SetWifiSetting").length === 1 }, 5000)
            compare(unit.received("SetWifiSetting")[0].setWifi.key, "short enough")
            reportWifiResult(false)
            tryCompare(findChild(page, "wifiResultMessageLabel"), "text", failedText, 5000)
            compare(wizard().currentIndex, 4)
            reportNetwork(true, false, false, ssid)
            // A later message has come through: the report was handled before it.
            reportWifiList([ssid, "Other"])
            tryCompare(api, "wifiNetworkList", [ssid, "Other"], 5000)
            compare(resultText(), failedText)
            mouseClick(findChild(page, "wifiOkButton"))
            compare(wizard().currentIndex, 2)
            compare(findChild(page, "wifiNetworksComboBox").currentText, ssid)
            compare(findChild(page, "wifiPasswordTextField").text, "")
            verify(findChild(page, "wifiPasswordTextField").activeFocus)
            verify(!findChild(page, "joinButton").enabled)
        }

        function test_failureReportedAfterSent() {
            chooseClient("correct horse battery")
            unit.stall()
            mouseClick(findChild(page, "joinButton"))
            tryCompare(wizard(), "currentIndex", 4, 5000)
            compare(resultText(), sentText)
            reportWifiResult(false)
            tryCompare(findChild(page, "wifiResultMessageLabel"), "text", failedText, 5000)
        }

        // Accepted is not yet joined: success waits for the unit to report the network asked for.
        function test_acceptedThenConfirmed() {
            var ssid = chooseClient("correct horse battery")
            unit.stall()
            mouseClick(findChild(page, "joinButton"))
            tryVerify(function() { return unit.receivedText("SetWifiSetting").length === 1 }, 5000)
            unit.clearReceived()
            reportWifiResult(true)
            tryVerify(function() { return unit.receivedTypes().indexOf("GetNetworkState") >= 0 }, 5000)
            compare(resultText(), sentText)
            reportNetwork(true, false, false, ssid + "-other")
            reportNetwork(false, true, false, ssid)
            reportWifiList([ssid + "-marker"])
            tryCompare(api, "wifiNetworkList", [ssid + "-marker"], 5000)
            compare(resultText(), sentText)
            reportNetwork(true, false, false, ssid)
            tryCompare(findChild(page, "wifiResultMessageLabel"), "text", configuredText, 5000)
            // Settled: later answers and reports change nothing.
            reportWifiResult(false)
            reportNetwork(false, false, true, "")
            reportWifiList([ssid + "-marker2"])
            tryCompare(api, "wifiNetworkList", [ssid + "-marker2"], 5000)
            compare(resultText(), configuredText)
        }

        // The unit drops the link while it changes network: never "configured" on silence.
        function test_linkDropShowsSentUntilUnitIsBack() {
            var ssid = chooseClient("correct horse battery")
            unit.stall()
            mouseClick(findChild(page, "joinButton"))
            tryVerify(function() { return unit.receivedText("SetWifiSetting").length === 1 }, 5000)
            unit.stop()
            tryCompare(api, "controllerIsConnected", false, 20000)
            compare(wizard().currentIndex, 4)
            compare(resultText(), sentText)
            compare(findChild(page, "networkInterfacesStackLayout").currentIndex, 1)
            unit.clearReceived()
            verify(unit.start())
            tryCompare(api, "controllerIsConnected", true, 20000)
            compare(wizard().currentIndex, 4)
            tryVerify(function() { return unit.receivedTypes().indexOf("GetNetworkState") >= 0 }, 5000)
            compare(resultText(), sentText)
            reportNetwork(true, false, false, ssid)
            tryCompare(findChild(page, "wifiResultMessageLabel"), "text", configuredText, 5000)
        }

        function test_okWhileUnitAwayForgetsTheChange() {
            var ssid = chooseClient("correct horse battery")
            unit.stall()
            mouseClick(findChild(page, "joinButton"))
            unit.stop()
            tryCompare(api, "controllerIsConnected", false, 20000)
            waitForRendering(page)
            mouseClick(findChild(page, "wifiOkButton"))
            compare(wizard().currentIndex, 0)
            verify(unit.start())
            tryCompare(wizard(), "currentIndex", 1, 20000)
            reportWifiResult(false)
            reportNetwork(true, false, false, ssid)
            reportWifiList(["after"])
            tryCompare(api, "wifiNetworkList", ["after"], 5000)
            compare(wizard().currentIndex, 1)
        }

        function test_listFrozenWhilePopupOpen() {
            reportWifiList(["HomeNet", "Cafe"])
            tryCompare(api, "wifiNetworkList", ["HomeNet", "Cafe"], 5000)
            mouseClick(findChild(page, "clientOrAdHocButton"))
            waitForRendering(page)
            var combo = findChild(page, "wifiNetworksComboBox")
            var model = findChild(page, "wifiNetworksListModel")
            compare(model.count, 2)
            mouseClick(combo)
            tryCompare(combo, "allowChanges", false)
            reportWifiList(["Other"])
            tryCompare(api, "wifiNetworkList", ["Other"], 5000)
            compare(model.count, 2)
            compare(model.get(0).text, "HomeNet")
            keyClick(Qt.Key_Escape)
            tryCompare(combo, "allowChanges", true)
            reportWifiList(["Other", "More"])
            tryCompare(model, "count", 2, 5000)
            tryCompare(model.get(0), "text", "Other", 5000)
        }

        function test_listFrozenWhileKeyFieldFocused() {
            reportWifiList(["HomeNet", "Cafe"])
            tryCompare(api, "wifiNetworkList", ["HomeNet", "Cafe"], 5000)
            mouseClick(findChild(page, "clientOrAdHocButton"))
            waitForRendering(page)
            var field = findChild(page, "wifiPasswordTextField")
            var model = findChild(page, "wifiNetworksListModel")
            mouseClick(field)
            verify(field.activeFocus)
            reportWifiList(["Other", "More", "Again"])
            tryCompare(api, "wifiNetworkList", ["Other", "More", "Again"], 5000)
            compare(model.count, 2)
            keyClick(Qt.Key_Backtab, Qt.ShiftModifier)
            verify(!field.activeFocus)
            reportWifiList(["Other", "More", "Again", "Last"])
            tryCompare(model, "count", 4, 5000)
        }

        function test_interfaces() {
            reportNetwork(false, true, false, "", [
                { "interface_name": "eth0", "ip": "192.168.1.20", "hardware_address": "aa:bb", "broadcast": "192.168.1.255", "netmask": "255.255.255.0" },
                { "interface_name": "wlan0", "ip": "10.0.0.5", "hardware_address": "cc:dd", "broadcast": "10.0.0.255", "netmask": "255.0.0.0" }
            ])
            settle()
            compare(findChild(page, "text_ip_address").text, "192.168.1.20")
            compare(findChild(page, "text_interface_name").text, "eth0")
            var combo = findChild(page, "networkInterfacesComboBox")
            compare(combo.currentIndex, 0)
            compare(combo.count, 2)
            pick(combo, "wlan0")
            compare(findChild(page, "text_netmask").text, "255.0.0.0")
            // A refreshed list keeps showing the chosen position.
            reportNetwork(false, true, false, "", [
                { "interface_name": "eth0", "ip": "192.168.1.21", "hardware_address": "aa:bb", "broadcast": "", "netmask": "" },
                { "interface_name": "wlan0", "ip": "10.0.0.6", "hardware_address": "cc:dd", "broadcast": "", "netmask": "" }
            ])
            settle()
            compare(findChild(page, "text_ip_address").text, "10.0.0.6")
            compare(combo.currentIndex, 1)
            // Fewer interfaces: the extra entry stays, choosing it changes nothing.
            reportNetwork(false, true, false, "", [
                { "interface_name": "eth0", "ip": "192.168.1.22", "hardware_address": "", "broadcast": "", "netmask": "" }])
            settle()
            compare(api.networkInterfaces.length, 1)
            compare(combo.count, 2)
            compare(findChild(page, "text_ip_address").text, "10.0.0.6")
        }

        function test_malformedInterfacesDoNotThrow() {
            unit.send("GetNetworkState", "{\"network\":{\"online\":true,\"wifi_online\":false,\"hotspot_active\":false,"
                      + "\"addresses\":[null,{\"interface_name\":5},\"x\"]}}")
            settle()
            verify(findChild(page, "networkInterfacesComboBox").count <= 2)
            verify(findChild(page, "text_interface_name").text.length < 40)
        }
    }
}
