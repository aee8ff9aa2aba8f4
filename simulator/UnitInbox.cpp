#include "UnitInbox.h"

#include <utility>

#include "IMessage.h"

namespace Ulmar {
namespace Simulator {

UnitInbox::UnitInbox(int maxPendingMessages, std::function<void()> wake)
    : m_maxPending(maxPendingMessages), m_wake(std::move(wake))
{}

void UnitInbox::post(Item item)
{
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (item.kind == Item::Message && int(m_items.size()) >= m_maxPending) {
            ++m_dropped;
            return;
        }
        m_items.push_back(std::move(item));
        wake = !m_wakePending;
        m_wakePending = true;
    }
    // Our own queue carries the data; the wake-up only says that there is some.
    if (wake && m_wake)
        m_wake();
}

UnitInbox::Batch UnitInbox::take()
{
    Batch batch;
    std::lock_guard<std::mutex> lock(m_mutex);
    batch.items.swap(m_items);
    m_wakePending = false;
    std::swap(batch.dropped, m_dropped);
    return batch;
}

int UnitInbox::pending() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_items.size());
}

int UnitInbox::dropped() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dropped;
}

} // namespace Simulator
} // namespace Ulmar
