#pragma once

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;
class QTimer;

namespace Ulmar {
namespace Simulator {

struct LibraryServiceConfig
{
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 0; // 0: a free port
    // The client credentials the application sends; any user name with this password signs in.
    QString clientId = QStringLiteral("QXRVNMTB");
    QString clientSecret = QStringLiteral("WZKPHLDGSFYA");
    QString password = QStringLiteral("vyra-demo");
    // A request (headers and body) above this is refused and the connection closed.
    int maxRequestBytes = 16 * 1024;
    // A request not complete within this time is refused and the connection closed.
    int readTimeoutMs = 10000;
    // Connections beyond this are closed at once.
    int maxConnections = 32;
};

// A stand-in for the motion code library service's token endpoint: "POST /oauth/token" with an OAuth 2
// password grant. One request per connection; answers are JSON. Never logs a password or a token.
class SimulatedLibraryService : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 DefaultPort = 12750;

    explicit SimulatedLibraryService(LibraryServiceConfig config = LibraryServiceConfig(),
                                     QObject* parent = nullptr);
    ~SimulatedLibraryService() override;

    bool start(QString* error = nullptr);
    void stop();
    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }
    // "http://<address>:<port>", what a unit reports as its service address.
    QString uri() const;
    int connectionCount() const { return m_connections.size(); }
    const LibraryServiceConfig& config() const { return m_config; }

signals:
    // user is the user name as sent (not sanitised); error is the OAuth 2 error code.
    void tokenIssued(const QString& user);
    void tokenRefused(const QString& user, const QString& error);

private:
    struct Connection
    {
        QByteArray buffer;
        QTimer* timer = nullptr;
        bool answered = false;
    };

    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);
    void answer(QTcpSocket* socket, int status, const QByteArray& body,
                const QList<QPair<QByteArray, QByteArray>>& headers = {});
    void answerError(QTcpSocket* socket, int status, const QString& error, const QString& description,
                     const QList<QPair<QByteArray, QByteArray>>& headers = {});
    void handleRequest(QTcpSocket* socket, const QByteArray& method, const QByteArray& target,
                       const QHash<QByteArray, QByteArray>& headers, const QByteArray& body);
    void forget(QTcpSocket* socket);

    LibraryServiceConfig m_config;
    QTcpServer m_server;
    QHash<QTcpSocket*, Connection> m_connections;
};

} // namespace Simulator
} // namespace Ulmar
