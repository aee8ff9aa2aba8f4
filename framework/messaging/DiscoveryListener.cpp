#include "DiscoveryListener.h"

#include <algorithm>
#include <vector>

#include "DiscoverySocket.h"
#include "MessagingLog.h"
#include "Wire.h"

namespace Ulmar {
namespace Messaging {

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
    if (m_socket)
        return true;
    m_socket = DiscoverySocket::acquire(m_port);
    if (!m_socket)
        return false;
    m_socket->subscribe(m_discoverer);
    return true;
}

void DiscoveryListener::stop()
{
    std::shared_ptr<DiscoverySocket> socket;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        socket.swap(m_socket);
    }
    if (socket)
        socket->unsubscribe(m_discoverer);
    // The port's socket closes when its last listener lets go.
}

bool DiscoveryListener::isListening() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_socket != nullptr;
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
    discoverer.onAnnouncement(tavik::Messaging::Discovered(a.name, senderAddress, a.port, a.encrypted, a.key,
                                                           tavik::Messaging::Discovered::Clock::now(),
                                                           a.unitId));
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
