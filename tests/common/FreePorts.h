#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QUdpSocket>

// Ports that were free a moment ago on 127.0.0.1, so that tests can run side by side.
inline quint16 freeTcpPort()
{
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0;
}

inline quint16 freeUdpPort()
{
    QUdpSocket socket;
    return socket.bind(QHostAddress(QHostAddress::LocalHost), 0) ? socket.localPort() : 0;
}
