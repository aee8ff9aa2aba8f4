#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace Ulmar {
namespace Messaging {
class IMessage;
} // namespace Messaging

namespace Simulator {

// What the network layer's thread hands to the unit's thread: messages and connection events, in
// arrival order. Messages beyond a limit are dropped and counted, so that a flooding application cannot
// grow our memory without bound; connection events are few and always kept.
class UnitInbox
{
public:
    struct Item
    {
        enum Kind
        {
            Message,
            Connected,
            Gone
        } kind;
        std::string peer;
        std::shared_ptr<Messaging::IMessage> message;
    };

    struct Batch
    {
        std::deque<Item> items;
        int dropped = 0; // messages dropped since the last batch was taken
    };

    // wake runs on the posting thread, outside the lock, when the first item after a take() arrives: the
    // owner then takes the whole batch on its own thread.
    UnitInbox(int maxPendingMessages, std::function<void()> wake);

    // Any thread.
    void post(Item item);
    // The owner's thread: everything waiting, and the dropped count (both reset).
    Batch take();

    int pending() const;
    int dropped() const;

private:
    const int m_maxPending;
    const std::function<void()> m_wake;
    mutable std::mutex m_mutex;
    std::deque<Item> m_items;
    bool m_wakePending = false;
    int m_dropped = 0;
};

} // namespace Simulator
} // namespace Ulmar
