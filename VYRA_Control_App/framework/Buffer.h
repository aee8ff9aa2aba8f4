#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Ulmar {
namespace Messaging {

// A growable byte buffer. Message bodies travel in these; they are binary-safe (a body may be a JPEG).
class Buffer
{
public:
    explicit Buffer(std::size_t capacity = 0);

    // Appends `size` bytes from `data`; returns the number of bytes appended.
    std::size_t AppendDataPtr(const void* data, std::size_t size);

    const std::uint8_t* data() const { return m_bytes.data(); }
    std::size_t size() const { return m_bytes.size(); }
    std::size_t capacity() const { return m_bytes.capacity(); }
    bool empty() const { return m_bytes.empty(); }
    void clear() { m_bytes.clear(); }
    void reserve(std::size_t capacity) { m_bytes.reserve(capacity); }

private:
    std::vector<std::uint8_t> m_bytes;
};

} // namespace Messaging
} // namespace Ulmar
