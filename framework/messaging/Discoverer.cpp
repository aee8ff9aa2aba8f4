#include "Discoverer.h"

#include <algorithm>

#include "MessagingLog.h"

namespace tavik {
namespace Messaging {

namespace {
// Sender addresses remembered for the rate limit; past it the ones that are idle (full buckets) go.
constexpr std::size_t kMaxBuckets = 4096;
constexpr auto kReportEvery = std::chrono::seconds(10);
} // namespace

Discoverer::Discoverer(std::string serviceName, std::chrono::milliseconds maxAge)
    : m_serviceName(std::move(serviceName)), m_maxAge(maxAge)
{}

std::vector<Discovered> Discoverer::getDiscovered() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_units;
}

std::size_t Discoverer::count() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_units.size();
}

bool Discoverer::hasItem(const std::string& address, const std::string& name, std::uint16_t port) const
{
    Discovered ignored;
    return find(address, name, port, ignored);
}

bool Discoverer::find(const std::string& address, const std::string& name, std::uint16_t port,
                      Discovered& out) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& unit : m_units) {
        if (unit.sameUnit(address, name, port)) {
            out = unit;
            return true;
        }
    }
    return false;
}

std::unique_lock<std::recursive_mutex> Discoverer::holdChanges() const
{
    return std::unique_lock<std::recursive_mutex>(m_changeMutex);
}

int Discoverer::removeTooOldOnes()
{
    std::lock_guard<std::recursive_mutex> changes(m_changeMutex);
    int removed = 0;
    const auto now = Discovered::Clock::now();
    // One unit at a time, the signal raised outside the list's lock: a slot may read the list again.
    for (;;) {
        int index = -1;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (std::size_t i = 0; i < m_units.size(); ++i) {
                if (now - m_units[i].getLastSeen() > m_maxAge) {
                    index = static_cast<int>(i);
                    m_units.erase(m_units.begin() + static_cast<std::ptrdiff_t>(i));
                    break;
                }
            }
        }
        if (index < 0)
            break;
        ++removed;
        unitRemoved(index);
    }
    return removed;
}

bool Discoverer::takeNewUnitToken(const std::string& address, Discovered::Clock::time_point now)
{
    if (m_buckets.size() >= kMaxBuckets && m_buckets.find(address) == m_buckets.end()) {
        const auto idle = std::chrono::duration<double>(kNewUnitBurst / kNewUnitsPerSecond);
        for (auto it = m_buckets.begin(); it != m_buckets.end();)
            it = now - it->second.refilled > idle ? m_buckets.erase(it) : std::next(it);
        if (m_buckets.size() >= kMaxBuckets)
            m_buckets.clear(); // a flood from thousands of addresses: bounded memory first
    }
    auto inserted = m_buckets.emplace(address, Bucket{});
    Bucket& bucket = inserted.first->second;
    if (inserted.second) {
        bucket.refilled = now;
    } else {
        const double seconds = std::chrono::duration<double>(now - bucket.refilled).count();
        bucket.tokens = std::min(kNewUnitBurst, bucket.tokens + seconds * kNewUnitsPerSecond);
        bucket.refilled = now;
    }
    if (bucket.tokens < 1.0)
        return false;
    bucket.tokens -= 1.0;
    return true;
}

void Discoverer::reportIgnored(Discovered::Clock::time_point now, const char* why)
{
    ++m_ignored;
    if (now - m_lastReport < kReportEvery)
        return;
    m_lastReport = now;
    qCWarning(
        lcMessaging,
        "Discovery: %zu announcements of new units not listed (%s; the list holds %zu units, at most %zu, "
        "%zu from one address)",
        m_ignored, why, m_units.size(), kMaxUnits, kMaxUnitsPerAddress);
    m_ignored = 0;
}

void Discoverer::onAnnouncement(const Discovered& unit)
{
    std::lock_guard<std::recursive_mutex> changes(m_changeMutex);
    int removed = -1;
    int added = -1;
    Discovered updated;
    int updatedIndex = -1;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::size_t fromAddress = 0;
        for (std::size_t i = 0; i < m_units.size(); ++i) {
            auto& known = m_units[i];
            if (known.sameUnit(unit.getAddress(), unit.getName(), unit.getPort())) {
                // A restarted unit may come back with a new key: keep what it says now.
                const bool shownChanged = known.isEncrypted() != unit.isEncrypted();
                known = unit;
                if (!shownChanged)
                    return;
                updated = unit;
                updatedIndex = static_cast<int>(i);
                break;
            }
            if (known.getAddress() == unit.getAddress())
                ++fromAddress;
        }
        if (updatedIndex < 0) {
            const auto now = Discovered::Clock::now();
            if (fromAddress >= kMaxUnitsPerAddress) {
                reportIgnored(now, "too many from one address");
                return;
            }
            if (m_units.size() >= kMaxUnits) {
                auto quietest = std::min_element(m_units.begin(), m_units.end(),
                                                 [](const Discovered& a, const Discovered& b) {
                                                     return a.getLastSeen() < b.getLastSeen();
                                                 });
                if (now - quietest->getLastSeen() < kSilentAfter) {
                    reportIgnored(now, "the list is full");
                    return;
                }
                if (!takeNewUnitToken(unit.getAddress(), now)) {
                    reportIgnored(now, "too many new units from one address");
                    return;
                }
                removed = static_cast<int>(quietest - m_units.begin());
                m_units.erase(quietest);
            } else if (!takeNewUnitToken(unit.getAddress(), now)) {
                reportIgnored(now, "too many new units from one address");
                return;
            }
            m_units.push_back(unit);
            added = static_cast<int>(m_units.size()) - 1;
        }
    }
    if (updatedIndex >= 0) {
        unitUpdated(updatedIndex, updated);
        return;
    }
    if (removed >= 0)
        unitRemoved(removed);
    unitAdded(added);
    unitInserted(added, unit);
}

} // namespace Messaging
} // namespace tavik
