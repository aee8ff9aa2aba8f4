#include "ResponseRegistry.h"

#include "MessagingLog.h"

namespace Ulmar {
namespace Messaging {

void ResponseRegistry::setHandler(const std::string& messageType, std::shared_ptr<IResponseHandler> handler)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& entry : m_responses) {
        if (entry.first == messageType) {
            qCDebug(lcMessaging, "Messenger: handler for \"%s\" replaced", messageType.c_str());
            entry.second = std::move(handler);
            return;
        }
    }
    m_responses.emplace_back(messageType, std::move(handler));
}

void ResponseRegistry::addStateRequest(std::shared_ptr<IMessage> request)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stateRequests.push_back(std::move(request));
}

ResponseRegistry::Route ResponseRegistry::route(const std::string& messageType) const
{
    Route route;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& entry : m_responses)
        if (entry.first == messageType)
            route.handler = entry.second;
    for (const auto& request : m_stateRequests)
        route.snapshot = route.snapshot || request->getMessageType() == messageType;
    return route;
}

std::vector<std::shared_ptr<IMessage>> ResponseRegistry::stateRequestsFrom(std::size_t first,
                                                                           std::size_t& count) const
{
    std::vector<std::shared_ptr<IMessage>> requests;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (first < m_stateRequests.size())
        requests.assign(m_stateRequests.begin() + static_cast<std::ptrdiff_t>(first), m_stateRequests.end());
    count = m_stateRequests.size();
    return requests;
}

std::vector<std::pair<std::string, std::shared_ptr<IResponseHandler>>> ResponseRegistry::handlers() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_responses;
}

std::vector<std::shared_ptr<IMessage>> ResponseRegistry::stateRequests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stateRequests;
}

} // namespace Messaging
} // namespace Ulmar
