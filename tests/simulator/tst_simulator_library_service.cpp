// The simulated library service's token endpoint: what it answers, how it treats bad clients, and the
// simulated unit program that runs it beside the unit.
#include <memory>

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <rapidjson/document.h>

#include "AppClient.h"
#include "IsolatedEnvironment.h"
#include "MessageNames.h"
#include "SimulatedLibraryService.h"

using namespace Ulmar::Simulator;
namespace Type = Ulmar::Messaging::MessageType;

namespace {

constexpr int Timeout = 15000;
const QByteArray Client = "QXRVNMTB:WZKPHLDGSFYA";
const QByteArray DemoPassword = "vyra-demo";

struct Exchange
{
    QByteArray raw; // everything the service sent
    int status = 0;
    QByteArray head;
    QJsonObject json;
    bool closed = false; // the service closed the connection

    QByteArray header(const QByteArray& name) const
    {
        for (const QByteArray& line : head.split('\n')) {
            const int colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
                return line.mid(colon + 1).trimmed();
        }
        return QByteArray();
    }
};

// Sends `request` as it is (several pieces with `gapMs` between them), then reads until the service closes
// the connection or the timeout ends.
Exchange exchange(quint16 port, const QList<QByteArray>& pieces, int timeoutMs = Timeout, int gapMs = 0)
{
    Exchange e;
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!QTest::qWaitFor([&]() { return socket.state() == QAbstractSocket::ConnectedState; }, Timeout))
        return e;
    QObject::connect(&socket, &QTcpSocket::readyRead, [&]() { e.raw += socket.readAll(); });
    for (const QByteArray& piece : pieces) {
        socket.write(piece);
        if (gapMs > 0)
            QTest::qWait(gapMs);
    }
    e.closed =
        QTest::qWaitFor([&]() { return socket.state() == QAbstractSocket::UnconnectedState; }, timeoutMs);
    e.raw += socket.readAll();
    const int end = e.raw.indexOf("\r\n\r\n");
    if (end < 0)
        return e;
    e.head = e.raw.left(end);
    const QList<QByteArray> statusLine = e.head.split('\n').first().split(' ');
    if (statusLine.size() >= 2)
        e.status = statusLine[1].toInt();
    e.json = QJsonDocument::fromJson(e.raw.mid(end + 4)).object();
    return e;
}

QByteArray tokenRequest(const QByteArray& body, const QByteArray& auth = "Basic " + Client.toBase64(),
                        const QByteArray& method = "POST", const QByteArray& path = "/oauth/token",
                        const QByteArray& type = "application/x-www-form-urlencoded;charset=UTF-8")
{
    QByteArray r = method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    if (!type.isEmpty())
        r += "Content-Type: " + type + "\r\n";
    if (!auth.isEmpty())
        r += "Authorization: " + auth + "\r\n";
    r += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    return r;
}

QByteArray form(const QByteArray& user, const QByteArray& password)
{
    return "grant_type=password&username=" + QUrl::toPercentEncoding(user) +
           "&password=" + QUrl::toPercentEncoding(password);
}

std::unique_ptr<SimulatedLibraryService> startService(LibraryServiceConfig config = LibraryServiceConfig())
{
    auto service = std::make_unique<SimulatedLibraryService>(config);
    QString error;
    if (!service->start(&error))
        qWarning("%s", qPrintable(error));
    return service;
}

} // namespace

class TestLibraryService : public QObject
{
    Q_OBJECT

private slots:
    void answers_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");

