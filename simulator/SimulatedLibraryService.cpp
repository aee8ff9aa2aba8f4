#include "SimulatedLibraryService.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

#include "UnitBodies.h"

namespace Ulmar {
namespace Simulator {

namespace {

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

const QByteArray TokenPath = QByteArrayLiteral("/oauth/token");

QByteArray reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 411:
        return "Length Required";
    case 413:
        return "Payload Too Large";
    case 501:
        return "Not Implemented";
    case 503:
        return "Service Unavailable";
    default:
        return "Error";
    }
}

// 256 random bits, URL-safe: a token no one can guess.
QString randomToken()
{
    quint32 words[8];
    QRandomGenerator::system()->fillRange(words);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(words), sizeof(words))
                                   .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

// Compares without stopping at the first difference, so the time taken tells nothing of the secret.
bool sameSecret(const QByteArray& a, const QByteArray& b)
{
    unsigned diff = unsigned(a.size() ^ b.size());
    for (int i = 0; i < a.size(); ++i)
        diff |= unsigned(quint8(a[i]) ^ quint8(b.isEmpty() ? 0 : b[i % b.size()]));
    return diff == 0;
}

// A form value, decoded ("+" is a space in forms); null when absent, "duplicate" set when given twice.
QString formValue(const QUrlQuery& form, const QString& key, bool* duplicate)
{
    const QStringList values = form.allQueryItemValues(key, QUrl::FullyDecoded);
    if (values.size() > 1)
        *duplicate = true;
    return values.isEmpty() ? QString() : values.first();
}

QString logName(const QString& user)
{
    return QStringLiteral("\"%1\"").arg(UnitBodies::printable(user, 80));
}

} // namespace

SimulatedLibraryService::SimulatedLibraryService(LibraryServiceConfig config, QObject* parent)
    : QObject(parent), m_config(std::move(config))
{
    connect(&m_server, &QTcpServer::newConnection, this, &SimulatedLibraryService::onNewConnection);
}

SimulatedLibraryService::~SimulatedLibraryService()
{
    m_server.close();
    // Now, while the connections' handlers may still reach this object.
    const auto sockets = m_connections.keys();
    m_connections.clear();
    for (QTcpSocket* socket : sockets) {
        disconnect(socket, nullptr, this, nullptr);
        delete socket;
    }
}

bool SimulatedLibraryService::start(QString* error)
{
    if (m_server.isListening())
        return true;
    if (!m_server.listen(m_config.address, m_config.port)) {
        if (error)
            *error = QStringLiteral("library service: cannot listen on %1:%2: %3")
                         .arg(m_config.address.toString())
                         .arg(m_config.port)
                         .arg(m_server.errorString());
        return false;
    }
    return true;
}

void SimulatedLibraryService::stop()
{
    m_server.close();
    const auto sockets = m_connections.keys();
    for (QTcpSocket* socket : sockets) {
        forget(socket);
        socket->abort();
        socket->deleteLater();
    }
}

QString SimulatedLibraryService::uri() const
{
    QString host = m_server.serverAddress().toString();
    if (m_server.serverAddress().protocol() == QAbstractSocket::IPv6Protocol)
        host = QLatin1Char('[') + host + QLatin1Char(']');
    return QStringLiteral("http://%1:%2").arg(host).arg(port());
}

void SimulatedLibraryService::onNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        // Qt's own buffer stays small too: what is above the request limit is never needed.
        socket->setReadBufferSize(qMax(4096, m_config.maxRequestBytes + 1));
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket]() { forget(socket); });
        if (m_connections.size() >= m_config.maxConnections) {
            qWarning("Library service: more than %d connections; one refused", m_config.maxConnections);
            socket->abort();
            socket->deleteLater();
            continue;
        }
        Connection& c = m_connections[socket];
        c.timer = new QTimer(socket);
        c.timer->setSingleShot(true);
        // A client that never finishes its request (or never reads the answer) loses the connection.
        connect(c.timer, &QTimer::timeout, socket, [this, socket]() {
            const auto it = m_connections.find(socket);
            if (it != m_connections.end() && !it->answered) {
                qInfo("Library service: request not complete within %d ms; connection closed",
                      m_config.readTimeoutMs);
                answerError(socket, 408, QStringLiteral("invalid_request"),
                            QStringLiteral("request timeout"));
                if (m_connections.contains(socket))
                    m_connections[socket].timer->start(m_config.readTimeoutMs);
            } else {
                socket->abort();
            }
        });
        c.timer->start(m_config.readTimeoutMs);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket]() { onReadyRead(socket); });
    }
}

void SimulatedLibraryService::forget(QTcpSocket* socket)
{
    m_connections.remove(socket);
}

