.pragma library

// Sign-in to the motion code library service: an OAuth 2 password grant whose
// tokens the widget then hands to the unit. Nothing here logs a token, a
// password or a response body: only the HTTP status and the outcome.

var client_ID = "QXRVNMTB"
var client_SECRET = "WZKPHLDGSFYA"
var page_TOKEN = "oauth/token"

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

// The handler of the request under way: a new request drops the one before, which then never reports.
var _pending = null

function _dropPending() {
    if (_pending === null)
        return
    try {
        _pending.signIn.finished.disconnect(_pending.handler)
    } catch (e) {
        // its object is gone, and its connections with it
    }
    _pending = null
}

// signIn is a LibraryServiceSignIn: it refuses an untrusted link or service address, follows no redirect
// and ends a slow or oversized answer. onResultCb gets exactly one result.
function requestAuthentificationToken(url, username, password, onResultCb, signIn) {
    var scheme = extractSchemeFromURI(url)
    var path = extractPathFromURI(url)
    var full_uri = makeLibraryServiceURI(scheme, client_ID, client_SECRET, path, page_TOKEN)
    var bodyString = makeLibraryServiceBodyString(username, password)

    function finish(status, responseText, answered, refused) {
        _dropPending()
        var result = {
            "success": false,
            "isUp": false,
            "refused": refused,
            "authToken": "",
            "refreshToken": "",
            "errorType": "",
            "errorMessage": ""
        }
        console.log("HTTP Status: " + status)
        if (refused)
            return onResultCb(result)
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
        } else if (status === 0 && answered) {
            // The service answered, but too slowly or too much: not a token answer.
            result.isUp = true
            result.errorMessage = qsTr("Registration error")
        } else {
            result.errorMessage = qsTr("Server unreachable")
        }
        onResultCb(result)
    }

    _dropPending()
    _pending = { "signIn": signIn, "handler": finish }
    signIn.finished.connect(finish)
    signIn.post(full_uri, bodyString)
}
