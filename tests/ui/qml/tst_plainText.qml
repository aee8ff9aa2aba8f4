import QtQuick 2.12
import QtTest 1.12
import "qrc:/"

// Texts from a unit or the library service carry markup here: every text element that shows one must take
// it as plain text, so that nothing is rendered and no image is fetched.
Item {
    id: host
    width: 1300
    height: 900

    // Short enough for a unit's name.
    readonly property string markup: "<b>b</b><img src=\"http://127.0.0.1:9/x.png\"><a href=\"x\">l</a>"
    readonly property int minimumShown: 4

    Component {
        id: motionControllerComponent
        PageMotionController {}
    }
    Component {
        id: moviesComponent
        Item {
            width: 1200
            height: 800
            PageMovies {}
        }
    }
    Component {
        id: networkComponent
        PageNetwork {}
    }
    Component {
        id: richTextComponent
        Text {
            text: host.markup
        }
    }

    TestCase {
        name: "PlainText"
        when: windowShown

        function initTestCase() {
            verify(session.connectToUnit())
        }

        // Text elements under `item` showing the markup, and those of them not taking it as plain text.
        function walk(item, found) {
            if (!item)
                return found
            // Texts from the network may be cut to a length: their start is enough.
            if (item.textFormat !== undefined && String(item.text).indexOf(host.markup.substring(0, 12)) >= 0) {
                found.all.push(item)
                if (item.textFormat !== Text.PlainText)
                    found.rich.push(String(item) + " " + item.objectName)
            }
            var children = item.children || []
            for (var i = 0; i < children.length; ++i)
                walk(children[i], found)
            return found
        }

        function check(item, atLeast) {
            var found = walk(item, { "all": [], "rich": [] })
            verify(found.all.length >= atLeast, "markup shown by " + found.all.length + " elements: " + found.all)
            compare(found.rich, [])
        }

        function openPopup(combo, atLeast) {
            verify(combo)
            mouseClick(combo)
            tryCompare(combo.popup, "opened", true)
            var view = combo.popup.contentItem
            tryVerify(function() {
                for (var i = 0; i < combo.count; ++i)
                    if (!view.itemAtIndex(i))
                        return false
                return true
            }, 5000)
            var texts = []
            for (var i = 0; i < combo.count; ++i)
                texts.push(view.itemAtIndex(i).text)
            check(view, atLeast)
            keyClick(Qt.Key_Escape)
            tryCompare(combo.popup, "visible", false)
        }

        function test_walkSeesRichText() {
            var text = createTemporaryObject(richTextComponent, host)
            var found = walk(text, { "all": [], "rich": [] })
            compare(found.all.length, 1)
            compare(found.rich.length, 1)
        }

        // Every text of the unit's own that the status page shows, sent in the unit's own messages.
        function test_statusPage() {
            var m = host.markup
            // A second unit announcing a name with markup.
            session.addUnit(m + "2", false)
            var page = createTemporaryObject(motionControllerComponent, host)
            tryVerify(function() { return VYRAList.rowCount() === 2 }, 20000)
            tryVerify(function() { var s = findChild(page, "statusStack"); return s && s.visible }, 20000)
            // The unit reports texts with markup (again as long as its own polls answer otherwise).
            tryVerify(function() {
                unit.send("GetVyraNameNotification", { "vyraName": m })
                unit.setMediaStatus({ "mediaIdState": "ident_success", "motionCodeState": "available",
                                      "mediaTitle": m, "mediaOffset": 1, "mediaDuration": 2, "message": m })
                unit.send("GetUpgradeNotification", { "upgrade": { "last": { "version": m, "status": "failed" },
                                                                   "current": { "version": m } } })
                unit.send("GetUpdateNotification", { "update": { "last": { "status": m },
                                                                 "current": { "updatedTimestamp": m } } })
                unit.send("GetLibraryServiceLoginStatus", { "username": m, "isRegistered": true,
                                                            "serviceURI": "http://127.0.0.1:9/" })
                return api.libraryServiceUsername === m && api.controllerName === m && api.mediaTitle === m
            }, 10000, JSON.stringify([api.libraryServiceUsername, api.controllerName, api.mediaTitle]))
            mouseClick(findChild(page, "versionUnfoldButton"))
            tryVerify(function() { return findChild(page, "signedInLabel") !== null }, 5000)
            // Unit name (versions), title, version, signed-in line.
            check(page, host.minimumShown)
            openPopup(findChild(page, "controllerNameComboBox"), 1)
        }

        function test_libraryPage() {
            var m = host.markup
            var page = createTemporaryObject(moviesComponent, host)
            // After the unit's own library, which the connection brought.
            tryVerify(function() { return mediaList.tableModel.rowCount() > 1 }, 20000)
            unit.send("GetMediaListNotification", { "library": { "media": [
                { "title": m, "releaseDate": m, "imdbRef": m, "duration": m, "cut": m, "language": m } ] } })
            tryVerify(function() { return mediaList.tableModel.rowCount() === 1 }, 20000)
            var view = findChild(page, "moviesListView")
            tryVerify(function() { return view.itemAtIndex(0) !== null }, 5000)
            check(page, 4)
        }

        function test_networkPage() {
            var m = host.markup
            // Held still, the unit sends only what follows, not its own network.
            unit.stall()
            var page = createTemporaryObject(networkComponent, host)
            unit.send("GetNetworkState", { "network": { "online": true, "wifi_online": true, "hotspot_active": false,
                "ssid": m, "addresses": [{ "interface_name": m, "ip": m, "hardware_address": m, "broadcast": m,
                                           "netmask": m }] } })
            unit.send("GetWifiList", { "networks": [{ "ssid": m, "active": true }, { "ssid": m + "2", "active": false }] })
            tryVerify(function() { return api.wifiNetworkList.length === 2 && api.networkInterfaces.length === 1 }, 20000,
                      JSON.stringify([api.wifiNetworkList, api.networkInterfaces]))
            mouseClick(findChild(page, "clientOrAdHocButton"))
            var combo = findChild(page, "wifiNetworksComboBox")
            tryVerify(function() { return combo.visible && combo.width > 0 }, 5000)
            check(page, 5)
            openPopup(findChild(page, "networkInterfacesComboBox"), 1)
            openPopup(findChild(page, "wifiNetworksComboBox"), 2)
            unit.resume()
        }
    }
}
