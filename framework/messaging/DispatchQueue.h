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
    // A received message: dropped (false) when the handlers are so far behind that the backlog would exceed
    // kMaxBacklogMessages or kMaxBacklogBytes; a flooding unit cannot make us hold unbounded memory.
    bool postMessage(Task task, std::size_t bytes);

    static constexpr std::size_t kMaxBacklogMessages = 10000;
    static constexpr std::size_t kMaxBacklogBytes = 64 * 1024 * 1024;
    bool onQueueThread() const { return std::this_thread::get_id() == m_threadId; }

private:
    struct State
    {
        std::mutex mutex;
        std::condition_variable wake;
        struct Entry
        {
            Task task;
            std::size_t bytes;
            bool message;
        };
        std::deque<Entry> tasks;
        std::size_t backlogMessages = 0;
        std::size_t backlogBytes = 0;
        bool stopping = false;
    };
    static void run(std::shared_ptr<State> state);

    std::shared_ptr<State> m_state;
    std::thread m_thread;
    std::thread::id m_threadId;
};

} // namespace Messaging
} // namespace Ulmar
