#include "MessageBody.h"

#include "BodyJSONParser.h"
#include "MessageNames.h"

namespace Ulmar {
namespace Messaging {

std::shared_ptr<rapidjson::Document> parseBody(const std::shared_ptr<const IMessage>& message)
{
    // One decoder for the whole program, so that handlers using either name see the same result.
    return BodyJSONParser::parse(message);
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
