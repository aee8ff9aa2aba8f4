import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Layouts 1.12
import "."
import "js_motionCodeLibraryService.js" as MotionCodeLibraryService

// Signs the unit in to the motion code library service. Shown only while the
// unit answers login-status requests, so units without the feature never show it.
GridLayout {
    id: root
    readonly property int state_DISCONNECTED: 0
    readonly property int state_CONNECTING: 1
    readonly property int state_CONNECTED: 2
    readonly property int state_FAILED: 3
    readonly property var stateNames: ["state_DISCONNECTED", "state_CONNECTING", "state_CONNECTED", "state_FAILED"]
    property int connectionState: state_DISCONNECTED
    property string controllerName: api.controllerName
    property bool libraryServiceIsRegistered: api.libraryServiceIsRegistered
    property var dateSinceLastMCLSResponseReceived: new Date()
    property bool vyraSupportMCLS: false
    // Tests shorten these; the product uses the values below.
    property int pollInterval: 2000
    property int supportTimeout: 5000
    property int confirmationDelay: 7000

    columns: 1

    function goToState(state_number) {
        if (connectionState === state_number)
            return
        connectionState = state_number
        console.log("goToState " + stateNames[state_number])
        if (state_number === state_CONNECTING) {
            statusStack.currentIndex = statusStack.index_PROGRESS
        } else if (state_number === state_CONNECTED) {
            statusStack.currentIndex = statusStack.index_CONNECTED
        } else if (state_number === state_FAILED) {
            statusStack.currentIndex = statusStack.index_FAILED
        } else {
            usernameTextInput.text = ""
            passwordTextInput.text = ""
            statusStack.currentIndex = statusStack.index_CREDENTIALS
        }
    }

    function doAuthentify() {
        var username = usernameTextInput.text
        var password = passwordTextInput.text
        var url = api.libraryServiceURI
        goToState(state_CONNECTING)
        if (api.libraryServiceURI === "") {
            console.log("No library service URI!")
            errorMessageLabel.text = qsTr("Error: No Motion Code Library Service URI")
            goToState(state_FAILED)
            return
        }
        MotionCodeLibraryService.requestAuthentificationToken(url, username, password, function(result) {
            // Tokens are secrets: only the outcome is logged.
            console.log("sign-in result: success=" + result.success + " isUp=" + result.isUp
                        + " errorType=" + result.errorType + " errorMessage=" + result.errorMessage)
            console.log("Bye")
            errorMessageLabel.text = result.errorMessage
            if (result.success) {
                api.sendLibraryServiceCredentials(username, result.authToken, result.refreshToken)
                api.libraryServiceUsername = username
                giveUpTimer.start()
            } else {
                goToState(state_FAILED)
            }
        }, root)
    }

    onLibraryServiceIsRegisteredChanged: {
        console.log("libraryServiceIsRegistered: " + libraryServiceIsRegistered)
        goToState(libraryServiceIsRegistered ? state_CONNECTED : state_DISCONNECTED)
    }

    onControllerNameChanged: {
        vyraSupportMCLS = false
        goToState(libraryServiceIsRegistered ? state_CONNECTED : state_DISCONNECTED)
    }

    Connections {
        target: api
        function onLibraryServiceResponseReceived() {
            root.dateSinceLastMCLSResponseReceived = Date.now()
            root.vyraSupportMCLS = true
        }
        function onLibraryServiceUnsupported() {
            console.log("No support for login with this VYRA.")
            root.vyraSupportMCLS = false
        }
    }

    Timer {
        id: pollTimer
        interval: root.pollInterval
        running: true
        repeat: true
        onTriggered: {
            if (api.controllerIsConnected)
                api.triggerGetLibraryServiceLoginStatus()
            if (Date.now() >= Number(root.dateSinceLastMCLSResponseReceived) + root.supportTimeout)
                root.vyraSupportMCLS = false
        }
    }

    Timer {
        id: giveUpTimer
        interval: root.confirmationDelay
        repeat: false
        running: false
        onRunningChanged: console.log(running ? "giveUpTimer: start" : "giveUpTimer: done")
        onTriggered: {
            if (api.controllerIsConnected && api.libraryServiceIsRegistered) {
                console.log("giveUpTimer: success")
                root.goToState(root.state_CONNECTED)
            } else if (api.controllerIsConnected) {
                errorMessageLabel.text = qsTr("Registration error")
                root.goToState(root.state_FAILED)
                console.log("giveUpTimer: failed to register")
            } else {
                errorMessageLabel.text = qsTr("Connection lost")
                root.goToState(root.state_FAILED)
                console.log("giveUpTimer: failed to connect")
            }
        }
    }

    WidgetStackLayout {
        id: statusStack
        objectName: "statusStack"
        readonly property int index_CREDENTIALS: 0
        readonly property int index_PROGRESS: 1
        readonly property int index_CONNECTED: 2
        readonly property int index_FAILED: 3
        visible: root.vyraSupportMCLS
        enabled: root.vyraSupportMCLS
        Layout.fillWidth: true
        Layout.topMargin: Style.mcls_PADDING
        Layout.bottomMargin: Style.mcls_PADDING

        ColumnLayout {
            Layout.fillWidth: true
            WidgetTextField {
                id: usernameTextInput
                objectName: "usernameTextInput"
                Layout.fillWidth: true
                placeholderText: qsTr("Username")
                Accessible.name: qsTr("Motion Code Library Service username")
                activeFocusOnTab: true
                maximumLength: 40
                inputMethodHints: Qt.ImhNoAutoUppercase
                validator: RegExpValidator {
                    regExp: /\w+([-+.']\w+)*@\w+([-.]\w+)*\.\w+([-.]\w+)*/
                }
            }
            WidgetTextField {
                id: passwordTextInput
                objectName: "passwordTextInput"
                Layout.fillWidth: true
                placeholderText: qsTr("Password")
                Keys.onReturnPressed: loginButton.clicked()
                Keys.onEnterPressed: loginButton.clicked()
                activeFocusOnTab: true
                maximumLength: 40
                echoMode: TextInput.Password
                inputMethodHints: Qt.ImhHiddenText | Qt.ImhNoAutoUppercase | Qt.ImhNoPredictiveText | Qt.ImhSensitiveData
            }
            WidgetButton {
                id: loginButton
                objectName: "loginButton"
                text: qsTr("Sign In")
                Accessible.name: text
                Accessible.description: qsTr("Signs the VYRA in to the Motion Code Library Service")
                highlighted: true
                onClicked: root.doAuthentify()
            }
        }

        RowLayout {
            Layout.fillWidth: true
            WidgetLabel {
                text: qsTr("Signing in...")
            }
            BusyIndicator {
                running: statusStack.currentIndex === statusStack.index_PROGRESS
                Accessible.name: qsTr("Signing in...")
            }
        }

        WidgetLabel {
            objectName: "signedInLabel"
            text: qsTr("Signed in as %1").arg(api.libraryServiceUsername)
            elide: Text.ElideRight
            Layout.fillWidth: true
        }

        ColumnLayout {
            Layout.fillWidth: true
            WidgetParagraph {
                text: qsTr("Failed to sign in")
            }
            WidgetParagraph {
                id: errorMessageLabel
                objectName: "errorMessageLabel"
                text: ""
                color: Style.text_ERROR
            }
            WidgetButton {
                id: resetButton
                objectName: "resetButton"
                text: qsTr("Reset")
                Accessible.name: text
                Accessible.description: qsTr("Back to the sign-in fields")
                onClicked: root.goToState(root.state_DISCONNECTED)
            }
        }
    }
}
