#include "DispatchQueue.h"

#include "MessagingLog.h"
#include "ThreadName.h"

namespace Ulmar {
namespace Messaging {

using Clock = std::chrono::steady_clock;

DispatchQueue::DispatchQueue() : m_state(std::make_shared<State>())
{
    m_thread = std::thread(&DispatchQueue::run, m_state);
    m_threadId = m_thread.get_id();
}

DispatchQueue::~DispatchQueue()
{
    const bool fromOwnThread = onQueueThread();
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->stopping = true;
        if (fromOwnThread) {
            // Their owner is going away under them.
            m_state->tasks.clear();
            m_state->pendingLatest.clear();
            m_state->pendingOthers.clear();
        }
    }
    m_state->wake.notify_all();
    if (fromOwnThread)
        m_thread.detach(); // the state outlives us: the thread holds its own reference
    else if (m_thread.joinable())
        m_thread.join();
}

void DispatchQueue::post(Task task)
{
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        if (m_state->stopping)
            return;
        m_state->tasks.push_back({std::move(task), 0, false, {}});
    }
    m_state->wake.notify_one();
}

void DispatchQueue::State::erase(Entries::iterator it)
{
    if (it->message) {
        --backlogMessages;
        backlogBytes -= it->bytes;
    }
    if (!it->latestKey.empty()) {
        const auto newest = pendingLatest.find(it->latestKey);
        if (newest != pendingLatest.end() && newest->second == it)
            pendingLatest.erase(newest);
    }
    tasks.erase(it);
}

std::string DispatchQueue::State::takeSummary(Clock::time_point now)
{
    if ((replaced == 0 && dropped == 0) || now - lastSummary < kSummaryInterval)
        return std::string();
    const std::string line = "Messenger: handlers are behind; " + std::to_string(replaced) +
                             " notifications replaced by newer ones, " + std::to_string(dropped) +
                             " messages dropped";
    replaced = 0;
    dropped = 0;
    lastSummary = now;
    return line;
}

bool DispatchQueue::postMessage(Task task, std::size_t bytes, const std::string& latestKey)
{
    std::string summary;
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        State& s = *m_state;
        if (s.stopping)
            return false;
        if (bytes > kMaxBacklogBytes) {
            ++s.dropped;
            summary = s.takeSummary(Clock::now());
        } else {
            if (!latestKey.empty() && s.backlogMessages >= kLatestOnlyBacklog) {
                const auto stale = s.pendingLatest.find(latestKey);
                if (stale != s.pendingLatest.end()) {
                    s.erase(stale->second);
                    ++s.replaced;
                }
            }
            // Room for it: the oldest keyless messages go first. Snapshots are at most one per key.
            while (!s.pendingOthers.empty() && (s.backlogMessages + 1 > kMaxBacklogMessages ||
                                                s.backlogBytes + bytes > kMaxBacklogBytes)) {
                s.erase(s.pendingOthers.front());
                s.pendingOthers.pop_front();
                ++s.dropped;
            }
            ++s.backlogMessages;
            s.backlogBytes += bytes;
            const auto it = s.tasks.insert(s.tasks.end(), {std::move(task), bytes, true, latestKey});
            if (latestKey.empty())
                s.pendingOthers.push_back(it);
            else
                s.pendingLatest[latestKey] = it;
            summary = s.takeSummary(Clock::now());
        }
    }
    m_state->wake.notify_one();
    if (!summary.empty())
        qCWarning(lcMessaging, "%s", summary.c_str());
    return bytes <= kMaxBacklogBytes;
}

void DispatchQueue::run(std::shared_ptr<State> state)
{
    nameCurrentThread("msg-dispatch");
    for (;;) {
        Task task;
        std::string summary;
        {
            std::unique_lock<std::mutex> lock(state->mutex);
            const auto ready = [&] { return state->stopping || !state->tasks.empty(); };
            // Losses not yet reported are reported once the interval is over, even if nothing else arrives.
            while (!ready() && (state->replaced || state->dropped)) {
                const auto due = state->lastSummary + kSummaryInterval;
                if (state->wake.wait_until(lock, due, ready))
                    break;
                summary = state->takeSummary(Clock::now());
                if (!summary.empty())
                    break;
            }
            if (summary.empty()) {
                state->wake.wait(lock, ready);
                if (state->tasks.empty())
                    return;
                const auto front = state->tasks.begin();
                if (front->message && front->latestKey.empty())
                    state->pendingOthers.pop_front(); // the oldest keyless message is this one
                task = std::move(front->task);
                state->erase(front);
            }
        }
        if (!summary.empty()) {
            qCWarning(lcMessaging, "%s", summary.c_str());
            continue;
        }
        try {
            task();
        } catch (const std::exception& e) {
            qCWarning(lcMessaging, "A message handler threw: %s", e.what());
        } catch (...) {
            qCWarning(lcMessaging, "A message handler threw an unknown exception");
        }
    }
}

} // namespace Messaging
} // namespace Ulmar
