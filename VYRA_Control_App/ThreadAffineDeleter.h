#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include <QObject>

namespace Ulmar {

// Shared ownership for QObjects that messaging threads hold too (handlers, models, the Facade). Whichever
// thread lets go last, the object is deleted on its own thread: at once when that is the releasing thread,
// otherwise handed back to its thread, which deletes it on its next event loop turn or in drainWhile().
class ThreadAffineDeleter
{
public:
    template <typename T, typename... Args> static std::shared_ptr<T> make(Args&&... args)
    {
        return std::shared_ptr<T>(new T(std::forward<Args>(args)...), [](T* object) { destroy(object); });
    }

    static void destroy(QObject* object);
    // On the calling thread: deletes what was handed back to it, again and again while `busy` holds, up to
    // `timeout` (other threads may still be letting go). Used at shutdown, once the event loop has ended.
    static void drainWhile(const std::function<bool()>& busy, std::chrono::milliseconds timeout);
    // Objects handed back and not deleted yet.
    static std::size_t pending();

private:
    static void drainCurrentThread();
};

} // namespace Ulmar
