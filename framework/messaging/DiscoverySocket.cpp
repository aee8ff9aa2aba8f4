#include "DiscoverySocket.h"

#include <algorithm>
#include <map>

#include <boost/asio/socket_base.hpp>
#if defined(SO_REUSEPORT)
#include <boost/asio/detail/socket_option.hpp>
#endif

#include "DiscoveryListener.h"
#include "MessagingLog.h"
#include "ThreadName.h"

namespace Ulmar {
namespace Messaging {

namespace asio = boost::asio;
using asio::ip::udp;

namespace {
std::mutex g_socketsMutex;
std::map<std::uint16_t, std::weak_ptr<DiscoverySocket>> g_sockets;
} // namespace

std::shared_ptr<DiscoverySocket> DiscoverySocket::acquire(std::uint16_t port)
{
    std::lock_guard<std::mutex> lock(g_socketsMutex);
    if (auto existing = g_sockets[port].lock())
        return existing;
    std::shared_ptr<DiscoverySocket> created(new DiscoverySocket(port));
    if (!created->bind())
        return nullptr;
    g_sockets[port] = created;
    return created;
}

DiscoverySocket::DiscoverySocket(std::uint16_t port) : m_port(port), m_socket(m_io) {}

bool DiscoverySocket::bind()
{
    boost::system::error_code ec;
    m_socket.open(udp::v4(), ec);
    if (!ec)
        m_socket.set_option(asio::socket_base::reuse_address(true), ec);
#if defined(SO_REUSEPORT)
    if (!ec)
        m_socket.set_option(asio::detail::socket_option::boolean<SOL_SOCKET, SO_REUSEPORT>(true), ec);
#endif
    if (!ec)
        m_socket.bind(udp::endpoint(asio::ip::address_v4::any(), m_port), ec);
    if (ec) {
        qCWarning(lcMessaging, "Discovery: cannot listen on UDP port %u: %s", unsigned(m_port),
                  ec.message().c_str());
        return false;
    }
    receiveNext();
    m_thread = std::thread([this] {
        nameCurrentThread("msg-discovery");
        m_io.run();
    });
    qCDebug(lcMessaging, "Discovery: listening on UDP port %u", unsigned(m_port));
    return true;
}

DiscoverySocket::~DiscoverySocket()
{
    m_io.stop();
    if (m_thread.joinable())
        m_thread.join();
    boost::system::error_code ignored;
    m_socket.close(ignored);
    qCDebug(lcMessaging, "Discovery: stopped listening on UDP port %u", unsigned(m_port));
}

void DiscoverySocket::subscribe(const std::shared_ptr<tavik::Messaging::Discoverer>& discoverer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (std::find(m_subscribers.begin(), m_subscribers.end(), discoverer) == m_subscribers.end())
        m_subscribers.push_back(discoverer);
}

void DiscoverySocket::unsubscribe(const std::shared_ptr<tavik::Messaging::Discoverer>& discoverer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_subscribers.erase(std::remove(m_subscribers.begin(), m_subscribers.end(), discoverer),
                        m_subscribers.end());
}

void DiscoverySocket::receiveNext()
{
    m_socket.async_receive_from(
        asio::buffer(m_buffer), m_sender, [this](const boost::system::error_code& ec, std::size_t size) {
            if (ec == asio::error::operation_aborted)
                return;
            if (ec)
                qCDebug(lcMessaging, "Discovery: datagram ignored: %s", ec.message().c_str());
            else
                dispatch(size);
            receiveNext();
        });
}

void DiscoverySocket::dispatch(std::size_t size)
{
    std::vector<std::shared_ptr<tavik::Messaging::Discoverer>> subscribers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        subscribers = m_subscribers;
    }
    try {
        const std::string sender = m_sender.address().to_string();
        for (const auto& discoverer : subscribers)
            DiscoveryListener::handleDatagram(m_buffer.data(), size, sender, *discoverer);
    } catch (const std::exception& e) {
        // A throwing unitAdded slot must not end listening for everybody.
        qCWarning(lcMessaging, "Discovery: announcement not handled: %s", e.what());
    }
}

} // namespace Messaging
} // namespace Ulmar
