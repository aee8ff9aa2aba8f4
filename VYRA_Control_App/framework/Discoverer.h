#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include <boost/signals2/signal.hpp>

#include "Discovered.h"

namespace tavik {
namespace Messaging {

// The list of units heard under one service name. Thread-safe: the discovery listener updates it from
// its own thread while the application reads copies.
class Discoverer
{
public:
    // maxAge: a unit not heard for longer is dropped by removeTooOldOnes.
    explicit Discoverer(std::string serviceName, std::chrono::milliseconds maxAge = std::chrono::milliseconds(4500));

    const std::string& serviceName() const { return m_serviceName; }
    std::chrono::milliseconds maxAge() const { return m_maxAge; }

    std::vector<Discovered> getDiscovered() const;
    bool hasItem(const std::string& address, const std::string& name, std::uint16_t port) const;
    // The unit with that address, name and port, if known.
    bool find(const std::string& address, const std::string& name, std::uint16_t port, Discovered& out) const;
    // Drops units not heard for longer than maxAge; returns how many went.
    int removeTooOldOnes();

    // Called by the discovery listener for every valid announcement of this service. A known unit
    // (same address, name and port) is refreshed; a new one is appended and unitAdded raised.
    void onAnnouncement(const Discovered& unit);

    // Raised on the thread that changed the list, after the change, with the row index.
    boost::signals2::signal<void(int)> unitAdded;
    boost::signals2::signal<void(int)> unitRemoved;

private:
    const std::string m_serviceName;
    const std::chrono::milliseconds m_maxAge;
    mutable std::mutex m_mutex;
    std::vector<Discovered> m_units;
};

} // namespace Messaging
} // namespace tavik
