#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ManagedBuffer.h"

namespace Ulmar {
namespace Messaging {

using GenericMessageType = int;

// A named message: type name, version, a short text and an optional binary body.
class IMessage
{
public:
    IMessage(std::string messageType, std::uint32_t version, std::string text,
             std::shared_ptr<ManagedBuffer> body, GenericMessageType genericType = 0);
    virtual ~IMessage();

    const std::string& getMessageType() const { return m_type; }
    std::uint32_t getVersion() const { return m_version; }
    const std::string& getText() const { return m_text; }
    GenericMessageType getGenericMessageType() const { return m_genericType; }

    // The body, or nullptr when the message has none (an empty body counts as none).
    std::shared_ptr<ManagedBuffer> body() const { return m_body; }
    // Body bytes as a string (empty without body); handy for JSON and for tests.
    std::string bodyAsString() const;

private:
    std::string m_type;
    std::uint32_t m_version;
    std::string m_text;
    std::shared_ptr<ManagedBuffer> m_body;
    GenericMessageType m_genericType;
};

} // namespace Messaging
} // namespace Ulmar
