#include "MessageBody.h"

#include <vector>

#include "MessageNames.h"

namespace Ulmar {
namespace Messaging {

std::shared_ptr<rapidjson::Document> parseBody(const std::shared_ptr<const IMessage>& message)
{
    if (!message)
        return nullptr;
    const auto body = message->body();
    if (!body || !body->GetBuffer() || body->GetBuffer()->empty())
        return nullptr;
    const auto& buffer = *body->GetBuffer();
    std::vector<char> text(buffer.data(), buffer.data() + buffer.size());
    text.push_back('\0');
    auto document = std::make_shared<rapidjson::Document>();
    document->Parse(text.data());
    if (document->HasParseError())
        return nullptr;
    return document;
}

std::shared_ptr<IMessage> makeMessage(const std::string& type, const std::string& body,
                                      const std::shared_ptr<BufferQueue>& pool, const std::string& text)
{
    std::shared_ptr<ManagedBuffer> managed;
    if (!body.empty()) {
        if (pool)
            managed = pool->AcquireBuffer(body.size(), true);
        if (!managed)
            managed = ManagedBuffer::FromBytes(body.data(), body.size());
        else
            managed->GetBuffer()->AppendDataPtr(body.data(), body.size());
    }
    return std::make_shared<IMessage>(type, MessageVersion, text, managed, GenericMessageTypeDefault);
}

std::shared_ptr<IMessage> makeStateRequest(const std::string& type, const std::string& text)
{
    return std::make_shared<IMessage>(type, MessageVersion, text, nullptr, GenericMessageTypeDefault);
}

bool isInt32(const rapidjson::Value& v)
{
    return v.IsInt();
}

bool isExactBool(const rapidjson::Value& v)
{
    return v.IsBool();
}

std::string toStdString(const rapidjson::Value& v)
{
    return v.IsString() ? std::string(v.GetString(), v.GetStringLength()) : std::string();
}

} // namespace Messaging
} // namespace Ulmar
