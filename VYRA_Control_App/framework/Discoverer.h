#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include <boost/signals2/signal.hpp>

#include "Discovered.h"

namespace tavik {
namespace Messaging {

// The list of units heard under one service name. Thread-safe: the discovery listener updates it from
// its own thread while the application reads copies.
//
// Bounded against floods of made-up announcements: at most kMaxUnits units, at most kMaxUnitsPerAddress
// from one sender address, and one sender address adds new units at kNewUnitsPerSecond (bursts of
// kNewUnitBurst); refreshing a listed unit is never limited. On a full list a new unit takes the place of
// the unit heard least recently, if that one has been silent for kSilentAfter; otherwise it is not listed.
class Discoverer
{
public:
    static constexpr std::size_t kMaxUnits = 256;
    static constexpr std::size_t kMaxUnitsPerAddress = 32;
    static constexpr double kNewUnitsPerSecond = 2.0;
    static constexpr double kNewUnitBurst = 8.0;
    static constexpr std::chrono::milliseconds kSilentAfter{2000};

    // maxAge: a unit not heard for longer is dropped by removeTooOldOnes.
    explicit Discoverer(std::string serviceName,
                        std::chrono::milliseconds maxAge = std::chrono::milliseconds(4500));

    const std::string& serviceName() const { return m_serviceName; }
    std::chrono::milliseconds maxAge() const { return m_maxAge; }

    std::vector<Discovered> getDiscovered() const;
    std::size_t count() const;
    bool hasItem(const std::string& address, const std::string& name, std::uint16_t port) const;
    // The unit with that address, name and port, if known.
    bool find(const std::string& address, const std::string& name, std::uint16_t port, Discovered& out) const;
    // Drops units not heard for longer than maxAge; returns how many went.
    int removeTooOldOnes();

    // Called by the discovery listener for every valid announcement of this service. A known unit
    // (same address, name and port) is refreshed; a new one is appended and unitAdded raised, within the
    // bounds above.
    void onAnnouncement(const Discovered& unit);

    // Holds every change of the list (and its signals) back while held: a reader can take a copy and
    // connect to the signals without missing or doubling a change. Recursive: slots may change the list.
    std::unique_lock<std::recursive_mutex> holdChanges() const;

    // Raised on the thread that changed the list, after the change, with the row index, in the order the
    // list changed.
    boost::signals2::signal<void(int)> unitAdded;
    boost::signals2::signal<void(int)> unitRemoved;
    // With what was added, or what a listed unit now announces when its row would show something else (its
    // encryption): a reader can follow the list without copying it.
    boost::signals2::signal<void(int, const Discovered&)> unitInserted;
    boost::signals2::signal<void(int, const Discovered&)> unitUpdated;

private:
    struct Bucket
    {
        double tokens = kNewUnitBurst;
        Discovered::Clock::time_point refilled{};
    };
    // With m_mutex held.
    bool takeNewUnitToken(const std::string& address, Discovered::Clock::time_point now);
    void reportIgnored(Discovered::Clock::time_point now, const char* why);

    const std::string m_serviceName;
    const std::chrono::milliseconds m_maxAge;
    mutable std::recursive_mutex m_changeMutex;
    mutable std::mutex m_mutex;
    std::vector<Discovered> m_units;
    std::unordered_map<std::string, Bucket> m_buckets;
    std::size_t m_ignored = 0;
    Discovered::Clock::time_point m_lastReport{};
};

} // namespace Messaging
} // namespace tavik
