import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Controls.Material 2.12
import QtQuick.Layouts 1.12
import "."

// Finding a unit: what the program is doing while no unit answers, what to check when none has answered
// for a while, and a unit named by its address.
ColumnLayout {
    id: root
    // Units in the discovered list.
    property int unitCount: 0
    // How long the search goes on before the checks are shown.
    readonly property int notFound_DELAY_MS: 10000
    readonly property bool searching: !api.controllerIsConnected && unitCount === 0
    property bool notFound: false
    property bool addressFieldShown: false

    onSearchingChanged: {
        if (!searching)
            notFound = false
    }

    function connectToTypedAddress() {
        var error = api.unitAddressError(addressField.text)
        addressError.text = error
        if (error !== "")
            return
        if (api.connectToAddress(addressField.text))
            addressField.text = ""
    }

    Timer {
        id: notFoundTimer
        interval: root.notFound_DELAY_MS
        running: root.searching && !root.notFound
        onTriggered: root.notFound = true
    }

    RowLayout {
        objectName: "unitSearchingRow"
        visible: root.searching
        spacing: 8
        BusyIndicator {
            objectName: "unitSearchingIndicator"
            running: root.searching
            implicitWidth: 32
            implicitHeight: 32
            Accessible.role: Accessible.Animation
            Accessible.name: searchingText.text
        }
        WidgetParagraph {
            id: searchingText
            objectName: "unitSearchingText"
            text: api.discoveryActive ? qsTr("Searching for VYRA units…")
                                      : qsTr("Connecting to %1…").arg(api.unitAddress)
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
    }

    WidgetParagraph {
        objectName: "unitTryingText"
        visible: root.searching && api.discoveryActive && api.unitAddress !== ""
        text: qsTr("Trying %1 as well.").arg(api.unitAddress)
        color: Style.color_INACTIVE
        Accessible.role: Accessible.StaticText
        Accessible.name: text
    }

    Rectangle {
        id: notFoundPanel
        objectName: "unitNotFoundPanel"
        visible: root.searching && root.notFound
        Layout.fillWidth: true
        Layout.topMargin: 4
        implicitHeight: notFoundColumn.implicitHeight + 24
        radius: 2
        color: Material.color(Material.Grey, Material.Shade900)
        border.color: Style.title_COLOR
        border.width: 1
        Accessible.role: Accessible.Grouping
        Accessible.name: notFoundTitle.text

        ColumnLayout {
            id: notFoundColumn
            anchors.fill: parent
            anchors.margins: 12
            spacing: 6

            WidgetTitle {
                id: notFoundTitle
                objectName: "unitNotFoundTitle"
                text: qsTr("No VYRA unit found")
                Accessible.role: Accessible.Heading
                Accessible.name: text
            }
            WidgetParagraph {
                text: qsTr("The search goes on. Meanwhile, please check:")
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }
            Repeater {
                model: [
                    qsTr("The VYRA is switched on and has finished starting."),
                    qsTr("This computer is on the same network as the VYRA, in the same subnet: units are found by a local broadcast, which routers do not pass on."),
                    qsTr("A firewall on this computer lets UDP port 12741 in and TCP port 12740 out."),
                    qsTr("A VYRA not yet on your network can be set up through its own Wi-Fi access point: connect this computer to the Wi-Fi network whose SSID starts with \"%1\", using security key \"%2\", then open the Network page.").arg("VYRA").arg("kfpw7351")
                ]
                delegate: RowLayout {
                    Layout.fillWidth: true
                    spacing: 6
                    WidgetLabel {
                        text: "\u2022"
                        color: Style.title_COLOR
                        Layout.alignment: Qt.AlignTop
                        Accessible.ignored: true
                    }
                    WidgetParagraph {
                        objectName: "unitNotFoundCheck" + index
                        text: modelData
                        Accessible.role: Accessible.StaticText
                        Accessible.name: text
                    }
                }
            }
        }
    }

    WidgetLabel {
        id: connectToAddressLink
        objectName: "connectToAddressLink"
        text: qsTr("Connect to an address…")
        font.underline: true
        color: Style.color_INTERACTIVE_HYPERTEXT
        visible: !root.addressFieldShown
        Layout.topMargin: 4
        function activate() {
            root.addressFieldShown = true
            addressField.forceActiveFocus(Qt.TabFocusReason)
        }
        MouseArea {
            id: connectLinkArea
            objectName: "connectToAddressLinkArea"
            anchors.fill: parent
            cursorShape: Qt.PointingHandCursor
            onClicked: connectToAddressLink.activate()
            // The link for the keyboard and screen readers. On the mouse area, as the label's own role is
            // reset to plain text by Qt.
            activeFocusOnTab: true
            Accessible.role: Accessible.Link
            Accessible.name: parent.text
            Accessible.onPressAction: connectToAddressLink.activate()
            Keys.onSpacePressed: connectToAddressLink.activate()
            Keys.onReturnPressed: connectToAddressLink.activate()
            Keys.onEnterPressed: connectToAddressLink.activate()
        }
    }

    ColumnLayout {
        objectName: "unitAddressBox"
        visible: root.addressFieldShown
        Layout.fillWidth: true
        spacing: 2

        WidgetLabel {
            text: qsTr("Address of the VYRA (host name or IP address, port optional)")
            color: Style.color_INACTIVE
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            Accessible.ignored: true
        }
        RowLayout {
            Layout.fillWidth: true
            WidgetTextField {
                id: addressField
                objectName: "unitAddressField"
                placeholderText: "192.168.1.20"
                inputMethodHints: Qt.ImhNoAutoUppercase | Qt.ImhNoPredictiveText | Qt.ImhUrlCharactersOnly
                // A host name is at most 253 characters; room for brackets and a port.
                maximumLength: 262
                Layout.fillWidth: true
                Layout.maximumWidth: 320
                Accessible.name: qsTr("VYRA address")
                Accessible.description: addressError.text
                onTextChanged: addressError.text = ""
                Keys.onReturnPressed: root.connectToTypedAddress()
                Keys.onEnterPressed: root.connectToTypedAddress()
                Keys.onEscapePressed: {
                    addressField.text = ""
                    root.addressFieldShown = false
                    connectLinkArea.forceActiveFocus(Qt.TabFocusReason)
                }
            }
            WidgetButton {
                objectName: "connectAddressButton"
                text: qsTr("Connect")
                Accessible.description: qsTr("Connects to the VYRA at this address")
                highlighted: true
                enabled: addressField.text.trim() !== ""
                onClicked: root.connectToTypedAddress()
            }
        }
        WidgetParagraph {
            id: addressError
            objectName: "unitAddressError"
            visible: text !== ""
            color: Style.text_ERROR
            Accessible.role: Accessible.AlertMessage
            Accessible.name: text
        }
        Flow {
            objectName: "recentAddresses"
            visible: api.recentAddresses.length > 0
            Layout.fillWidth: true
            spacing: 6
            WidgetLabel {
                text: qsTr("Recent:")
                color: Style.color_INACTIVE
                height: 36
                verticalAlignment: Text.AlignVCenter
                Accessible.ignored: true
            }
            Repeater {
                model: api.recentAddresses
                delegate: WidgetButton {
                    objectName: "recentAddressButton" + index
                    text: modelData
                    flat: true
                    Accessible.name: qsTr("Connect to %1").arg(modelData)
                    onClicked: {
                        addressField.text = modelData
                        root.connectToTypedAddress()
                    }
                }
            }
        }
    }
}
