#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QUdpSocket>

// Ports that were free a moment ago on 127.0.0.1, so that tests can run side by side. A unit listens on a
// TCP port and answers key queries on the UDP port of the same number, so a TCP port is only handed out
// when its UDP twin is free too.
inline quint16 freeTcpPort()
{
    for (int attempt = 0; attempt < 32; ++attempt) {
        QTcpServer server;
        if (!server.listen(QHostAddress::LocalHost, 0))
            return 0;
        QUdpSocket twin;
        if (twin.bind(QHostAddress(QHostAddress::LocalHost), server.serverPort()))
            return server.serverPort();
    }
    return 0;
}

inline quint16 freeUdpPort()
{
    QUdpSocket socket;
    return socket.bind(QHostAddress(QHostAddress::LocalHost), 0) ? socket.localPort() : 0;
}
