#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace Ulmar {
namespace Messaging {

// One thread running tasks in the order they were posted. Handlers and observers run here, so that they
// never run on the caller's thread and never hold up the socket's I/O thread.
class DispatchQueue
{
public:
    using Task = std::function<void()>;

    DispatchQueue();
    // Runs what is still queued, then stops. When the last owner lets go from a task on the queue's own
    // thread, the thread is detached and exits after that task.
    ~DispatchQueue();
    DispatchQueue(const DispatchQueue&) = delete;
    DispatchQueue& operator=(const DispatchQueue&) = delete;

    void post(Task task);
    bool onQueueThread() const { return std::this_thread::get_id() == m_threadId; }

private:
    struct State
    {
        std::mutex mutex;
        std::condition_variable wake;
        std::deque<Task> tasks;
        bool stopping = false;
    };
    static void run(std::shared_ptr<State> state);

    std::shared_ptr<State> m_state;
    std::thread m_thread;
    std::thread::id m_threadId;
};

} // namespace Messaging
} // namespace Ulmar
