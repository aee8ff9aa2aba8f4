#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "Discoverer.h"

namespace Ulmar {
namespace Messaging {

class DiscoverySocket;

// Listens for unit announcements on one UDP port and feeds a Discoverer. Several applications on one machine
// can listen on the same port (address reuse); a datagram sent to a broadcast address reaches them all.
// Listeners of one process share the port's socket.
class DiscoveryListener
{
public:
    DiscoveryListener(std::uint16_t port, std::shared_ptr<tavik::Messaging::Discoverer> discoverer);
    ~DiscoveryListener();
    DiscoveryListener(const DiscoveryListener&) = delete;
    DiscoveryListener& operator=(const DiscoveryListener&) = delete;

    // Starts listening; true when listening (also when it already was).
    bool start();
    void stop();
    bool isListening() const;
    std::uint16_t port() const { return m_port; }

    // Validates one datagram and hands it to the discoverer; false when it was ignored.
    static bool handleDatagram(const char* data, std::size_t size, const std::string& senderAddress,
                               tavik::Messaging::Discoverer& discoverer);

private:
    const std::uint16_t m_port;
    const std::shared_ptr<tavik::Messaging::Discoverer> m_discoverer;
    mutable std::mutex m_mutex;
    std::shared_ptr<DiscoverySocket> m_socket;
};

// The process-wide switch of LAN discovery, driven by the QAutoDiscoveryComponent, and the listeners of all
// live Messengers (held weakly).
class DiscoveryRegistry
{
public:
    // Starts the listener at once when discovery is enabled.
    static void add(const std::weak_ptr<DiscoveryListener>& listener);
    static void setEnabled(bool enabled);
    static bool isEnabled();
};

} // namespace Messaging
} // namespace Ulmar
