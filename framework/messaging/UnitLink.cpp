#include "UnitLink.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "ManagedBuffer.h"
#include "MessagingLog.h"

namespace Ulmar {
namespace Messaging {

void UnitLink::open(const std::string& host, std::uint16_t port, const std::string& serverKey,
                    unsigned reconnectMs, unsigned timeoutMs)
{
    auto dealer = std::make_unique<zmq::socket_t>(m_context, zmq::socket_type::dealer);
    Wire::applyCommonOptions(*dealer);
    dealer->set(zmq::sockopt::immediate, 1);
    // Only for an IPv6 literal: with it, a host name might resolve to an IPv6 address first.
    if (host.find(':') != std::string::npos)
        dealer->set(zmq::sockopt::ipv6, 1);
    dealer->set(zmq::sockopt::reconnect_ivl, reconnectMs == 0 ? -1 : static_cast<int>(reconnectMs));
    dealer->set(zmq::sockopt::connect_timeout, static_cast<int>(timeoutMs));
    if (!serverKey.empty()) {
        char publicKey[41] = {};
        char secretKey[41] = {};
        if (zmq_curve_keypair(publicKey, secretKey) != 0)
            throw zmq::error_t();
        dealer->set(zmq::sockopt::curve_serverkey, serverKey);
        dealer->set(zmq::sockopt::curve_publickey, std::string(publicKey, 40));
        dealer->set(zmq::sockopt::curve_secretkey, std::string(secretKey, 40));
    }
    auto monitor = std::make_unique<SocketMonitor>(
        m_context, *dealer,
        ZMQ_EVENT_CONNECTED | ZMQ_EVENT_DISCONNECTED | ZMQ_EVENT_HANDSHAKE_SUCCEEDED |
            ZMQ_EVENT_HANDSHAKE_FAILED_NO_DETAIL | ZMQ_EVENT_HANDSHAKE_FAILED_PROTOCOL |
            ZMQ_EVENT_HANDSHAKE_FAILED_AUTH);
    dealer->connect(Wire::tcpEndpoint(host, port));
    const auto fd = dealer->get(zmq::sockopt::fd);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fd = fd;
    m_dealer = std::move(dealer);
    m_monitor = std::move(monitor);
    m_encrypted = !serverKey.empty();
}

void UnitLink::close()
{
    m_security = Messenger::LinkSecurity::Down;
    m_monitor.reset(); // before the socket it watches
    std::lock_guard<std::mutex> lock(m_mutex);
    m_up = false;
    m_dealer.reset();
}

bool UnitLink::hasInput()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return (m_dealer->get(zmq::sockopt::events) & ZMQ_POLLIN) != 0;
}

bool UnitLink::receive(zmq::multipart_t& frames)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return frames.recv(*m_dealer, ZMQ_DONTWAIT);
}

Wire::SendResult UnitLink::send(zmq::multipart_t& frames)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return Wire::sendFrames(*m_dealer, frames);
}

bool UnitLink::sendHello(const std::string& serviceName)
{
    rapidjson::StringBuffer body;
    rapidjson::Writer<rapidjson::StringBuffer> writer(body);
    writer.StartObject();
    writer.Key("service");
    writer.String(serviceName.c_str(), static_cast<rapidjson::SizeType>(serviceName.size()));
    writer.EndObject();
    IMessage hello(Wire::kHello, 1, Wire::kProtocolVersion,
                   ManagedBuffer::FromBytes(body.GetString(), body.GetSize()));
    auto frames = Wire::encode(hello);
    return send(frames) != Wire::SendResult::WouldBlock;
}

void UnitLink::sendStateRequests(const std::vector<std::shared_ptr<IMessage>>& requests)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& request : requests) {
        auto frames = Wire::encode(*request);
        if (Wire::sendFrames(*m_dealer, frames) != Wire::SendResult::Sent)
            qCDebug(lcMessaging, "Messenger: state request \"%s\" could not be sent",
                    request->getMessageType().c_str());
    }
}

void UnitLink::setUp()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_up = true;
}

bool UnitLink::sendIfUp(const IMessage& message, bool confidential, bool& inputWaiting)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_up || !m_dealer)
        return false; // the I/O thread decides (normally: dropped, the link is going down)
    if (confidential && m_security.load() != Messenger::LinkSecurity::Pinned)
        return false;
    auto frames = Wire::encode(message);
    if (Wire::sendFrames(*m_dealer, frames) != Wire::SendResult::Sent)
        qCDebug(lcMessaging, "Messenger: \"%s\" dropped: the link is busy or down",
                message.getMessageType().c_str());
    // Any call on the socket may take the notice of an arrived message that the I/O thread waits for on the
    // socket's descriptor: ask the socket, and have the thread woken if a message waits.
    try {
        inputWaiting = (m_dealer->get(zmq::sockopt::events) & ZMQ_POLLIN) != 0;
    } catch (const zmq::error_t&) {
    }
    return true;
}

} // namespace Messaging
} // namespace Ulmar
