#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "IMessage.h"
#include "IResponseHandler.h"

namespace Ulmar {
namespace Messaging {

// What the application registered on a Messenger: one handler per message type, and the state requests sent
// after every (re)connection, in registration order. Thread-safe.
class ResponseRegistry
{
public:
    // A handler for a type that has one already replaces it (logged).
    void setHandler(const std::string& messageType, std::shared_ptr<IResponseHandler> handler);
    void addStateRequest(std::shared_ptr<IMessage> request);

    struct Route
    {
        std::shared_ptr<IResponseHandler> handler; // null: nobody takes this type
        // The unit answers a state request with the whole state of that family, and so does every later
        // message of that type: a newer one makes a pending older one worthless.
        bool snapshot = false;
    };
    Route route(const std::string& messageType) const;

    // The state requests from `first` on; `count` is how many are registered, taken in the same instant.
    std::vector<std::shared_ptr<IMessage>> stateRequestsFrom(std::size_t first, std::size_t& count) const;

    std::vector<std::pair<std::string, std::shared_ptr<IResponseHandler>>> handlers() const;
    std::vector<std::shared_ptr<IMessage>> stateRequests() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::pair<std::string, std::shared_ptr<IResponseHandler>>> m_responses;
    std::vector<std::shared_ptr<IMessage>> m_stateRequests;
};

} // namespace Messaging
} // namespace Ulmar
