import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Layouts 1.12
import QtQuick.Window 2.12
import "."
import Vyra.SignIn 1.0
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
    // The pages are made the first time the unit shows it offers sign-in: most units never do.
    property bool pagesMade: false
    property string errorMessage: ""
    readonly property string linkNotTrustedText: qsTr("Sign-in is off: the link to this VYRA is not encrypted with its remembered key")
    // Why the password cannot go anywhere now; empty when it may go to signIn.serviceHost.
    readonly property string blockedReason: !api.controllerLinkEncrypted ? linkNotTrustedText
        : signIn.addressProblem === LibraryServiceSignIn.Malformed ? qsTr("Sign-in is off: this VYRA reports a malformed library service address")
        : signIn.addressProblem === LibraryServiceSignIn.SchemeNotAllowed ? qsTr("Sign-in is off: this VYRA reports a library service address that does not start with https://")
        : signIn.addressProblem === LibraryServiceSignIn.UserInfo ? qsTr("Sign-in is off: this VYRA reports a library service address with a user name or password in it")
        : ""

    columns: 1

    // The user was working the form when it changed page: the focus follows to the new page.
    property bool focusFollows: false

    function goToState(state_number) {
        if (connectionState === state_number)
            return
        var focused = root.Window.activeFocusItem
        // While signing in no control of the form shows: the focus is still the form's when the outcome
        // comes, unless the user took it elsewhere.
        focusFollows = Style.isInside(focused, root)
                || (connectionState === state_CONNECTING && focusFollows && !Style.isControl(focused))
        connectionState = state_number
        console.log("goToState " + stateNames[state_number])
        if (state_number === state_CONNECTING) {
            statusStack.currentIndex = statusStack.index_PROGRESS
        } else if (state_number === state_CONNECTED) {
            statusStack.currentIndex = statusStack.index_CONNECTED
            if (connectedPage.item)
                connectedPage.item.signingOut = false
        } else {
            // A failure is told beside the fields, which keep the user name for the next try; the
            // password goes.
            if (credentialsPage.item)
                credentialsPage.item.clearPassword()
            statusStack.currentIndex = statusStack.index_CREDENTIALS
        }
        focusPage()
    }

    // The control the user goes on with, shown with the ring, unless the focus went elsewhere.
    function focusPage() {
        var focused = root.Window.activeFocusItem
        if (!focusFollows || (Style.isControl(focused) && !Style.isInside(focused, root)))
            return
        var target = null
        if (statusStack.currentIndex === statusStack.index_CREDENTIALS && credentialsPage.item)
            target = credentialsPage.item.nextField()
        else if (statusStack.currentIndex === statusStack.index_CONNECTED && connectedPage.item)
            target = connectedPage.item.signOutButton
        if (target && target.enabled)
            Style.showFocus(target)
    }

    // Empty credentials sign the unit out (it forgets its tokens); the form comes back when the unit
    // reports itself signed out, with the user name filled in for the next sign-in.
    function signOut() {
        if (credentialsPage.item)
            credentialsPage.item.username = api.libraryServiceUsername
        api.sendLibraryServiceCredentials("", "", "")
    }

    function doAuthentify() {
        var username = credentialsPage.item.username
        var password = credentialsPage.item.password
        var url = api.libraryServiceURI
        if (root.blockedReason !== "")
            return
        goToState(state_CONNECTING)
        if (api.libraryServiceURI === "") {
            console.log("No library service URI!")
            root.errorMessage = qsTr("Error: No Motion Code Library Service URI")
            goToState(state_FAILED)
            return
        }
        MotionCodeLibraryService.requestAuthentificationToken(url, username, password, function(result) {
            // Tokens are secrets: only the outcome is logged.
            console.log("sign-in result: success=" + result.success + " isUp=" + result.isUp
                        + " errorType=" + result.errorType + " errorMessage=" + result.errorMessage)
            console.log("Bye")
            root.errorMessage = result.refused ? (root.blockedReason !== "" ? root.blockedReason : root.linkNotTrustedText)
                                               : result.errorMessage
            if (result.success) {
                api.sendLibraryServiceCredentials(username, result.authToken, result.refreshToken)
                api.libraryServiceUsername = username
                giveUpTimer.start()
            } else {
                goToState(state_FAILED)
            }
        }, signIn)
    }

    onLibraryServiceIsRegisteredChanged: {
        console.log("libraryServiceIsRegistered: " + libraryServiceIsRegistered)
        goToState(libraryServiceIsRegistered ? state_CONNECTED : state_DISCONNECTED)
    }

    onVyraSupportMCLSChanged: {
        if (vyraSupportMCLS)
            pagesMade = true
    }

    onControllerNameChanged: {
        vyraSupportMCLS = false
        goToState(libraryServiceIsRegistered ? state_CONNECTED : state_DISCONNECTED)
    }

    LibraryServiceSignIn {
        id: signIn
        serviceUri: api.libraryServiceURI
        linkTrusted: api.controllerLinkEncrypted
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
                root.errorMessage = qsTr("Registration error")
                root.goToState(root.state_FAILED)
                console.log("giveUpTimer: failed to register")
            } else {
                root.errorMessage = qsTr("Connection lost")
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
        visible: root.vyraSupportMCLS
        enabled: root.vyraSupportMCLS
        Layout.fillWidth: true
        Layout.topMargin: Style.mcls_PADDING
        Layout.bottomMargin: Style.mcls_PADDING

        Loader {
            id: credentialsPage
            active: root.pagesMade
            Layout.fillWidth: true
            sourceComponent: ColumnLayout {
                property alias username: usernameTextInput.text
                readonly property alias password: passwordTextInput.text

                function clearPassword() {
                    passwordTextInput.text = ""
                }

                function nextField() {
                    return usernameTextInput.text === "" ? usernameTextInput : passwordTextInput
                }

                WidgetTextField {
                    id: usernameTextInput
                    objectName: "usernameTextInput"
                    Layout.fillWidth: true
                    placeholderText: qsTr("Username")
                    Accessible.name: qsTr("Motion Code Library Service username")
                    enabled: root.blockedReason === ""
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
                    // Qt withholds the name of a password field from screen readers, which read its
                    // description instead; Qt sets that to the placeholder when they start: put it back.
                    readonly property string accessibleName: qsTr("Motion Code Library Service password")
                    Accessible.name: accessibleName
                    Accessible.description: accessibleName
                    Accessible.onDescriptionChanged: {
                        if (Accessible.description !== accessibleName)
                            Accessible.description = accessibleName
                    }
                    Keys.onReturnPressed: loginButton.clicked()
                    Keys.onEnterPressed: loginButton.clicked()
                    enabled: root.blockedReason === ""
                    activeFocusOnTab: true
                    maximumLength: 40
                    echoMode: TextInput.Password
                    inputMethodHints: Qt.ImhHiddenText | Qt.ImhNoAutoUppercase | Qt.ImhNoPredictiveText | Qt.ImhSensitiveData
                }
                // Why the last sign-in failed, next to the fields it is about.
                ColumnLayout {
                    objectName: "signInFailure"
                    visible: root.connectionState === root.state_FAILED
                    Layout.fillWidth: true
                    WidgetParagraph {
                        text: qsTr("Failed to sign in")
                        color: Style.text_ERROR
                    }
                    WidgetParagraph {
                        id: errorMessageLabel
                        objectName: "errorMessageLabel"
                        text: root.errorMessage
                        color: Style.text_ERROR
                    }
                }
                // Where the password goes, so that a user sees a change of address.
                WidgetLabel {
                    objectName: "signInHostLabel"
                    visible: root.blockedReason === "" && signIn.serviceHost !== ""
                    text: qsTr("Signing in at %1").arg(signIn.serviceHost)
                    wrapMode: Text.WrapAnywhere
                    Layout.fillWidth: true
                }
                WidgetParagraph {
                    objectName: "signInBlockedText"
                    visible: root.blockedReason !== ""
                    text: root.blockedReason
                    color: Style.text_ERROR
                }
                RowLayout {
                    WidgetButton {
                        id: loginButton
                        objectName: "loginButton"
                        enabled: root.blockedReason === ""
                        text: qsTr("Sign In")
                        Accessible.name: text
                        Accessible.description: qsTr("Signs the VYRA in to the Motion Code Library Service")
                        highlighted: true
                        onClicked: root.doAuthentify()
                    }
                    WidgetButton {
                        id: resetButton
                        objectName: "resetButton"
                        visible: root.connectionState === root.state_FAILED
                        text: qsTr("Reset")
                        Accessible.name: text
                        Accessible.description: qsTr("Back to the sign-in fields")
                        onClicked: root.goToState(root.state_DISCONNECTED)
                    }
                }
            }
        }

        Loader {
            active: root.pagesMade
            Layout.fillWidth: true
            sourceComponent: RowLayout {
                WidgetLabel {
                    text: qsTr("Signing in...")
                }
                BusyIndicator {
                    running: statusStack.currentIndex === statusStack.index_PROGRESS
                    Accessible.name: qsTr("Signing in...")
                }
            }
        }

        Loader {
            id: connectedPage
            active: root.pagesMade
            Layout.fillWidth: true
            sourceComponent: ColumnLayout {
                property alias signOutButton: signOutButton
                property alias signingOut: signOutButton.signingOut
                WidgetLabel {
                    objectName: "signedInLabel"
                    text: qsTr("Signed in as %1").arg(api.libraryServiceUsername)
                    elide: Text.ElideRight
                    Layout.fillWidth: true
                }
                WidgetButton {
                    id: signOutButton
                    objectName: "signOutButton"
                    // Sent, waiting for the unit to report itself signed out.
                    property bool signingOut: false
                    enabled: api.controllerLinkEncrypted
                    text: qsTr("Sign Out")
                    Accessible.name: text
                    Accessible.description: qsTr("Signs the VYRA out of the Motion Code Library Service, to sign in with another account")
                    onClicked: {
                        if (signingOut)
                            return
                        signingOut = true
                        root.signOut()
                    }
                }
            }
        }
    }
}
