import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Controls.Material 2.12
import QtQuick.Layouts 1.12
import "."

// What is new in this release; "Don't show again" is written back whenever the
// dialog closes, however it closes.
Popup {
    id: popup
    signal accepted()
    readonly property int margin_VALUE: 6
    readonly property int flickable_MARGIN_TOP: 20
    readonly property int flickable_MARGIN_BOTTOM: 20
    readonly property int flickable_MARGIN_LEFT: 3
    readonly property int flickable_MARGIN_RIGHT: 3
    readonly property string registrationUrl: "https://reelhall.example.com/register"

    x: margin_VALUE
    y: margin_VALUE
    width: parent ? parent.width - 2 * x : 0
    height: parent ? parent.height - 2 * y : 0
    modal: true
    focus: true
    // No drop shadow: the dialog fills the window but for a thin margin, where the shadow would hardly show,
    // and the style draws it through two window-sized off-screen layers (several MiB with software rendering).
    Material.elevation: 0
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutsideParent

    // The content is made the first time the dialog opens: most starts never show it.
    onAboutToShow: content.active = true
    onOpened: {
        content.item.showAgainBox.setIsChecked(settings.showDialogOnStartup === false)
        popup.forceActiveFocus()
    }
    onClosed: settings.showDialogOnStartup = (content.item.showAgainBox.getIsChecked() === false)

    Loader {
        id: content
        anchors.fill: parent
        active: false

        sourceComponent: Flickable {
            id: flickable
            property alias showAgainBox: showDialogOnStartupCheckBox
            clip: true
            ScrollBar.vertical: ScrollBar {
                Accessible.name: qsTr("Scroll the dialog")
            }
            contentWidth: width
            contentHeight: columnLayout.height
            topMargin: popup.flickable_MARGIN_TOP
            bottomMargin: popup.flickable_MARGIN_BOTTOM
            leftMargin: popup.flickable_MARGIN_LEFT
            rightMargin: popup.flickable_MARGIN_RIGHT
            Accessible.role: Accessible.Pane
            Accessible.name: qsTr("What's New")

            ColumnLayout {
                id: columnLayout
                readonly property int padding_LEFT_AND_RIGHT: 0
                anchors.top: parent.top
                anchors.left: parent.left
                anchors.right: parent.right

                WidgetTitle {
                    text: qsTr("What's New")
                    textFormat: Text.StyledText
                    font.pixelSize: Style.text_SIZE_STARTUP_DIALOG
                    Layout.leftMargin: columnLayout.padding_LEFT_AND_RIGHT
                    Layout.rightMargin: columnLayout.padding_LEFT_AND_RIGHT
                }
                Label {
                    id: linkLabel
                    objectName: "registrationLinkLabel"
                    text: qsTr("A convenient way to manage your Motion Code subscriptions. Visit %1 to register and purchase a subscription. Once done, simply enter your credentials inside the app to pair the selected VYRA to your Reelhall account.")
                          .arg("<a href=\"" + popup.registrationUrl + "\">reelhall.example.com</a>")
                    textFormat: Text.StyledText
                    linkColor: Style.color_INTERACTIVE_HYPERTEXT
                    wrapMode: Text.Wrap
                    font.pixelSize: Style.text_SIZE_STARTUP_DIALOG
                    font.family: Style.font_FAMILY
                    Layout.fillWidth: true
                    Layout.topMargin: 10
                    Layout.leftMargin: columnLayout.padding_LEFT_AND_RIGHT
                    Layout.rightMargin: columnLayout.padding_LEFT_AND_RIGHT
                    onLinkActivated: (link) => Qt.openUrlExternally(link)
                    MouseArea {
                        objectName: "registrationLink"
                        anchors.fill: parent
                        acceptedButtons: Qt.NoButton
                        cursorShape: parent.hoveredLink ? Qt.PointingHandCursor : Qt.ArrowCursor
                        // The link for the keyboard and screen readers: Tab reaches the paragraph, Enter
                        // or Space opens the site.
                        activeFocusOnTab: true
                        Accessible.role: Accessible.Link
                        Accessible.name: qsTr("Register at %1").arg("reelhall.example.com")
                        Accessible.description: qsTr("Opens the registration site in the web browser")
                        Accessible.onPressAction: Qt.openUrlExternally(popup.registrationUrl)
                        Keys.onSpacePressed: Qt.openUrlExternally(popup.registrationUrl)
                        Keys.onReturnPressed: Qt.openUrlExternally(popup.registrationUrl)
                        Keys.onEnterPressed: Qt.openUrlExternally(popup.registrationUrl)
                    }
                }
                Label {
                    text: qsTr("An adaptive user interface that allows compatibility with all mobile device display sizes.")
                    textFormat: Text.StyledText
                    wrapMode: Text.Wrap
                    font.pixelSize: Style.text_SIZE_STARTUP_DIALOG
                    font.family: Style.font_FAMILY
                    Layout.fillWidth: true
                    Layout.topMargin: 10
                    Layout.leftMargin: columnLayout.padding_LEFT_AND_RIGHT
                    Layout.rightMargin: columnLayout.padding_LEFT_AND_RIGHT
                }
                WidgetTitle {
                    text: qsTr("Important Notes")
                    textFormat: Text.StyledText
                    font.pixelSize: Style.text_SIZE_STARTUP_DIALOG
                    Layout.topMargin: 20
                    Layout.leftMargin: columnLayout.padding_LEFT_AND_RIGHT
                    Layout.rightMargin: columnLayout.padding_LEFT_AND_RIGHT
                }
                Label {
                    text: qsTr("Upon first registering to Reelhall and pairing your VYRA via this app, the VYRA will proceed with a sizable update due to the major changes introduced in VYRA Software Update v2.0. The download could be larger than 10GB for a subscription including the complete Tavik Motion Code library.")
                    textFormat: Text.StyledText
                    wrapMode: Text.Wrap
                    font.pixelSize: Style.text_SIZE_STARTUP_DIALOG
                    font.family: Style.font_FAMILY
                    Layout.fillWidth: true
                    Layout.topMargin: 10
                    Layout.leftMargin: columnLayout.padding_LEFT_AND_RIGHT
                    Layout.rightMargin: columnLayout.padding_LEFT_AND_RIGHT
                }
                Label {
                    text: qsTr("Once the initial update is complete, subsequent ones will be incremental as new content part of the subscription is available.")
                    textFormat: Text.StyledText
                    wrapMode: Text.Wrap
                    font.pixelSize: Style.text_SIZE_STARTUP_DIALOG
                    font.family: Style.font_FAMILY
                    Layout.fillWidth: true
                    Layout.topMargin: 10
                    Layout.leftMargin: columnLayout.padding_LEFT_AND_RIGHT
                    Layout.rightMargin: columnLayout.padding_LEFT_AND_RIGHT
                }
                Label {
                    text: qsTr("As with the previous version, to ensure proper content recognition and motion playback by the VYRA, a stereo downmix signal must be supplied to it through the line-in audio jack.")
                    textFormat: Text.StyledText
                    wrapMode: Text.Wrap
                    font.pixelSize: Style.text_SIZE_STARTUP_DIALOG
                    font.family: Style.font_FAMILY
                    Layout.fillWidth: true
                    Layout.topMargin: 10
                    Layout.leftMargin: columnLayout.padding_LEFT_AND_RIGHT
                    Layout.rightMargin: columnLayout.padding_LEFT_AND_RIGHT
                }
                CheckBox {
                    id: showDialogOnStartupCheckBox
                    objectName: "showDialogOnStartupCheckBox"
                    text: qsTr("Don't show again")
                    Accessible.name: text
                    Accessible.description: qsTr("Do not show this dialog when the program starts")
                    Keys.onReturnPressed: toggle()
                    Keys.onEnterPressed: toggle()
                    font.pixelSize: Style.text_SIZE_STARTUP_DIALOG
                    font.family: Style.font_FAMILY
                    Layout.fillWidth: true
                    Layout.leftMargin: columnLayout.padding_LEFT_AND_RIGHT
                    Layout.rightMargin: columnLayout.padding_LEFT_AND_RIGHT

                    function setIsChecked(value) {
                        checkState = value ? Qt.Checked : Qt.Unchecked
                    }
                    function getIsChecked() {
                        return checkState === Qt.Checked
                    }
                }
                WidgetButton {
                    objectName: "startupDialogCloseButton"
                    text: qsTr("Close")
                    Accessible.name: text
                    Accessible.description: qsTr("Closes this dialog; Escape does the same")
                    highlighted: true
                    Layout.leftMargin: columnLayout.padding_LEFT_AND_RIGHT
                    onClicked: {
                        popup.accepted()
                        popup.close()
                    }
                }
            }
        }
    }
}
