#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

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

    // Never dropped (connection events).
    void post(Task task);
    // A received message. With a `latestKey` it is a snapshot of some state: once the handlers are behind
    // (kLatestOnlyBacklog messages waiting), a pending message with the same key is stale and is dropped, and
    // the new one joins the end of the queue, so that the newest state always runs and keeps its order
    // relative to the other messages. Without a key every message counts (answers, keyed data): when the
    // backlog would exceed kMaxBacklogMessages or kMaxBacklogBytes, the oldest such messages are dropped to
    // make room. False only while stopping or for a body over the byte budget. Losses are logged as one
    // summary line per second at most.
    bool postMessage(Task task, std::size_t bytes, const std::string& latestKey = std::string());

    static constexpr std::size_t kLatestOnlyBacklog = 64;
    static constexpr std::size_t kMaxBacklogMessages = 10000;
    static constexpr std::size_t kMaxBacklogBytes = 64 * 1024 * 1024;
    static constexpr std::chrono::milliseconds kSummaryInterval{1000};
    bool onQueueThread() const { return std::this_thread::get_id() == m_threadId; }

private:
    struct State
    {
        struct Entry
        {
            Task task;
            std::size_t bytes = 0;
            bool message = false;
            std::string latestKey;
        };
        using Entries = std::list<Entry>;

        std::mutex mutex;
        std::condition_variable wake;
        Entries tasks;
        std::unordered_map<std::string, Entries::iterator> pendingLatest; // the newest of each key
        std::deque<Entries::iterator> pendingOthers; // messages without a key, oldest first
        std::size_t backlogMessages = 0;
        std::size_t backlogBytes = 0;
        bool stopping = false;

        std::size_t replaced = 0; // since the last summary
        std::size_t dropped = 0;
        std::chrono::steady_clock::time_point lastSummary{};

        void erase(Entries::iterator it);
        // The summary line to log now (outside the lock), or empty.
        std::string takeSummary(std::chrono::steady_clock::time_point now);
    };
    static void run(std::shared_ptr<State> state);

    std::shared_ptr<State> m_state;
    std::thread m_thread;
    std::thread::id m_threadId;
};

} // namespace Messaging
} // namespace Ulmar
