#pragma once

#include <string>

#include <zmq.hpp>

namespace Ulmar {
namespace Messaging {

// The connection events of one socket, read without blocking by the thread that owns that socket.
class SocketMonitor
{
public:
    SocketMonitor(zmq::context_t& context, zmq::socket_t& watched, int events);
    ~SocketMonitor();
    SocketMonitor(const SocketMonitor&) = delete;
    SocketMonitor& operator=(const SocketMonitor&) = delete;

    zmq::socket_t& socket() { return m_pair; }
    // The next pending event (ZMQ_EVENT_*), or 0 when none is waiting.
    int next();

private:
    zmq::socket_t& m_watched;
    zmq::socket_t m_pair;
};

} // namespace Messaging
} // namespace Ulmar
