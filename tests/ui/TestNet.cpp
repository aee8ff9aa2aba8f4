#include "TestNet.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QMutex>
#include <QStringList>

namespace {
QMutex g_logMutex;
QStringList g_log;
QtMessageHandler g_previousHandler = nullptr;

void recordMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    {
        QMutexLocker lock(&g_logMutex);
        g_log.append(message);
    }
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}
} // namespace

void installLogRecorder()
{
    // The test library installs its own handler when logging starts: go on top of it.
    QtMessageHandler previous = qInstallMessageHandler(recordMessage);
    if (previous != recordMessage)
        g_previousHandler = previous;
}

bool TestNet::logContains(const QString& text) const
{
    QMutexLocker lock(&g_logMutex);
    for (const QString& line : g_log) {
        if (line.contains(text))
            return true;
    }
    return false;
}

TestNet::~TestNet()
{
    stopTokenServer();
}

void TestNet::stopTokenServer()
{
    if (!m_node)
        return;
    m_node->disconnect(this);
    m_node->terminate();
    if (!m_node->waitForFinished(3000))
        m_node->kill();
    m_node->waitForFinished(3000);
    m_node.reset();
}

int TestNet::startTokenServer(const QString& username, const QString& password)
{
    const QString dir = QStringLiteral(VYRA_OAUTH_SERVER_DIR);
    if (!QDir(dir + "/node_modules/@node-oauth/oauth2-server").exists()) {
        qWarning("token server modules missing: run scripts/install-test-node-modules.sh");
        return -1;
    }
    stopTokenServer();
    m_output.clear();
    m_node = std::make_unique<QProcess>();
    m_node->setWorkingDirectory(dir);
    m_node->setProcessChannelMode(QProcess::MergedChannels);
    connect(m_node.get(), &QProcess::readyRead, this,
            [this] { m_output += QString::fromUtf8(m_node->readAll()); });
    m_node->start("node", {"server.js", "QXRVNMTB", "WZKPHLDGSFYA", username, password});
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        m_node->waitForReadyRead(100);
        QCoreApplication::processEvents();
        const int at = m_output.indexOf("LISTENING ");
        if (at >= 0) {
            const int end = m_output.indexOf('\n', at);
            if (end > at)
                return m_output.mid(at + 10, end - at - 10).trimmed().toInt();
        }
        if (m_node->state() == QProcess::NotRunning)
            break;
    }
    qWarning("token server did not start: %s", qPrintable(m_output));
    return -1;
}

QStringList TestNet::issuedTokens()
{
    if (m_node)
        m_output += QString::fromUtf8(m_node->readAll());
    QStringList out;
    for (const auto& line : m_output.split('\n')) {
        if (line.startsWith("ISSUED "))
            out << line.mid(7).split(' ');
    }
    return out;
}

int TestNet::silentPort()
{
    if (!m_silent.isListening()) {
        m_silent.listen(QHostAddress::LocalHost, 0);
        connect(&m_silent, &QTcpServer::newConnection, this, [this] {
            while (auto* s = m_silent.nextPendingConnection())
                m_held.push_back(s); // held open, never answered
        });
    }
    return m_silent.serverPort();
}

int TestNet::fixedAnswerPort(int status, const QString& body)
{
    const QByteArray json = body.toUtf8();
    m_fixedAnswer = "HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Type: application/json\r\n" +
                    "Content-Length: " + QByteArray::number(json.size()) + "\r\nConnection: close\r\n\r\n" +
                    json;
    if (!m_fixed.isListening()) {
        m_fixed.listen(QHostAddress::LocalHost, 0);
        connect(&m_fixed, &QTcpServer::newConnection, this, [this] {
            while (auto* s = m_fixed.nextPendingConnection()) {
                // Answers once the request's head is in; the body does not matter here.
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    if (!s->peek(1 << 16).contains("\r\n\r\n") || s->property("answered").toBool())
                        return;
                    s->setProperty("answered", true);
                    s->write(m_fixedAnswer);
                    s->disconnectFromHost();
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    return m_fixed.serverPort();
}

int TestNet::closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();
    return port;
}