        const QByteArray good = form("jane@example.com", DemoPassword);
        QTest::newRow("demo password") << tokenRequest(good) << 200 << "";
        QTest::newRow("any user name") << tokenRequest(form("x", DemoPassword)) << 200 << "";
        QTest::newRow("client in the form")
            << tokenRequest(good + "&client_id=QXRVNMTB&client_secret=WZKPHLDGSFYA", "") << 200 << "";
        QTest::newRow("wrong password")
            << tokenRequest(form("jane@example.com", "vyra-dem")) << 400 << "invalid_grant";
        QTest::newRow("password with a suffix")
            << tokenRequest(form("jane@example.com", DemoPassword + "x")) << 400 << "invalid_grant";
        QTest::newRow("empty password")
            << tokenRequest(form("jane@example.com", "")) << 400 << "invalid_grant";
        QTest::newRow("empty user name") << tokenRequest(form("", DemoPassword)) << 400 << "invalid_grant";
        QTest::newRow("no client credentials") << tokenRequest(good, "") << 401 << "invalid_client";
        QTest::newRow("wrong client secret")
            << tokenRequest(good, "Basic " + QByteArray("QXRVNMTB:WZKPHLDGSFYB").toBase64()) << 400
            << "invalid_client";
        QTest::newRow("wrong client id")
            << tokenRequest(good, "Basic " + QByteArray("QXRVNMTC:WZKPHLDGSFYA").toBase64()) << 400
            << "invalid_client";
        QTest::newRow("secret missing")
            << tokenRequest(good, "Basic " + QByteArray("QXRVNMTB").toBase64()) << 400 << "invalid_client";
        QTest::newRow("not basic") << tokenRequest(good, "Bearer abc") << 400 << "invalid_client";
        QTest::newRow("client in header and form")
            << tokenRequest(good + "&client_id=QXRVNMTB&client_secret=WZKPHLDGSFYA") << 400
            << "invalid_request";
        QTest::newRow("wrong grant") << tokenRequest(
                                            "grant_type=client_credentials&username=a&password=vyra-demo")
                                     << 400 << "unsupported_grant_type";
        QTest::newRow("no grant") << tokenRequest("username=a&password=vyra-demo") << 400
                                  << "invalid_request";
        QTest::newRow("no password") << tokenRequest("grant_type=password&username=a") << 400
                                     << "invalid_request";
        QTest::newRow("password twice") << tokenRequest(good + "&password=other") << 400 << "invalid_request";
        QTest::newRow("JSON body") << tokenRequest(R"({"grant_type":"password"})",
                                                   "Basic " + Client.toBase64(), "POST", "/oauth/token",
                                                   "application/json")
                                   << 400 << "invalid_request";
        QTest::newRow("other path") << tokenRequest(good, "Basic " + Client.toBase64(), "POST",
                                                    "/oauth/tokens")
                                    << 404 << "not_found";
        QTest::newRow("GET") << tokenRequest("", "Basic " + Client.toBase64(), "GET") << 405
                             << "invalid_request";
        QTest::newRow("query string ignored")
            << tokenRequest(good, "Basic " + Client.toBase64(), "POST", "/oauth/token?x=1") << 200 << "";
        QTest::newRow("garbage request line") << QByteArray("HELLO\r\n\r\n") << 400 << "invalid_request";
        QTest::newRow("bad length") << QByteArray("POST /oauth/token HTTP/1.1\r\nContent-Length: -5\r\n\r\n")
                                    << 400 << "invalid_request";
        QTest::newRow("two lengths")
            << QByteArray("POST /oauth/token HTTP/1.1\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\nabcd")
            << 400 << "invalid_request";
        QTest::newRow("chunked")
            << QByteArray(
                   "POST /oauth/token HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n")
            << 411 << "invalid_request";
    }

    void answers()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QFETCH(QString, error);
        auto service = startService();
        QVERIFY(service->isListening());
        const Exchange e = exchange(service->port(), {request});
        QVERIFY2(e.closed, e.raw.constData());
        QCOMPARE(e.status, status);
        QCOMPARE(e.header("Content-Type"), QByteArray("application/json;charset=UTF-8"));
        QCOMPARE(e.header("Cache-Control"), QByteArray("no-store"));
        if (status == 200) {
            QVERIFY(e.json.value("error").isUndefined());
            QVERIFY(!e.json.value("access_token").toString().isEmpty());
        } else {
            QCOMPARE(e.json.value("error").toString(), error);
            QVERIFY(e.json.value("access_token").isUndefined());
        }
        // The HTTP client only sends the credentials of its URL after a challenge.
        if (status == 401)
            QVERIFY(e.header("WWW-Authenticate").startsWith("Basic "));
        if (status == 405)
            QCOMPARE(e.header("Allow"), QByteArray("POST"));
    }

    void tokensAreFreshAndDistinct()
    {
        auto service = startService();
        QSignalSpy issued(service.get(), &SimulatedLibraryService::tokenIssued);
        const Exchange a = exchange(service->port(), {tokenRequest(form("ann", DemoPassword))});
        const Exchange b = exchange(service->port(), {tokenRequest(form("ann", DemoPassword))});
        QCOMPARE(a.status, 200);
        QCOMPARE(b.status, 200);
        const QStringList tokens{
            a.json.value("access_token").toString(), a.json.value("refresh_token").toString(),
            b.json.value("access_token").toString(), b.json.value("refresh_token").toString()};
        for (const QString& t : tokens) {
            QVERIFY(t.size() >= 32);
            // Safe to put in a URL or a form as it is.
            QVERIFY(QRegularExpression("^[A-Za-z0-9_-]+$").match(t).hasMatch());
            QCOMPARE(tokens.count(t), 1);
        }
        QCOMPARE(a.json.value("token_type").toString(), QString("bearer"));
        QCOMPARE(a.json.value("expires_in").toInt(), 3600);
        QCOMPARE(issued.count(), 2);
        QCOMPARE(issued.at(0).at(0).toString(), QString("ann"));
    }

    // Form decoding: "+" is a space, "%2B" a plus; "&" and "=" inside a value arrive encoded.
    void passwordDecoding()
    {
        LibraryServiceConfig config;
        config.password = QStringLiteral("p&ss=w rd+é");
        auto service = startService(config);
        QCOMPARE(exchange(service->port(), {tokenRequest(form("u", config.password.toUtf8()))}).status, 200);
        QCOMPARE(exchange(service->port(),
                          {tokenRequest("grant_type=password&username=u&password=p%26ss%3Dw+rd%2B%C3%A9")})
                     .status,
                 200);
        // A raw plus is a space, not the plus of the password.
        QCOMPARE(exchange(service->port(),
                          {tokenRequest("grant_type=password&username=u&password=p%26ss%3Dw+rd+%C3%A9")})
                     .status,
                 400);
    }

    // What the application's HTTP client does with a URL that carries the client in its user info.
    void clientCredentialsInUrl()
    {
        auto service = startService();
        QNetworkAccessManager manager;
        QUrl url(service->uri() + "/oauth/token");
        url.setUserInfo(QString::fromLatin1(Client));
        QNetworkRequest request(url);
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
        std::unique_ptr<QNetworkReply> reply(
            manager.post(request, form("jane+vyra@example.com", DemoPassword)));
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        QVERIFY(finished.wait(Timeout));
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
        const QJsonObject json = QJsonDocument::fromJson(reply->readAll()).object();
        QVERIFY(!json.value("refresh_token").toString().isEmpty());
    }

    void oversizedRequests()
    {
        LibraryServiceConfig config;
        config.maxRequestBytes = 4096;
        auto service = startService(config);
        // Headers that never end.
        QByteArray endless = "POST /oauth/token HTTP/1.1\r\n";
        while (endless.size() < 64 * 1024)
            endless += "X-Filler: " + QByteArray(100, 'a') + "\r\n";
        Exchange e = exchange(service->port(), {endless});
        QVERIFY(e.closed);
        QCOMPARE(e.status, 413);
        // A length above the limit is refused before any of the body arrives.
        e = exchange(service->port(), {"POST /oauth/token HTTP/1.1\r\nContent-Length: 100000000000\r\n\r\n"});
        QVERIFY(e.closed);
        QCOMPARE(e.status, 413);
        e = exchange(service->port(),
                     {tokenRequest(form("u", DemoPassword) + "&pad=" + QByteArray(5000, 'x'))});
        QVERIFY(e.closed);
        QCOMPARE(e.status, 413);
        // Just under the limit is fine.
        const QByteArray body = form("u", DemoPassword) + "&pad=";
        const QByteArray head = tokenRequest(body);
        e = exchange(service->port(), {tokenRequest(body + QByteArray(4096 - head.size() - 5, 'x'))});
        QCOMPARE(e.status, 200);
        QTRY_COMPARE_WITH_TIMEOUT(service->connectionCount(), 0, Timeout);
    }

    void slowAndSilentClients()
    {
        LibraryServiceConfig config;
        config.readTimeoutMs = 300;
        auto service = startService(config);
        // Half a request, then nothing.
        Exchange e = exchange(service->port(), {"POST /oauth/token HTTP/1.1\r\nContent-Le"});
        QVERIFY(e.closed);
        QCOMPARE(e.status, 408);
        // A body shorter than announced.
        e = exchange(service->port(), {"POST /oauth/token HTTP/1.1\r\nContent-Length: 50\r\n\r\ngrant_type"});
        QVERIFY(e.closed);
        QCOMPARE(e.status, 408);
        // Nothing at all.
        e = exchange(service->port(), {});
        QVERIFY(e.closed);
        QTRY_COMPARE_WITH_TIMEOUT(service->connectionCount(), 0, Timeout);
        // A request in pieces that arrives in time is answered.
        config.readTimeoutMs = 10000;
        auto patient = startService(config);
        const QByteArray request = tokenRequest(form("u", DemoPassword));
        e = exchange(patient->port(), {request.left(20), request.mid(20, 40), request.mid(60)}, Timeout, 50);
        QCOMPARE(e.status, 200);
    }

    void connectionLimit()
    {
        LibraryServiceConfig config;
        config.maxConnections = 2;
        auto service = startService(config);
        QTcpSocket idle[3];
        for (QTcpSocket& s : idle)
            s.connectToHost(QHostAddress::LocalHost, service->port());
        QTRY_COMPARE_WITH_TIMEOUT(service->connectionCount(), 2, Timeout);
        // One of the three was closed at once; the others stay until they time out.
        QTRY_VERIFY_WITH_TIMEOUT(idle[0].state() == QAbstractSocket::UnconnectedState ||
                                     idle[1].state() == QAbstractSocket::UnconnectedState ||
                                     idle[2].state() == QAbstractSocket::UnconnectedState,
                                 Timeout);
        for (QTcpSocket& s : idle)
            s.abort();
        QTRY_COMPARE_WITH_TIMEOUT(service->connectionCount(), 0, Timeout);
        QCOMPARE(exchange(service->port(), {tokenRequest(form("u", DemoPassword))}).status, 200);
    }

    void stopClosesConnections()
    {
        auto service = startService();
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, service->port());
        QTRY_COMPARE_WITH_TIMEOUT(service->connectionCount(), 1, Timeout);
        service->stop();
        QVERIFY(!service->isListening());
        QCOMPARE(service->connectionCount(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QAbstractSocket::UnconnectedState, Timeout);
        // A service destroyed with a connection open (the program's exit).
        auto other = startService();
        QTcpSocket second;
        second.connectToHost(QHostAddress::LocalHost, other->port());
        QTRY_COMPARE_WITH_TIMEOUT(other->connectionCount(), 1, Timeout);
        other.reset();
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QAbstractSocket::UnconnectedState, Timeout);
    }
};

