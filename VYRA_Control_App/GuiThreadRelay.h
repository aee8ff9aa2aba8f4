#pragma once

#include <functional>
#include <memory>
#include <mutex>

class QObject;

namespace Ulmar {

// Carries work from messaging threads to the thread of one QObject (the GUI thread for the Facade and the
// unit list). Work posted from any thread runs there in posting order. The owner detaches the relay in its
// destructor; after that nothing more is posted, and work already queued is dropped together with the
// object's pending events. Held by shared pointer so that slots on framework signals, which may fire after
// their receiver is gone, keep the relay (not the receiver) alive.
class GuiThreadRelay
{
public:
    explicit GuiThreadRelay(QObject* target);

    // Runs at once when called on the target's thread, otherwise queued.
    void run(std::function<void()> work);
    // Always queued, also from the target's own thread (keeps order with work already queued).
    void post(std::function<void()> work);
    void detach();

private:
    std::mutex m_mutex;
    QObject* m_target;
};

} // namespace Ulmar
