#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace tavik {
namespace Messaging {

// One unit heard on the network.
class Discovered
{
public:
    using Clock = std::chrono::steady_clock;

    Discovered() = default;
    Discovered(std::string name, std::string address, std::uint16_t port, bool encrypted,
               std::string publicKey, Clock::time_point lastSeen = Clock::now(), std::string unitId = {})
        : m_name(std::move(name)), m_address(std::move(address)), m_port(port), m_encrypted(encrypted),
          m_publicKey(std::move(publicKey)), m_lastSeen(lastSeen), m_unitId(std::move(unitId))
    {}

    const std::string& getName() const { return m_name; }
    const std::string& getAddress() const { return m_address; }
    std::uint16_t getPort() const { return m_port; }
    bool isEncrypted() const { return m_encrypted; }
    // Z85 text of the unit's CURVE public key (40 characters), empty for a plain unit.
    const std::string& getPublicKey() const { return m_publicKey; }
    // The unit id of the announcement, empty when the unit sends none.
    const std::string& getUnitId() const { return m_unitId; }
    Clock::time_point getLastSeen() const { return m_lastSeen; }
    void setLastSeen(Clock::time_point t) { m_lastSeen = t; }

    bool sameUnit(const std::string& address, const std::string& name, std::uint16_t port) const
    {
        return m_address == address && m_name == name && m_port == port;
    }

private:
    std::string m_name;
    std::string m_address;
    std::uint16_t m_port = 0;
    bool m_encrypted = false;
    std::string m_publicKey;
    Clock::time_point m_lastSeen{};
    std::string m_unitId;
};

} // namespace Messaging
} // namespace tavik
