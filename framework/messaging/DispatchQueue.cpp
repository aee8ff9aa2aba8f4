#include "DispatchQueue.h"

#include "MessagingLog.h"

namespace Ulmar {
namespace Messaging {

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
        if (fromOwnThread)
            m_state->tasks.clear(); // their owner is going away under them
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
        m_state->tasks.push_back({std::move(task), 0, false});
    }
    m_state->wake.notify_one();
}

bool DispatchQueue::postMessage(Task task, std::size_t bytes)
{
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        if (m_state->stopping)
            return false;
        if (m_state->backlogMessages >= kMaxBacklogMessages ||
            m_state->backlogBytes + bytes > kMaxBacklogBytes)
            return false;
        ++m_state->backlogMessages;
        m_state->backlogBytes += bytes;
        m_state->tasks.push_back({std::move(task), bytes, true});
    }
    m_state->wake.notify_one();
    return true;
}

void DispatchQueue::run(std::shared_ptr<State> state)
{
    for (;;) {
        Task task;
        {
            std::unique_lock<std::mutex> lock(state->mutex);
            state->wake.wait(lock, [&] { return state->stopping || !state->tasks.empty(); });
            if (state->tasks.empty())
                return;
            auto& entry = state->tasks.front();
            task = std::move(entry.task);
            if (entry.message) {
                --state->backlogMessages;
                state->backlogBytes -= entry.bytes;
            }
            state->tasks.pop_front();
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
