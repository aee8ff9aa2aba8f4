#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "ManagedBuffer.h"

namespace Ulmar {
namespace Messaging {

// A small pool of reusable buffers. Create(count, capacity) keeps at most `count` idle buffers of at least
// `capacity` bytes. Acquiring never blocks: when every pooled buffer is on loan, a fresh one is made
// (if allowed) and freed instead of pooled when it comes back.
class BufferQueue : public std::enable_shared_from_this<BufferQueue>
{
public:
    static std::shared_ptr<BufferQueue> Create(std::size_t count, std::size_t capacity);

    // An empty buffer able to hold `size` bytes without reallocating; nullptr only when no buffer is idle
    // and `allowGrow` is false.
    std::shared_ptr<ManagedBuffer> AcquireBuffer(std::size_t size, bool allowGrow);

    std::size_t idleCount() const;
    std::size_t maxIdle() const { return m_count; }

private:
    BufferQueue(std::size_t count, std::size_t capacity);
    void recycle(std::shared_ptr<Buffer> buffer);

    const std::size_t m_count;
    const std::size_t m_capacity;
    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<Buffer>> m_idle;
};

} // namespace Messaging
} // namespace Ulmar
