#include "Discoverer.h"

namespace tavik {
namespace Messaging {

Discoverer::Discoverer(std::string serviceName, std::chrono::milliseconds maxAge)
    : m_serviceName(std::move(serviceName)), m_maxAge(maxAge)
{}

std::vector<Discovered> Discoverer::getDiscovered() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_units;
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

int Discoverer::removeTooOldOnes()
{
    int removed = 0;
    const auto now = Discovered::Clock::now();
    // One unit at a time, the signal raised outside the lock: a slot may read the list again.
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

void Discoverer::onAnnouncement(const Discovered& unit)
{
    int added = -1;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto& known : m_units) {
            if (known.sameUnit(unit.getAddress(), unit.getName(), unit.getPort())) {
                // A restarted unit may come back with a new key: keep what it says now.
                known = unit;
                return;
            }
        }
        m_units.push_back(unit);
        added = static_cast<int>(m_units.size()) - 1;
    }
    unitAdded(added);
}

} // namespace Messaging
} // namespace tavik
