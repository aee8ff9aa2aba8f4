#include "Buffer.h"

namespace Ulmar {
namespace Messaging {

Buffer::Buffer(std::size_t capacity)
{
    m_bytes.reserve(capacity);
}

std::size_t Buffer::AppendDataPtr(const void* data, std::size_t size)
{
    if (data == nullptr || size == 0)
        return 0;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    m_bytes.insert(m_bytes.end(), bytes, bytes + size);
    return size;
}

} // namespace Messaging
} // namespace Ulmar
