#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "DispatchQueue.h"
#include "IMessengerObserver.h"
#include "KeyPinStore.h"

namespace Ulmar {
namespace Messaging {

// The observers of one Messenger and the fan-out of its connection events. Each event is posted to the
// dispatch queue with the observers registered at that moment, so that observers run on the dispatch
// thread in event order; an observer gone by the time its event runs is skipped. Thread-safe.
class ObserverList
{
public:
    // `dispatch` must outlive every notification.
    explicit ObserverList(DispatchQueue& dispatch) : m_dispatch(dispatch) {}

    void add(std::weak_ptr<IMessengerObserver> observer);
    std::vector<std::weak_ptr<IMessengerObserver>> snapshot() const;

    void notify(void (IMessengerObserver::*event)());
    void notifyError(const std::string& error);
    void notifyKeyMismatch(const UnitKeyMismatch& mismatch);

private:
    DispatchQueue& m_dispatch;
    mutable std::mutex m_mutex;
    std::vector<std::weak_ptr<IMessengerObserver>> m_observers;
};

} // namespace Messaging
} // namespace Ulmar
