#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>

#include "Wire.h"

namespace Ulmar {
namespace Messaging {

// Asks a fixed host for its announcement, and so for its key, by unicast UDP queries: one when started,
// then one every kQueryInterval while the owner calls sendQuery() when nextQuery() is due. The socket is
// non-blocking; the owner waits on its descriptor. One thread only (the Messenger's I/O thread).
class KeyQueryClient
{
public:
    // Time between two queries, within one attempt window.
    static constexpr std::chrono::milliseconds kQueryInterval{500};

    explicit KeyQueryClient(std::string serviceName);
    ~KeyQueryClient();
    KeyQueryClient(const KeyQueryClient&) = delete;
    KeyQueryClient& operator=(const KeyQueryClient&) = delete;

    // Looks up `host` (never "host:port"; IPv4 first, IPv6 when the host has nothing else), opens the socket
    // and sends the first query. False (logged) when the host cannot be resolved or the socket not opened.
    bool start(const std::string& host, std::uint16_t port);
    void close();
    bool isOpen() const { return m_socket != nullptr; }
    int nativeHandle() const;
    std::chrono::steady_clock::time_point nextQuery() const { return m_nextQuery; }
    void sendQuery();
    // Reads every datagram waiting; true with the first well-formed announcement of the service that comes
    // from the queried address. Anything else is ignored.
    bool readAnswer(Wire::Announcement& answer);

private:
    const std::string m_serviceName;
    std::string m_host;
    boost::asio::io_context m_io;
    std::unique_ptr<boost::asio::ip::udp::socket> m_socket;
    boost::asio::ip::udp::endpoint m_peer;
    std::chrono::steady_clock::time_point m_nextQuery{};
};

} // namespace Messaging
} // namespace Ulmar
