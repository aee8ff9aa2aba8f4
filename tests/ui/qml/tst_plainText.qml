import QtQuick 2.12
import QtTest 1.12
import "qrc:/"

// Texts from a unit or the library service carry markup here: every text element that shows one must take
// it as plain text, so that nothing is rendered and no image is fetched.
Item {
    id: host
    width: 1300
    height: 900

    readonly property string markup: "<b>bold</b><img src=\"http://127.0.0.1:9/x.png\"><a href=\"http://127.0.0.1:9/\">l</a>"

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

        function cleanup() {
            api.controllerIsConnected = false
            api.wifiNetworkList = []
            api.networkInterfaces = []
            VYRAList.clearUnits()
        }

        // Text elements under `item` showing the markup, and those of them not taking it as plain text.
        function walk(item, found) {
            if (!item)
                return found
            if (item.textFormat !== undefined && String(item.text).indexOf(host.markup) >= 0) {
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

        function openPopup(combo) {
            verify(combo)
            combo.popup.open()
            tryCompare(combo.popup, "opened", true)
            check(combo.popup.contentItem, combo.count)
            combo.popup.close()
        }

        function test_walkSeesRichText() {
            var text = createTemporaryObject(richTextComponent, host)
            var found = walk(text, { "all": [], "rich": [] })
            compare(found.all.length, 1)
            compare(found.rich.length, 1)
        }

        function test_statusPage() {
            var m = host.markup
            api.controllerIsConnected = true
            api.controllerName = m
            api.mediaTitle = m
            api.mediaProgressOffset = m
            api.mediaProgressDuration = m
            api.controllerVersion = m
            api.lastMotionCodeUpdate = m
            api.updateMessage = m
            api.upgradeMessage = m
            api.controllerStatusText = m
            api.audioSourceStatusText = m
            api.motionCodeStatusText = m
            api.seatStatusText = m
            api.libraryServiceUsername = m
            VYRAList.addUnit(m, "127.0.0.1", 12740, false)
            VYRAList.addUnit(m + "2", "127.0.0.2", 12740, false)
            var page = createTemporaryObject(motionControllerComponent, host)
            // The sign-in part shows (and is made) once the unit answers for the service.
            api.emitLibraryServiceResponseReceived()
            wait(50)
            // Title, four status lines, unit name, version, last update, two update lines, signed-in line.
            check(page, 11)
            openPopup(findChild(page, "controllerNameComboBox"))
        }

        function test_libraryPage() {
            var page = createTemporaryObject(moviesComponent, host)
            mediaList.pushRows([{ "title": host.markup, "cut": host.markup, "duration": host.markup,
                                  "releaseDate": host.markup }])
            wait(50)
            check(page, 4)
        }

        function test_networkPage() {
            var m = host.markup
            var page = createTemporaryObject(networkComponent, host)
            api.controllerIsConnected = true
            api.networkInterfaces = [{ "interface_name": m, "ip": m, "hardware_address": m, "broadcast": m,
                                       "netmask": m }]
            api.wifiNetworkList = [m, m + "2"]
            wait(50)
            check(page, 5)
            openPopup(findChild(page, "networkInterfacesComboBox"))
            openPopup(findChild(page, "wifiNetworksComboBox"))
        }
    }
}
