#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "IMessengerObserver.h"
#include "IResponseHandler.h"

// Everything a unit sends over the link, with the time it arrived, and the link's ups and downs. Filled on
// the messenger's threads; read by the checker's thread, which waits for what it needs.
class LinkRecorder : public Ulmar::Messaging::IResponseHandler, public Ulmar::Messaging::IMessengerObserver
{
public:
    using Clock = std::chrono::steady_clock;

    struct Received
    {
        std::string type;
        std::uint32_t version = 0;
        std::string text;
        std::string body;
        Clock::time_point at;
        bool bodyDropped = false; // beyond MaxBodiesPerType: not kept, not validated
    };

    static constexpr std::size_t MaxMessages = 100000;
    static constexpr int MaxBodiesPerType = 64;

    void handleResponse(std::shared_ptr<Ulmar::Messaging::IResponse> response) override;
    void handleConnected() override;
    void handleConnectionLost() override;

    std::vector<Received> received() const;
    // Messages of that type that arrived at or after `since`.
    std::vector<Received> received(const std::string& type, Clock::time_point since) const;
    bool connected(Clock::time_point* at = nullptr) const;
    int losses() const;

    // Waits until `done` (called under the lock with everything received so far) is true or the deadline
    // passes; returns done's last answer.
    bool waitUntil(const std::function<bool(const std::vector<Received>&)>& done,
                   Clock::time_point deadline) const;
    // Waits for the link to be up; false at the deadline.
    bool waitForConnection(Clock::time_point deadline) const;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<Received> m_received;
    std::map<std::string, int> m_bodiesKept;
    bool m_connected = false;
    Clock::time_point m_connectedAt;
    int m_losses = 0;
};
