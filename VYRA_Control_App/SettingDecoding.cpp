#include "SettingDecoding.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "MessageBody.h"

namespace Ulmar {
namespace Messaging {

namespace {
const rapidjson::Value* firstMemberNamed(const rapidjson::Document* document, const std::string& key)
{
    if (!document || !document->IsObject() || document->MemberCount() == 0)
        return nullptr;
    const auto first = document->MemberBegin();
    if (!first->name.IsString() || toStdString(first->name) != key)
        return nullptr;
    return &first->value;
}
} // namespace

int decodeFirstIntMember(const std::shared_ptr<const IMessage>& message, const std::string& key)
{
    const auto document = parseBody(message);
    const rapidjson::Value* value = firstMemberNamed(document.get(), key);
    return value && isInt32(*value) ? value->GetInt() : 0;
}

QString decodeFirstStringMember(const std::shared_ptr<const IMessage>& message, const std::string& key)
{
    const auto document = parseBody(message);
    const rapidjson::Value* value = firstMemberNamed(document.get(), key);
    if (!value || !value->IsString())
        return QString();
    return QString::fromUtf8(value->GetString(), static_cast<int>(value->GetStringLength()));
}

std::string encodeSingleMember(const std::string& key, int value)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
    writer.Int(value);
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string encodeSingleMember(const std::string& key, const std::string& utf8Value)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
    writer.String(utf8Value.data(), static_cast<rapidjson::SizeType>(utf8Value.size()));
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

} // namespace Messaging
} // namespace Ulmar