void SimulatedLibraryService::onReadyRead(QTcpSocket* socket)
{
    const auto it = m_connections.find(socket);
    if (it == m_connections.end())
        return;
    Connection& c = *it;
    if (c.answered) {
        // Whatever follows the one request is not read.
        socket->readAll();
        return;
    }
    const int limit = m_config.maxRequestBytes;
    // Never hold more than the limit (plus one byte, to tell "too large" from "exactly full").
    c.buffer += socket->read(qMax<qint64>(0, limit + 1 - c.buffer.size()));
    const int headerEnd = c.buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0) {
        if (c.buffer.size() > limit) {
            qInfo("Library service: request headers above %d bytes refused", limit);
            answerError(socket, 413, QStringLiteral("invalid_request"), QStringLiteral("request too large"));
        }
        return;
    }

    const QList<QByteArray> lines = c.buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine[2].startsWith("HTTP/1.")) {
        answerError(socket, 400, QStringLiteral("invalid_request"), QStringLiteral("malformed request line"));
        return;
    }
    QHash<QByteArray, QByteArray> headers;
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const int colon = line.indexOf(':');
        if (colon <= 0) {
            answerError(socket, 400, QStringLiteral("invalid_request"), QStringLiteral("malformed header"));
            return;
        }
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        // Two different lengths would let the request be read two ways.
        if (name == "content-length" && headers.contains(name) && headers.value(name) != value) {
            answerError(socket, 400, QStringLiteral("invalid_request"),
                        QStringLiteral("conflicting lengths"));
            return;
        }
        headers.insert(name, value);
    }
    if (headers.contains("transfer-encoding")) {
        answerError(socket, 411, QStringLiteral("invalid_request"),
                    QStringLiteral("Content-Length required"));
        return;
    }
    qint64 length = 0;
    if (headers.contains("content-length")) {
        const QByteArray text = headers.value("content-length");
        bool ok = !text.isEmpty() && text.size() <= 12;
        for (const char ch : text)
            ok = ok && ch >= '0' && ch <= '9';
        length = ok ? text.toLongLong(&ok) : -1;
        if (!ok || length < 0) {
            answerError(socket, 400, QStringLiteral("invalid_request"), QStringLiteral("bad Content-Length"));
            return;
        }
    }
    const qint64 bodyStart = headerEnd + 4;
    if (bodyStart + length > limit) {
        qInfo("Library service: request of %lld bytes refused (at most %d)", bodyStart + length, limit);
        answerError(socket, 413, QStringLiteral("invalid_request"), QStringLiteral("request too large"));
        return;
    }
    if (c.buffer.size() < bodyStart + length)
        return; // more to come
    const QByteArray body = c.buffer.mid(int(bodyStart), int(length));
    handleRequest(socket, requestLine[0], requestLine[1], headers, body);
}

