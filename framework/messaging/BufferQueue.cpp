#include "BufferQueue.h"

namespace Ulmar {
namespace Messaging {

std::shared_ptr<BufferQueue> BufferQueue::Create(std::size_t count, std::size_t capacity)
{
    std::shared_ptr<BufferQueue> queue(new BufferQueue(count, capacity));
    std::lock_guard<std::mutex> lock(queue->m_mutex);
    for (std::size_t i = 0; i < count; ++i)
        queue->m_idle.push_back(std::make_shared<Buffer>(capacity));
    return queue;
}

BufferQueue::BufferQueue(std::size_t count, std::size_t capacity) : m_count(count), m_capacity(capacity) {}

std::shared_ptr<ManagedBuffer> BufferQueue::AcquireBuffer(std::size_t size, bool allowGrow)
{
    std::shared_ptr<Buffer> buffer;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_idle.empty()) {
            buffer = std::move(m_idle.back());
            m_idle.pop_back();
        }
    }
    if (!buffer) {
        if (!allowGrow)
            return nullptr;
        buffer = std::make_shared<Buffer>(std::max(size, m_capacity));
    }
    buffer->clear();
    buffer->reserve(size);

    // The pool may be gone by the time the loan ends: hold it weakly.
    std::weak_ptr<BufferQueue> pool = weak_from_this();
    return std::make_shared<ManagedBuffer>(std::move(buffer), [pool](std::shared_ptr<Buffer> returned) {
        if (auto queue = pool.lock())
            queue->recycle(std::move(returned));
    });
}

std::size_t BufferQueue::idleCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_idle.size();
}

void BufferQueue::recycle(std::shared_ptr<Buffer> buffer)
{
    if (!buffer)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_idle.size() >= m_count)
        return; // pool full: the buffer is freed
    buffer->clear();
    // A body that once needed megabytes should not pin that memory in an idle pool.
    if (buffer->capacity() > std::max<std::size_t>(m_capacity, 64 * 1024))
        buffer = std::make_shared<Buffer>(m_capacity);
    m_idle.push_back(std::move(buffer));
}

} // namespace Messaging
} // namespace Ulmar
