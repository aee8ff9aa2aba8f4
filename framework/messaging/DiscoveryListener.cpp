#include "DiscoveryListener.h"

#include <algorithm>
#include <vector>

#include <boost/asio/socket_base.hpp>
#if defined(SO_REUSEPORT)
#include <boost/asio/detail/socket_option.hpp>
#endif

#include "MessagingLog.h"

namespace Ulmar {
namespace Messaging {

namespace asio = boost::asio;
using asio::ip::udp;

DiscoveryListener::DiscoveryListener(std::uint16_t port,
                                     std::shared_ptr<tavik::Messaging::Discoverer> discoverer)
    : m_port(port), m_discoverer(std::move(discoverer))
{}

DiscoveryListener::~DiscoveryListener()
{
    stop();
}

bool DiscoveryListener::start()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_thread.joinable())
        return true;
    auto io = std::make_unique<asio::io_context>();
    auto socket = std::make_unique<udp::socket>(*io);
    boost::system::error_code ec;
    socket->open(udp::v4(), ec);
    if (!ec)
        socket->set_option(asio::socket_base::reuse_address(true), ec);
#if defined(SO_REUSEPORT)
    if (!ec)
        socket->set_option(asio::detail::socket_option::boolean<SOL_SOCKET, SO_REUSEPORT>(true), ec);
#endif
    if (!ec)
        socket->bind(udp::endpoint(asio::ip::address_v4::any(), m_port), ec);
    if (ec) {
        qCWarning(lcMessaging, "Discovery: cannot listen on UDP port %u: %s", unsigned(m_port),
                  ec.message().c_str());
        return false;
    }
    m_io = std::move(io);
    m_socket = std::move(socket);
    receiveNext();
    m_thread = std::thread([io = m_io.get()] { io->run(); });
    qCDebug(lcMessaging, "Discovery: listening on UDP port %u", unsigned(m_port));
    return true;
}

void DiscoveryListener::stop()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_thread.joinable())
        return;
    m_io->stop();
    m_thread.join();
    boost::system::error_code ignored;
    m_socket->close(ignored);
    m_socket.reset();
    m_io.reset();
    qCDebug(lcMessaging, "Discovery: stopped listening on UDP port %u", unsigned(m_port));
}

bool DiscoveryListener::isListening() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_thread.joinable();
}

void DiscoveryListener::receiveNext()
{
    // Runs on the listening thread (or under m_mutex before it starts); m_socket lives until stop() joined
    // it.
    m_socket->async_receive_from(
        asio::buffer(m_buffer), m_sender, [this](const boost::system::error_code& ec, std::size_t size) {
            if (ec == asio::error::operation_aborted)
                return;
            if (ec)
                qCDebug(lcMessaging, "Discovery: datagram ignored: %s", ec.message().c_str());
            else
                handleDatagram(m_buffer.data(), size, m_sender.address().to_string(), *m_discoverer);
            receiveNext();
        });
}

bool DiscoveryListener::handleDatagram(const char* data, std::size_t size, const std::string& senderAddress,
                                       tavik::Messaging::Discoverer& discoverer)
{
    if (size > Wire::kMaxDatagramSize) {
        qCDebug(lcMessaging, "Discovery: oversized datagram from %s ignored", senderAddress.c_str());
        return false;
    }
    Wire::Announcement a;
    if (!Wire::decodeAnnouncement(data, size, a)) {
        // Queries of other applications arrive here too when they share a machine: not worth a line.
        std::string service;
        if (!Wire::decodeQuery(data, size, service))
            qCDebug(lcMessaging, "Discovery: malformed datagram from %s ignored", senderAddress.c_str());
        return false;
    }
    if (a.service != discoverer.serviceName())
        return false;
    discoverer.onAnnouncement(
        tavik::Messaging::Discovered(a.name, senderAddress, a.port, a.encrypted, a.key));
    return true;
}

namespace {
struct Registry
{
    std::mutex mutex;
    bool enabled = false;
    std::vector<std::weak_ptr<DiscoveryListener>> listeners;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}
} // namespace

void DiscoveryRegistry::add(const std::weak_ptr<DiscoveryListener>& listener)
{
    auto& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.listeners.erase(std::remove_if(r.listeners.begin(), r.listeners.end(),
                                     [](const std::weak_ptr<DiscoveryListener>& l) { return l.expired(); }),
                      r.listeners.end());
    r.listeners.push_back(listener);
    if (r.enabled)
        if (auto live = listener.lock())
            live->start();
}

void DiscoveryRegistry::setEnabled(bool enabled)
{
    auto& r = registry();
    std::vector<std::shared_ptr<DiscoveryListener>> live;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        r.enabled = enabled;
        for (const auto& weak : r.listeners)
            if (auto l = weak.lock())
                live.push_back(std::move(l));
        // Start/stop under the lock so that a concurrent add() cannot see a half-applied switch.
        for (const auto& l : live) {
            if (enabled)
                l->start();
            else
                l->stop();
        }
    }
}

bool DiscoveryRegistry::isEnabled()
{
    auto& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.enabled;
}

} // namespace Messaging
} // namespace Ulmar
