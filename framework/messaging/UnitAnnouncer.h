#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>

namespace Ulmar {
namespace Messaging {

// The unit's discovery side: announcements sent every interval to a (broadcast) address, and answers to the
// applications' unicast queries on the UDP port of the unit's own number. Opened before the unit's thread
// starts and closed after it ends; in between only that thread uses it.
class UnitAnnouncer
{
public:
    using Clock = std::chrono::steady_clock;
    // The datagram that describes the unit now.
    using Announcement = std::function<std::string()>;

    UnitAnnouncer() = default;
    ~UnitAnnouncer() { close(); }
    UnitAnnouncer(const UnitAnnouncer&) = delete;
    UnitAnnouncer& operator=(const UnitAnnouncer&) = delete;

    // Listens for queries on bindAddress (empty: every IPv4 address) at `port`.
    void openQueries(const std::string& bindAddress, std::uint16_t port, boost::system::error_code& ec);
    void closeQueries() { m_querySocket.reset(); }
    // Announces to address:port from bindAddress, first at once; a failure is logged and the unit stays
    // quiet.
    void openAnnouncements(const std::string& address, std::uint16_t port, const std::string& bindAddress);
    void close();

    bool hearsQueries() const { return m_querySocket != nullptr; }
    int queryHandle() const { return static_cast<int>(m_querySocket->native_handle()); }
    // Answers every waiting query for `serviceName`; anything else is ignored.
    void answerQueries(const std::string& serviceName, const Announcement& announcement);

    bool announces() const { return m_announceSocket != nullptr; }
    Clock::time_point nextAnnouncement() const { return m_nextAnnouncement; }
    // Announces when due, then waits intervalMs (10 ms at least) for the next one.
    void announceIfDue(const Announcement& announcement, unsigned intervalMs);

private:
    boost::asio::io_context m_io;
    std::unique_ptr<boost::asio::ip::udp::socket> m_announceSocket;
    std::unique_ptr<boost::asio::ip::udp::socket> m_querySocket;
    boost::asio::ip::udp::endpoint m_announceTarget;
    Clock::time_point m_nextAnnouncement{};
};

} // namespace Messaging
} // namespace Ulmar
