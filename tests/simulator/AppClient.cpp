#include "AppClient.h"

#include <QUdpSocket>

#include "MessageNames.h"
#include "MessageTypeList.h"
#include "RequestTypes.h"

using namespace Ulmar::Messaging;

void MessageLog::handleResponse(std::shared_ptr<IResponse> response)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bodies[response->getMessageType()].push_back(response->bodyAsString());
}

int MessageLog::count(const std::string& type) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_bodies.find(type);
    return it == m_bodies.end() ? 0 : int(it->second.size());
}

std::string MessageLog::last(const std::string& type) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_bodies.find(type);
    return it == m_bodies.end() || it->second.empty() ? std::string() : it->second.back();
}

std::vector<std::string> MessageLog::all(const std::string& type) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_bodies.find(type);
    return it == m_bodies.end() ? std::vector<std::string>() : it->second;
}

void MessageLog::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bodies.clear();
}

const std::vector<std::string>& allMessageTypes()
{
    return MessageTypeList::all();
}

const std::vector<std::string>& stateRequestTypes()
{
    return MessageType::stateRequests();
}

AppClient::AppClient(quint16 port, bool encrypted, unsigned reconnectMs)
{
    DiscoveryStrategyList strategies{std::make_shared<DiscoveryStrategyInfo>(
        DiscoveryStrategyInfo::DirectHost,
        std::string(encrypted ? "encrypted" : "plain") + ";127.0.0.1;" + std::to_string(port), 1000)};
    messenger = std::make_shared<Messenger>(strategies, "VYRA", ITransport::TransportZeroMQ);
    log = std::make_shared<MessageLog>();
    for (const auto& type : allMessageTypes())
        messenger->registerResponse(type, MessageVersion, log);
    // As the application registers them: text "1", except the library request whose text is empty.
    for (const auto& type : stateRequestTypes())
        messenger->registerStateRequest(
            std::make_shared<IMessage>(type, MessageVersion,
                                       type == MessageType::GetMediaListNotification ? "" : "1", nullptr,
                                       GenericMessageTypeDefault),
            StateRequestPriority);
    messenger->AddObserver(log);
    messenger->setAutoReconnect(reconnectMs);
    messenger->connect(3000);
}

AppClient::~AppClient()
{
    messenger->disconnect();
}

bool AppClient::send(const std::string& type, const std::string& body)
{
    auto buffer = body.empty() ? nullptr : ManagedBuffer::FromBytes(body.data(), body.size());
    return messenger->send(
        std::make_shared<IMessage>(type, MessageVersion, "", buffer, GenericMessageTypeDefault));
}
