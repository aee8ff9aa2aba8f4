#include "SettingDecoding.h"

#include <QtGlobal>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "LogCategories.h"
#include "MessageBody.h"

namespace Ulmar {
namespace Messaging {

namespace {
// The value of the body's first member when it is named key; otherwise null, with the reason.
const rapidjson::Value* firstMemberNamed(const rapidjson::Document* document, const std::string& key,
                                         const char** why)
{
    if (!document || !document->IsObject() || document->MemberCount() == 0) {
        *why = "the body is no JSON object with members";
        return nullptr;
    }
    const auto first = document->MemberBegin();
    if (!first->name.IsString() || toStdString(first->name) != key) {
        *why = "it is not the body's first member";
        return nullptr;
    }
    return &first->value;
}

// A unit that sends 12.0 for 12 sees 0 on the page: say why in the log.
void logIgnored(const std::string& key, const char* why)
{
    qCDebug(lcInput, "Unit setting \"%s\" ignored, shown as the default: %s", key.c_str(), why);
}
} // namespace

int decodeFirstIntMember(const std::shared_ptr<const IMessage>& message, const std::string& key)
{
    const auto document = parseBody(message);
    const char* why = "";
    const rapidjson::Value* value = firstMemberNamed(document.get(), key, &why);
    if (value && isInt32(*value))
        return value->GetInt();
    logIgnored(key, value ? "not a whole number in the signed 32-bit range (12.0 and 1e3 are not)" : why);
    return 0;
}

QString decodeFirstStringMember(const std::shared_ptr<const IMessage>& message, const std::string& key)
{
    const auto document = parseBody(message);
    const char* why = "";
    const rapidjson::Value* value = firstMemberNamed(document.get(), key, &why);
    if (!value || !value->IsString()) {
        logIgnored(key, value ? "not a text" : why);
        return QString();
    }
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
