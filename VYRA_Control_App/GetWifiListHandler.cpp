#include "GetWifiListHandler.h"

#include <QStringList>
#include <QVariantMap>

#include "BodyJSONParser.h"
#include "InputLimits.h"
#include "MessageBody.h"
#include "MessageNames.h"

namespace Ulmar {
namespace Messaging {

GetWifiListHandler::GetWifiListHandler() = default;

GetWifiListHandler::~GetWifiListHandler() = default;

void GetWifiListHandler::handleResponse(std::shared_ptr<IResponse> response)
{
    QStringList names;
    QVariantMap status;
    InputLimits limits(MessageType::GetWifiList);

    const auto document = BodyJSONParser::parse(response);
    if (document && document->IsObject()) {
        for (auto outer = document->MemberBegin(); outer != document->MemberEnd(); ++outer) {
            if (!outer->value.IsArray())
                continue;
            for (const auto& element : outer->value.GetArray()) {
                if (!element.IsObject())
                    continue;
                if (!limits.admit(names.size(), InputLimits::MaxWifiNetworks, "Wi-Fi networks"))
                    break;
                QString ssid;
                bool active = false;
                for (auto m = element.MemberBegin(); m != element.MemberEnd(); ++m) {
                    const std::string key = toStdString(m->name);
                    if (key == JsonKey::Ssid && m->value.IsString())
                        ssid = limits.text(m->value.GetString(), m->value.GetStringLength(),
                                           InputLimits::MaxNameLength, "Wi-Fi network name");
                    else if (key == JsonKey::Active && m->value.IsBool())
                        active = m->value.GetBool();
                }
                names.append(ssid);
                status.insert(ssid, QVariant(active));
            }
        }
    }

    emit wifiNetworkListChangedSignal(QVariant(QStringLiteral("wifiNetworkList")), QVariant(names));
    emit wifiNetworkStatusListChangedSignal(QVariant(QStringLiteral("wifiNetworkStatus")), QVariant(status));
}

} // namespace Messaging
} // namespace Ulmar
