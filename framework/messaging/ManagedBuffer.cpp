#include "ManagedBuffer.h"

namespace Ulmar {
namespace Messaging {

ManagedBuffer::ManagedBuffer(std::shared_ptr<Buffer> buffer, Recycler recycler)
    : m_buffer(buffer ? std::move(buffer) : std::make_shared<Buffer>()), m_recycler(std::move(recycler))
{}

ManagedBuffer::~ManagedBuffer()
{
    if (m_recycler)
        m_recycler(std::move(m_buffer));
}

std::shared_ptr<ManagedBuffer> ManagedBuffer::FromBytes(const void* data, std::size_t size)
{
    auto buffer = std::make_shared<Buffer>(size);
    buffer->AppendDataPtr(data, size);
    return std::make_shared<ManagedBuffer>(std::move(buffer));
}

} // namespace Messaging
} // namespace Ulmar
