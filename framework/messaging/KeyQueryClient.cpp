#include "KeyQueryClient.h"

#include <array>

#include "MessagingLog.h"

namespace Ulmar {
namespace Messaging {

namespace asio = boost::asio;
using asio::ip::udp;

constexpr std::chrono::milliseconds KeyQueryClient::kQueryInterval;

KeyQueryClient::KeyQueryClient(std::string serviceName) : m_serviceName(std::move(serviceName)) {}

KeyQueryClient::~KeyQueryClient()
{
    close();
}

bool KeyQueryClient::start(const std::string& host, std::uint16_t port)
{
    close();
    m_host = host;
    boost::system::error_code ec;
    udp::resolver resolver(m_io);
    auto results = resolver.resolve(host, std::to_string(port), ec);
    if (ec || results.empty()) {
        qCWarning(lcMessaging, "Messenger: cannot resolve \"%s\": %s", host.c_str(), ec.message().c_str());
        return false;
    }
    m_peer = results.begin()->endpoint();
    for (const auto& result : results) {
        if (result.endpoint().address().is_v4()) {
            m_peer = result.endpoint();
            break;
        }
    }
    auto socket = std::make_unique<udp::socket>(m_io);
    socket->open(m_peer.protocol(), ec);
    if (!ec)
        socket->non_blocking(true, ec);
    if (ec) {
        qCWarning(lcMessaging, "Messenger: cannot open the query socket: %s", ec.message().c_str());
        return false;
    }
    m_socket = std::move(socket);
    sendQuery();
    return true;
}

void KeyQueryClient::close()
{
    if (!m_socket)
        return;
    boost::system::error_code ignored;
    m_socket->close(ignored);
    m_socket.reset();
}

int KeyQueryClient::nativeHandle() const
{
    return static_cast<int>(m_socket->native_handle());
}

void KeyQueryClient::sendQuery()
{
    m_nextQuery = std::chrono::steady_clock::now() + kQueryInterval;
    const std::string query = Wire::encodeQuery(m_serviceName);
    boost::system::error_code ec;
    m_socket->send_to(asio::buffer(query), m_peer, 0, ec);
    if (ec)
        qCDebug(lcMessaging, "Messenger: announcement query to %s failed: %s", m_host.c_str(),
                ec.message().c_str());
}

bool KeyQueryClient::readAnswer(Wire::Announcement& answer)
{
    std::array<char, Wire::kMaxDatagramSize + 1> buffer{};
    for (;;) {
        udp::endpoint sender;
        boost::system::error_code ec;
        const std::size_t size = m_socket->receive_from(asio::buffer(buffer), sender, 0, ec);
        if (ec == asio::error::would_block || ec == asio::error::try_again)
            return false;
        if (ec)
            continue; // e.g. a port-unreachable report from an earlier query
        Wire::Announcement a;
        if (sender.address() != m_peer.address() || !Wire::decodeAnnouncement(buffer.data(), size, a) ||
            a.service != m_serviceName)
            continue;
        answer = std::move(a);
        return true;
    }
}

} // namespace Messaging
} // namespace Ulmar
