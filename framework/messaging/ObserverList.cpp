#include "ObserverList.h"

namespace Ulmar {
namespace Messaging {

void ObserverList::add(std::weak_ptr<IMessengerObserver> observer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_observers.push_back(std::move(observer));
}

std::vector<std::weak_ptr<IMessengerObserver>> ObserverList::snapshot() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_observers;
}

void ObserverList::notify(void (IMessengerObserver::*event)())
{
    m_dispatch.post([observers = snapshot(), event] {
        for (const auto& weak : observers)
            if (auto observer = weak.lock())
                ((*observer).*event)();
    });
}

void ObserverList::notifyError(const std::string& error)
{
    m_dispatch.post([observers = snapshot(), error] {
        for (const auto& weak : observers)
            if (auto observer = weak.lock())
                observer->handleErrorResponse(error);
    });
}

void ObserverList::notifyKeyMismatch(const UnitKeyMismatch& mismatch)
{
    m_dispatch.post([observers = snapshot(), mismatch] {
        for (const auto& weak : observers)
            if (auto observer = weak.lock())
                observer->handleUnitKeyMismatch(mismatch);
    });
}

} // namespace Messaging
} // namespace Ulmar
