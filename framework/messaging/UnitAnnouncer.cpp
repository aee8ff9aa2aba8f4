#include "UnitAnnouncer.h"

#include <algorithm>
#include <array>

#include "MessagingLog.h"
#include "Wire.h"

namespace Ulmar {
namespace Messaging {

namespace asio = boost::asio;
using asio::ip::udp;

void UnitAnnouncer::openQueries(const std::string& bindAddress, std::uint16_t port,
                                boost::system::error_code& ec)
{
    const auto bindIp = asio::ip::make_address(bindAddress.empty() ? "0.0.0.0" : bindAddress, ec);
    if (ec)
        return;
    m_querySocket = std::make_unique<udp::socket>(m_io);
    m_querySocket->open(bindIp.is_v6() ? udp::v6() : udp::v4(), ec);
    if (!ec)
        m_querySocket->bind(udp::endpoint(bindIp, port), ec);
    if (!ec)
        m_querySocket->non_blocking(true, ec);
}

void UnitAnnouncer::openAnnouncements(const std::string& address, std::uint16_t port,
                                      const std::string& bindAddress)
{
    boost::system::error_code ec;
    udp::resolver resolver(m_io);
    auto results = resolver.resolve(udp::v4(), address, std::to_string(port), ec);
    if (!ec && !results.empty()) {
        m_announceTarget = *results.begin();
        m_announceSocket = std::make_unique<udp::socket>(m_io);
        m_announceSocket->open(udp::v4(), ec);
        if (!ec)
            m_announceSocket->set_option(asio::socket_base::broadcast(true), ec);
        // A unit listening on one address announces from it: applications take the sender's address for the
        // unit's.
        const auto announceFrom = asio::ip::make_address(bindAddress.empty() ? "0.0.0.0" : bindAddress, ec);
        if (!ec && announceFrom.is_v4() && !announceFrom.is_unspecified())
            m_announceSocket->bind(udp::endpoint(announceFrom, 0), ec);
        ec.clear();
    }
    if (ec || !m_announceSocket) {
        qCWarning(lcMessaging, "UnitEndpoint: cannot announce to %s:%u: %s", address.c_str(), unsigned(port),
                  ec.message().c_str());
        m_announceSocket.reset();
    }
    m_nextAnnouncement = Clock::now();
}

void UnitAnnouncer::close()
{
    boost::system::error_code ignored;
    if (m_querySocket)
        m_querySocket->close(ignored);
    if (m_announceSocket)
        m_announceSocket->close(ignored);
    m_querySocket.reset();
    m_announceSocket.reset();
}

void UnitAnnouncer::announceIfDue(const Announcement& announcement, unsigned intervalMs)
{
    if (!m_announceSocket || Clock::now() < m_nextAnnouncement)
        return;
    const std::string datagram = announcement();
    boost::system::error_code ec;
    m_announceSocket->send_to(asio::buffer(datagram), m_announceTarget, 0, ec);
    if (ec)
        qCDebug(lcMessaging, "UnitEndpoint: announcement failed: %s", ec.message().c_str());
    m_nextAnnouncement = Clock::now() + std::chrono::milliseconds(std::max(10u, intervalMs));
}

void UnitAnnouncer::answerQueries(const std::string& serviceName, const Announcement& announcement)
{
    std::array<char, Wire::kMaxDatagramSize + 1> buffer{};
    for (;;) {
        udp::endpoint sender;
        boost::system::error_code ec;
        const std::size_t size = m_querySocket->receive_from(asio::buffer(buffer), sender, 0, ec);
        if (ec == asio::error::would_block || ec == asio::error::try_again)
            return;
        if (ec)
            continue;
        std::string service;
        if (size > Wire::kMaxDatagramSize || !Wire::decodeQuery(buffer.data(), size, service) ||
            service != serviceName)
            continue;
        const std::string datagram = announcement();
        m_querySocket->send_to(asio::buffer(datagram), sender, 0, ec);
    }
}

} // namespace Messaging
} // namespace Ulmar
