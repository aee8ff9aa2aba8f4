#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>

#include "Discoverer.h"
#include "Wire.h"

namespace Ulmar {
namespace Messaging {

// One UDP socket per discovery port and process, shared by every Discoverer listening on that port. With
// address reuse the kernel hands a unicast datagram to only one of several sockets bound to a port, so two
// Messengers of one process must not each bind their own.
class DiscoverySocket
{
public:
    // The socket of that port, bound on first use; nullptr when the port cannot be bound (logged).
    static std::shared_ptr<DiscoverySocket> acquire(std::uint16_t port);
    ~DiscoverySocket();
    DiscoverySocket(const DiscoverySocket&) = delete;
    DiscoverySocket& operator=(const DiscoverySocket&) = delete;

    void subscribe(const std::shared_ptr<tavik::Messaging::Discoverer>& discoverer);
    void unsubscribe(const std::shared_ptr<tavik::Messaging::Discoverer>& discoverer);

private:
    explicit DiscoverySocket(std::uint16_t port);
    bool bind();
    void receiveNext();
    void dispatch(std::size_t size);

    const std::uint16_t m_port;
    boost::asio::io_context m_io;
    boost::asio::ip::udp::socket m_socket;
    std::thread m_thread;
    boost::asio::ip::udp::endpoint m_sender;
    // One byte more than a valid datagram may hold, to tell an oversized one apart.
    std::array<char, Wire::kMaxDatagramSize + 1> m_buffer{};
    std::mutex m_mutex;
    std::vector<std::shared_ptr<tavik::Messaging::Discoverer>> m_subscribers;
};

} // namespace Messaging
} // namespace Ulmar
