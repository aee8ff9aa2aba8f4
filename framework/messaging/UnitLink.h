#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "IMessage.h"
#include "Messenger.h"
#include "SocketMonitor.h"
#include "Wire.h"

namespace Ulmar {
namespace Messaging {

// The DEALER socket of a Messenger's link to its unit, and the monitor of its connection events. The I/O
// thread opens, reads and closes it; callers send on it too (sendIfUp), so every use of the socket holds the
// link's mutex. The I/O thread waits on the socket's descriptor, not on the socket.
class UnitLink
{
public:
    explicit UnitLink(zmq::context_t& context) : m_context(context) {}
    UnitLink(const UnitLink&) = delete;
    UnitLink& operator=(const UnitLink&) = delete;

    // I/O thread.
    // Connects to host:port, with CURVE when serverKey is not empty; throws zmq::error_t.
    void open(const std::string& host, std::uint16_t port, const std::string& serverKey, unsigned reconnectMs,
              unsigned timeoutMs);
    void close(); // also: security Down, not up
    bool isOpen() const { return m_dealer != nullptr; }
    bool encrypted() const { return m_encrypted; }
    zmq::fd_t fd() const { return m_fd; }
    SocketMonitor& monitor() { return *m_monitor; }
    bool isMonitored() const { return m_monitor != nullptr; }
    // Whether a message waits on the socket: the descriptor tells of news only once.
    bool hasInput();
    // False when nothing waits; throws zmq::error_t.
    bool receive(zmq::multipart_t& frames);
    Wire::SendResult send(zmq::multipart_t& frames);
    // The greeting that asks the unit for `serviceName`. False when it must be tried again shortly: right
    // after the handshake the pipe may not be attached yet.
    bool sendHello(const std::string& serviceName);
    // In order, under one hold of the lock; a request that cannot be sent is logged.
    void sendStateRequests(const std::vector<std::shared_ptr<IMessage>>& requests);
    void setSecurity(Messenger::LinkSecurity security) { m_security = security; }
    // Greeted and the state requests sent: callers may send for themselves from now on.
    void setUp();

    // Any thread.
    Messenger::LinkSecurity security() const { return m_security.load(); }
    // The direct send: false when the link is not up (or, for a confidential message, no longer pinned)
    // and the I/O thread must decide. inputWaiting: the call took the descriptor's notice of a message that
    // arrived, so the I/O thread must be woken to read it.
    bool sendIfUp(const IMessage& message, bool confidential, bool& inputWaiting);

private:
    zmq::context_t& m_context;
    std::atomic<Messenger::LinkSecurity> m_security{Messenger::LinkSecurity::Down};
    bool m_encrypted = false; // I/O thread
    std::mutex m_mutex;
    std::unique_ptr<zmq::socket_t> m_dealer; // created and destroyed by the I/O thread, under m_mutex
    zmq::fd_t m_fd{};
    bool m_up = false; // under m_mutex
    std::unique_ptr<SocketMonitor> m_monitor;
};

} // namespace Messaging
} // namespace Ulmar
