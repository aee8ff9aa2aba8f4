#include "IMessage.h"
#include "IResponse.h"
#include "IResponseHandler.h"

namespace Ulmar {
namespace Messaging {

namespace {
std::shared_ptr<ManagedBuffer> noneIfEmpty(std::shared_ptr<ManagedBuffer> body)
{
    if (!body || !body->GetBuffer() || body->GetBuffer()->empty())
        return nullptr;
    return body;
}
} // namespace

IMessage::IMessage(std::string messageType, std::uint32_t version, std::string text,
                   std::shared_ptr<ManagedBuffer> body, GenericMessageType genericType)
    : m_type(std::move(messageType)), m_version(version), m_text(std::move(text)),
      m_body(noneIfEmpty(std::move(body))), m_genericType(genericType)
{}

IMessage::~IMessage() = default;

std::string IMessage::bodyAsString() const
{
    if (!m_body || !m_body->GetBuffer())
        return {};
    const auto& buffer = *m_body->GetBuffer();
    return std::string(reinterpret_cast<const char*>(buffer.data()), buffer.size());
}

IResponse::~IResponse() = default;

IResponseHandler::~IResponseHandler() = default;

} // namespace Messaging
} // namespace Ulmar
