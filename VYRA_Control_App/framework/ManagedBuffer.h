#pragma once

#include <functional>
#include <memory>

#include "Buffer.h"

namespace Ulmar {
namespace Messaging {

// A buffer on loan from a BufferQueue: when the last owner lets go, the buffer goes back to its pool
// (or is freed when the pool is full or gone).
class ManagedBuffer
{
public:
    using Recycler = std::function<void(std::shared_ptr<Buffer>)>;

    explicit ManagedBuffer(std::shared_ptr<Buffer> buffer, Recycler recycler = {});
    ~ManagedBuffer();
    ManagedBuffer(const ManagedBuffer&) = delete;
    ManagedBuffer& operator=(const ManagedBuffer&) = delete;

    std::shared_ptr<Buffer> GetBuffer() const { return m_buffer; }

    // Convenience: a managed buffer (outside any pool) holding a copy of the given bytes.
    static std::shared_ptr<ManagedBuffer> FromBytes(const void* data, std::size_t size);

private:
    std::shared_ptr<Buffer> m_buffer;
    Recycler m_recycler;
};

} // namespace Messaging
} // namespace Ulmar
