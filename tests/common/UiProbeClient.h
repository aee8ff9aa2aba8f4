#pragma once

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>

// The test's end of the UI probe plugin loaded into the real program: one JSON request per line, one JSON
// answer per line.
class UiProbeClient
{
public:
    bool connectTo(const QString& socketName)
    {
        m_socket.abort();
        m_socket.connectToServer(socketName);
        return m_socket.waitForConnected(200);
    }

    void close() { m_socket.abort(); }
    void disconnect() { m_socket.disconnectFromServer(); }

    QJsonObject ask(const QJsonObject& request)
    {
        m_socket.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
        m_socket.flush();
        QDeadlineTimer deadline(20000);
        while (!m_socket.canReadLine() && !deadline.hasExpired())
            m_socket.waitForReadyRead(100);
        return QJsonDocument::fromJson(m_socket.readLine()).object();
    }

private:
    QLocalSocket m_socket;
};
