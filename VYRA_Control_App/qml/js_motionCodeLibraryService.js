.pragma library

// Sign-in to the motion code library service: an OAuth 2 password grant whose
// tokens the widget then hands to the unit. Nothing here logs a token, a
// password or a response body: only the HTTP status and the outcome.

var client_ID = "QXRVNMTB"
var client_SECRET = "WZKPHLDGSFYA"
var page_TOKEN = "oauth/token"
var timeout_MS = 5000

function extractSchemeFromURI(url) {
    return url.substring(0, url.indexOf(":"))
}

function extractPathFromURI(url) {
    return url.substring(extractSchemeFromURI(url).length + 3)
}

// Both fields are form-encoded: a "+" left raw in an address reads as a space.
function makeLibraryServiceBodyString(username, password) {
    return "grant_type=password&username=" + encodeURIComponent(username) + "&password=" + encodeURIComponent(password)
}

function makeLibraryServiceURI(scheme, clientId, clientSecret, path, page_URI) {
    return scheme + "://" + clientId + ":" + clientSecret + "@" + path + "/" + page_URI
}

function _parseJson(text) {
    try {
        var parsed = JSON.parse(text)
        return (parsed !== null && typeof parsed === "object") ? parsed : {}
    } catch (e) {
        return {}
    }
}

function _asString(value) {
    return (typeof value === "string") ? value : ""
}

function requestAuthentificationToken(url, username, password, onResultCb, parentItem) {
    var scheme = extractSchemeFromURI(url)
    var path = extractPathFromURI(url)
    var full_uri = makeLibraryServiceURI(scheme, client_ID, client_SECRET, path, page_TOKEN)
    var bodyString = makeLibraryServiceBodyString(username, password)

    var request = new XMLHttpRequest()
    var reported = false
    var timer = Qt.createQmlObject("import QtQuick 2.7; Timer {interval: " + timeout_MS
                                   + "; repeat: false; running: true;}", parentItem, "RequestTimeoutTimer")
    timer.triggered.connect(function() {
        console.log("Library service request timed out")
        request.abort()
        // Some aborts do not reach DONE; the caller must hear of the failure all the same.
        finish(0, "")
    })

    function finish(status, responseText) {
        if (reported)
            return
        reported = true
        timer.running = false
        timer.destroy()
        var result = {
            "success": false,
            "isUp": false,
            "authToken": "",
            "refreshToken": "",
            "errorType": "",
            "errorMessage": ""
        }
        console.log("HTTP Status: " + status)
        if (status === 200) {
            var body = _parseJson(responseText)
            result.isUp = true
            result.authToken = _asString(body.access_token)
            result.refreshToken = _asString(body.refresh_token)
            // A 200 without both tokens would sign the unit in with empty credentials.
            result.success = result.authToken !== "" && result.refreshToken !== ""
            if (!result.success) {
                result.authToken = ""
                result.refreshToken = ""
                result.errorMessage = qsTr("Registration error")
            }
        } else if (status === 400) {
            var error = _parseJson(responseText)
            result.isUp = true
            result.errorType = _asString(error.error)
            result.errorMessage = (result.errorType === "invalid_grant") ? qsTr("Invalid credentials")
                                                                          : qsTr("Credentials rejected")
        } else {
            result.errorMessage = qsTr("Server unreachable")
        }
        onResultCb(result)
    }

    // The timeout runs until the request is done: stopping it at the first state
    // change (OPENED comes at once) would leave a silent server waiting forever.
    request.onreadystatechange = function() {
        if (request.readyState === XMLHttpRequest.DONE)
            finish(request.status, request.responseText)
    }

    request.open("POST", full_uri)
    request.setRequestHeader("Content-Type", "application/x-www-form-urlencoded")
    request.send(bodyString)
}
