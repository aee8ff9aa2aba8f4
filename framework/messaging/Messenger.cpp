#include "Messenger.h"

#include "MessengerImpl.h"

#include <atomic>

namespace Ulmar {
namespace Messaging {

namespace {
std::atomic<std::size_t> g_instances{0};
}

Messenger::Messenger(const DiscoveryStrategyList& strategies, const std::string& serviceName,
                     ITransport::TransportType transportType)
    : m_impl(std::make_unique<MessengerImpl>(strategies, serviceName, transportType))
{
    ++g_instances;
}

Messenger::~Messenger()
{
    m_impl.reset(); // its threads are done (or, from its own dispatch thread, on their last task)
    --g_instances;
}

std::size_t Messenger::instances()
{
    return g_instances.load();
}

void Messenger::setAutoReconnect(unsigned intervalMs)
{
    m_impl->setAutoReconnect(intervalMs);
}

bool Messenger::connect(unsigned timeoutMs)
{
    return m_impl->connect(timeoutMs);
}

void Messenger::disconnect()
{
    m_impl->disconnect();
}

bool Messenger::chooseUnit(const std::string& address, const std::string& name, std::uint16_t port,
                           bool encrypted, bool userChoice)
{
    return m_impl->chooseUnit(address, name, port, encrypted, userChoice);
}

std::shared_ptr<tavik::Messaging::Discoverer> Messenger::getDiscoverer() const
{
    return m_impl->getDiscoverer();
}

bool Messenger::registerResponse(const std::string& messageType, std::uint32_t /*version*/,
                                 std::shared_ptr<IResponseHandler> handler)
{
    return m_impl->registerResponse(messageType, std::move(handler));
}

bool Messenger::registerStateRequest(std::shared_ptr<IMessage> request, int /*priority*/)
{
    return m_impl->registerStateRequest(std::move(request));
}

bool Messenger::send(std::shared_ptr<IMessage> message)
{
    return m_impl->send(std::move(message));
}

void Messenger::AddObserver(std::weak_ptr<IMessengerObserver> observer)
{
    m_impl->addObserver(std::move(observer));
}

void Messenger::printDiscoveredUnits() const
{
    m_impl->printDiscoveredUnits();
}

bool Messenger::isConnected() const
{
    return m_impl->isConnected();
}

void Messenger::setKeyPinStore(std::shared_ptr<KeyPinStore> pins)
{
    m_impl->setKeyPinStore(std::move(pins));
}

void Messenger::acceptUnitKey(const std::string& key)
{
    m_impl->acceptUnitKey(key);
}

Messenger::LinkSecurity Messenger::linkSecurity() const
{
    return m_impl->linkSecurity();
}

bool Messenger::sendConfidential(std::shared_ptr<IMessage> message)
{
    return m_impl->send(std::move(message), true);
}

Messenger::ChosenUnit Messenger::chosenUnit() const
{
    return m_impl->chosenUnit();
}

const DiscoveryStrategyList& Messenger::strategies() const
{
    return m_impl->strategies();
}

const std::string& Messenger::serviceName() const
{
    return m_impl->serviceName();
}

unsigned Messenger::autoReconnectInterval() const
{
    return m_impl->autoReconnectInterval();
}

std::vector<std::pair<std::string, std::shared_ptr<IResponseHandler>>> Messenger::registeredResponses() const
{
    return m_impl->registeredResponses();
}

std::vector<std::shared_ptr<IMessage>> Messenger::stateRequests() const
{
    return m_impl->stateRequests();
}

std::vector<std::weak_ptr<IMessengerObserver>> Messenger::observers() const
{
    return m_impl->observers();
}

} // namespace Messaging
} // namespace Ulmar
