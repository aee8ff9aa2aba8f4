#include "WifiSettingHandler.h"

#include "BodyJSONParser.h"
#include "MessageBody.h"
#include "MessageNames.h"

namespace Ulmar {
namespace Messaging {

WifiSettingHandler::WifiSettingHandler() = default;

WifiSettingHandler::~WifiSettingHandler() = default;

void WifiSettingHandler::handleResponse(std::shared_ptr<IResponse> response)
{
    const auto document = BodyJSONParser::parse(response);
    if (!document || !document->IsObject())
        return;
    for (auto outer = document->MemberBegin(); outer != document->MemberEnd(); ++outer) {
        if (!outer->value.IsObject())
            continue;
        for (auto m = outer->value.MemberBegin(); m != outer->value.MemberEnd(); ++m) {
            if (toStdString(m->name) == JsonKey::Result && m->value.IsBool())
                emit wifiSettingResponseReceived(QVariant(QStringLiteral("wifiSettings")),
                                                 QVariant(m->value.GetBool()));
        }
    }
}

} // namespace Messaging
} // namespace Ulmar