// The simulated unit program: its service, the address it reports, and a log free of secrets.
class TestLibraryServiceProgram : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    struct Program
    {
        std::unique_ptr<QProcess> process;
        QByteArray log;
        QByteArray read()
        {
            log += process->readAll();
            return log;
        }
        ~Program()
        {
            if (process && process->state() != QProcess::NotRunning) {
                process->terminate();
                if (!process->waitForFinished(Timeout))
                    process->kill();
                process->waitForFinished(Timeout);
            }
        }
    };

    std::unique_ptr<Program> start(const QStringList& extra)
    {
        auto p = std::make_unique<Program>();
        p->process = std::make_unique<QProcess>();
        p->process->setProcessEnvironment(isolatedEnvironment(m_dir.path()));
        p->process->setProcessChannelMode(QProcess::MergedChannels);
        p->process->start(qEnvironmentVariable("VYRA_BUILD_DIR") + "/bin/vyra_simulated_unit",
                          QStringList{"--plain", "--no-announce", "--port", "0", "--no-scenario"} + extra);
        return p;
    }

    static QString captured(const QByteArray& log, const QString& pattern)
    {
        return QRegularExpression(pattern).match(QString::fromUtf8(log)).captured(1);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        if (!QFile::exists(qEnvironmentVariable("VYRA_BUILD_DIR") + "/bin/vyra_simulated_unit"))
            QFAIL("the simulated unit is not built");
    }

    void signInThroughTheUnit()
    {
        auto unit = start({"--library-service-port", "0"});
        QTRY_VERIFY_WITH_TIMEOUT(unit->read().contains("Library service address reported"), Timeout);
        const QString uri = captured(unit->log, R"(Library service on (http://127\.0\.0\.1:\d+))");
        QVERIFY2(!uri.isEmpty(), unit->log.constData());
        QCOMPARE(captured(unit->log, R"(Library service address reported: (\S+))"), uri);
        const quint16 servicePort = quint16(QUrl(uri).port());
        const quint16 unitPort = quint16(captured(unit->log, R"(listening on 127\.0\.0\.1:(\d+))").toUInt());
        QVERIFY(unitPort > 0);

        const Exchange refused =
            exchange(servicePort, {tokenRequest(form("jane@example.com", "hunter2-secret"))});
        QCOMPARE(refused.json.value("error").toString(), QString("invalid_grant"));
        const Exchange e = exchange(servicePort, {tokenRequest(form("jane@example.com", DemoPassword))});
        QCOMPARE(e.status, 200);
        const QString access = e.json.value("access_token").toString();
        const QString refresh = e.json.value("refresh_token").toString();

        // The application hands the tokens to the unit, which reports itself registered at that address.
        AppClient app(unitPort, false);
        QTRY_VERIFY_WITH_TIMEOUT(app.isConnected(), Timeout);
        const QJsonObject credentials{
            {"username", "jane@example.com"}, {"access_token", access}, {"refresh_token", refresh}};
        QVERIFY(app.send(Type::SetLibraryServiceCredentials,
                         QJsonDocument(credentials).toJson(QJsonDocument::Compact).toStdString()));
        QTRY_VERIFY_WITH_TIMEOUT(
            app.log->last(Type::GetLibraryServiceLoginStatus).find("\"isRegistered\":true") !=
                std::string::npos,
            Timeout);
        rapidjson::Document status;
        status.Parse(app.log->last(Type::GetLibraryServiceLoginStatus).c_str());
        QVERIFY(status.IsObject() && status.HasMember("serviceURI") && status["serviceURI"].IsString());
        QCOMPARE(QString::fromUtf8(status["serviceURI"].GetString()), uri);

        QTRY_VERIFY_WITH_TIMEOUT(unit->read().contains("SetLibraryServiceCredentials"), Timeout);
        const QByteArray log = unit->read();
        QVERIFY(log.contains("\"jane@example.com\" signed in"));
        QVERIFY(log.contains("wrong user name or password"));
        for (const QByteArray& secret : {DemoPassword, QByteArray("hunter2-secret"), access.toLatin1(),
                                         refresh.toLatin1(), QByteArray("WZKPHLDGSFYA")})
            QVERIFY2(!log.contains(secret), log.constData());
    }

    // A second unit, or a test beside this one, may hold the port: the unit still starts.
    void takenPortFallsBack()
    {
        QTcpServer holder;
        QVERIFY(holder.listen(QHostAddress::LocalHost, 0));
        auto unit = start({"--library-service-port", QString::number(holder.serverPort())});
        QTRY_VERIFY_WITH_TIMEOUT(unit->read().contains("Library service address reported"), Timeout);
        QVERIFY2(unit->log.contains("using a free port instead"), unit->log.constData());
        const QString uri = captured(unit->log, R"(Library service on (http://127\.0\.0\.1:\d+))");
        QVERIFY2(!uri.isEmpty(), unit->log.constData());
        QVERIFY(QUrl(uri).port() != holder.serverPort());
        QCOMPARE(exchange(quint16(QUrl(uri).port()), {tokenRequest(form("u", DemoPassword))}).status, 200);
    }

    void serviceOffOrElsewhere()
    {
        auto off = start({"--no-library-service"});
        QTRY_VERIFY_WITH_TIMEOUT(off->read().contains("Library service address reported"), Timeout);
        QVERIFY(!off->log.contains("Library service on"));
        // An address given by hand is reported as it is, whatever the service's port.
        auto elsewhere = start({"--library-service-port", "0", "--service-uri", "https://127.0.0.1:9/mcls"});
        QTRY_VERIFY_WITH_TIMEOUT(elsewhere->read().contains("Library service address reported"), Timeout);
        QCOMPARE(captured(elsewhere->log, R"(Library service address reported: (\S+))"),
                 QString("https://127.0.0.1:9/mcls"));
        auto bad = start({"--library-service-port", "70000"});
        QVERIFY(bad->process->waitForFinished(Timeout));
        QCOMPARE(bad->process->exitCode(), 2);
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        TestLibraryService t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        TestLibraryServiceProgram t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_simulator_library_service.moc"