void SimulatedLibraryService::handleRequest(QTcpSocket* socket, const QByteArray& method,
                                            const QByteArray& target,
                                            const QHash<QByteArray, QByteArray>& headers,
                                            const QByteArray& body)
{
    const int query = target.indexOf('?');
    const QByteArray path = query < 0 ? target : target.left(query);
    if (path != TokenPath) {
        answerError(socket, 404, QStringLiteral("not_found"), QStringLiteral("no such page"));
        return;
    }
    if (method != "POST") {
        answerError(socket, 405, QStringLiteral("invalid_request"), QStringLiteral("POST only"),
                    {{"Allow", "POST"}});
        return;
    }
    const QByteArray type = headers.value("content-type").split(';').first().trimmed().toLower();
    if (type != "application/x-www-form-urlencoded") {
        answerError(socket, 400, QStringLiteral("invalid_request"),
                    QStringLiteral("the body must be application/x-www-form-urlencoded"));
        return;
    }
    // Forms write a space as "+"; QUrlQuery would keep it as a plus.
    QByteArray formText = body;
    formText.replace('+', "%20");
    const QUrlQuery form(QString::fromLatin1(formText));
    bool duplicate = false;
    const QString grantType = formValue(form, QStringLiteral("grant_type"), &duplicate);
    const QString user = formValue(form, QStringLiteral("username"), &duplicate);
    const QString password = formValue(form, QStringLiteral("password"), &duplicate);
    const QString bodyClientId = formValue(form, QStringLiteral("client_id"), &duplicate);
    const QString bodyClientSecret = formValue(form, QStringLiteral("client_secret"), &duplicate);
    if (duplicate) {
        answerError(socket, 400, QStringLiteral("invalid_request"),
                    QStringLiteral("a parameter is repeated"));
        return;
    }

    // Client authentication: HTTP Basic, or the client's identifier and secret in the form (not both).
    QByteArray clientId;
    QByteArray clientSecret;
    const QByteArray authorization = headers.value("authorization");
    if (!authorization.isEmpty()) {
        if (!bodyClientId.isNull()) {
            answerError(socket, 400, QStringLiteral("invalid_request"),
                        QStringLiteral("more than one client authentication"));
            return;
        }
        if (authorization.left(6).toLower() == "basic ") {
            const QByteArray decoded = QByteArray::fromBase64(authorization.mid(6).trimmed());
            const int colon = decoded.indexOf(':');
            if (colon >= 0) {
                clientId = QByteArray::fromPercentEncoding(decoded.left(colon));
                clientSecret = QByteArray::fromPercentEncoding(decoded.mid(colon + 1));
            }
        }
    } else if (!bodyClientId.isNull()) {
        clientId = bodyClientId.toUtf8();
        clientSecret = bodyClientSecret.toUtf8();
    } else {
        // A challenge, not a 400: the application's HTTP client sends the credentials of its URL only
        // when the server asks for them.
        emit tokenRefused(user, QStringLiteral("invalid_client"));
        answerError(socket, 401, QStringLiteral("invalid_client"),
                    QStringLiteral("client authentication required"),
                    {{"WWW-Authenticate", "Basic realm=\"VYRA library service\""}});
        return;
    }
    if (clientId != m_config.clientId.toUtf8() || !sameSecret(clientSecret, m_config.clientSecret.toUtf8())) {
        qInfo("Library service: sign-in of %s refused: unknown client", qPrintable(logName(user)));
        emit tokenRefused(user, QStringLiteral("invalid_client"));
        answerError(socket, 400, QStringLiteral("invalid_client"), QStringLiteral("unknown client"));
        return;
    }
    if (grantType.isNull()) {
        answerError(socket, 400, QStringLiteral("invalid_request"), QStringLiteral("grant_type missing"));
        return;
    }
    if (grantType != QLatin1String("password")) {
        qInfo("Library service: sign-in of %s refused: grant \"%s\" not supported", qPrintable(logName(user)),
              qPrintable(UnitBodies::printable(grantType, 40)));
        emit tokenRefused(user, QStringLiteral("unsupported_grant_type"));
        answerError(socket, 400, QStringLiteral("unsupported_grant_type"),
                    QStringLiteral("only the password grant is supported"));
        return;
    }
    if (user.isNull() || password.isNull()) {
        answerError(socket, 400, QStringLiteral("invalid_request"),
                    QStringLiteral("username or password missing"));
        return;
    }
    if (user.trimmed().isEmpty() || !sameSecret(password.toUtf8(), m_config.password.toUtf8())) {
        qInfo("Library service: sign-in of %s refused: wrong user name or password",
              qPrintable(logName(user)));
        emit tokenRefused(user, QStringLiteral("invalid_grant"));
        answerError(socket, 400, QStringLiteral("invalid_grant"),
                    QStringLiteral("wrong user name or password"));
        return;
    }

    const QJsonObject tokens{{QStringLiteral("access_token"), randomToken()},
                             {QStringLiteral("refresh_token"), randomToken()},
                             {QStringLiteral("token_type"), QStringLiteral("bearer")},
                             {QStringLiteral("expires_in"), 3600}};
    qInfo("Library service: %s signed in", qPrintable(logName(user)));
    emit tokenIssued(user);
    answer(socket, 200, QJsonDocument(tokens).toJson(QJsonDocument::Compact));
}

void SimulatedLibraryService::answerError(QTcpSocket* socket, int status, const QString& error,
                                          const QString& description, const HeaderList& headers)
{
    const QJsonObject body{{QStringLiteral("error"), error},
                           {QStringLiteral("error_description"), description}};
    answer(socket, status, QJsonDocument(body).toJson(QJsonDocument::Compact), headers);
}

void SimulatedLibraryService::answer(QTcpSocket* socket, int status, const QByteArray& body,
                                     const HeaderList& headers)
{
    const auto it = m_connections.find(socket);
    if (it == m_connections.end() || it->answered)
        return;
    it->answered = true;
    it->buffer.clear();
    QByteArray response = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason(status) + "\r\n";
    response += "Content-Type: application/json;charset=UTF-8\r\n";
    response += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    // Tokens must not be kept by caches on the way.
    response += "Cache-Control: no-store\r\nPragma: no-cache\r\n";
    response += "Connection: close\r\n";
    for (const auto& header : headers)
        response += header.first + ": " + header.second + "\r\n";
    response += "\r\n" + body;
    socket->write(response);
    // Closes once the answer is out; the timer still ends a client that never reads it.
    socket->disconnectFromHost();
}

} // namespace Simulator
} // namespace Ulmar
