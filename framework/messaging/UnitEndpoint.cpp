#include "UnitEndpoint.h"

#include <zmq.h>

#include "UnitEndpointImpl.h"
#include "Wire.h"

namespace Ulmar {
namespace Messaging {

UnitEndpoint::UnitEndpoint(Options options) : m_impl(std::make_unique<UnitEndpointImpl>(std::move(options)))
{}

UnitEndpoint::~UnitEndpoint() = default;

void UnitEndpoint::setMessageCallback(MessageCallback cb)
{
    m_impl->onMessage = std::move(cb);
}

void UnitEndpoint::setPeerConnectedCallback(PeerCallback cb)
{
    m_impl->onPeerConnected = std::move(cb);
}

void UnitEndpoint::setPeerGoneCallback(PeerCallback cb)
{
    m_impl->onPeerGone = std::move(cb);
}

bool UnitEndpoint::start()
{
    return m_impl->start();
}

void UnitEndpoint::stop()
{
    m_impl->stop();
}

bool UnitEndpoint::isRunning() const
{
    return m_impl->isRunning();
}

std::uint16_t UnitEndpoint::port() const
{
    return m_impl->port();
}

const UnitEndpoint::Options& UnitEndpoint::options() const
{
    return m_impl->options;
}

void UnitEndpoint::setUnitName(const std::string& name)
{
    m_impl->setUnitName(name);
}

bool UnitEndpoint::sendTo(const PeerId& peer, std::shared_ptr<IMessage> message)
{
    return m_impl->sendTo(peer, std::move(message));
}

void UnitEndpoint::broadcast(std::shared_ptr<IMessage> message)
{
    m_impl->broadcast(std::move(message));
}

std::vector<UnitEndpoint::PeerId> UnitEndpoint::peers() const
{
    return m_impl->peers();
}

void UnitEndpoint::dropAllPeers()
{
    m_impl->dropAllPeers();
}

bool UnitEndpoint::sendRawFrames(const PeerId& peer, const std::vector<std::string>& frames)
{
    return m_impl->sendRawFrames(peer, frames);
}

std::pair<std::string, std::string> UnitEndpoint::generateKeyPair()
{
    char publicKey[41] = {};
    char secretKey[41] = {};
    if (zmq_curve_keypair(publicKey, secretKey) != 0)
        return {};
    return {std::string(publicKey, 40), std::string(secretKey, 40)};
}

bool UnitEndpoint::isUnitId(const std::string& id)
{
    return Wire::isUnitId(id);
}

} // namespace Messaging
} // namespace Ulmar
