#include "GetVYRANetworkStateHandler.h"

#include <QVariantList>
#include <QVariantMap>

#include "BodyJSONParser.h"
#include "InputLimits.h"
#include "MessageBody.h"
#include "MessageNames.h"

namespace Ulmar {
namespace Messaging {

namespace {

QVariantMap decodeInterface(const rapidjson::Value& object, InputLimits& limits)
{
    static const std::string* const keys[] = {&JsonKey::InterfaceName, &JsonKey::HardwareAddress,
                                              &JsonKey::Ip, &JsonKey::Netmask, &JsonKey::Broadcast};
    QVariantMap entry;
    for (auto m = object.MemberBegin(); m != object.MemberEnd(); ++m) {
        if (!m->value.IsString())
            continue;
        const std::string name = toStdString(m->name);
        for (const auto* key : keys) {
            if (name == *key)
                entry.insert(QString::fromStdString(name),
                             limits.text(m->value.GetString(), m->value.GetStringLength(),
                                         InputLimits::MaxNameLength, "interface field"));
        }
    }
    return entry;
}

} // namespace

GetVYRANetworkStateHandler::GetVYRANetworkStateHandler() = default;

GetVYRANetworkStateHandler::~GetVYRANetworkStateHandler() = default;

void GetVYRANetworkStateHandler::handleResponse(std::shared_ptr<IResponse> response)
{
    bool lanActive = false;
    bool wifiActive = false;
    bool hotspotActive = false;
    QString ssid = QStringLiteral("---");
    QVariantList addresses;
    InputLimits limits(MessageType::GetNetworkState);

    const auto document = BodyJSONParser::parse(response);
    if (document && document->IsObject()) {
        for (auto outer = document->MemberBegin(); outer != document->MemberEnd(); ++outer) {
            if (!outer->value.IsObject())
                continue;
            for (auto m = outer->value.MemberBegin(); m != outer->value.MemberEnd(); ++m) {
                const std::string key = toStdString(m->name);
                const auto& value = m->value;
                if (key == JsonKey::Online && value.IsBool()) {
                    lanActive = value.GetBool();
                } else if (key == JsonKey::WifiOnline && value.IsBool()) {
                    wifiActive = value.GetBool();
                } else if (key == JsonKey::HotspotActive && value.IsBool()) {
                    hotspotActive = value.GetBool();
                } else if (key == JsonKey::Ssid && value.IsString()) {
                    ssid = limits.text(value.GetString(), value.GetStringLength(), InputLimits::MaxNameLength,
                                       "Wi-Fi network name");
                } else if (key == JsonKey::Addresses && value.IsArray()) {
                    for (const auto& element : value.GetArray()) {
                        if (!element.IsObject())
                            continue;
                        if (!limits.admit(addresses.size(), InputLimits::MaxInterfaces, "interfaces"))
                            break;
                        addresses.append(QVariant(decodeInterface(element, limits)));
                    }
                }
            }
        }
    }

    emit isHotspotActiveSignal(QVariant(hotspotActive));
    emit vyraNetworkStateChangedSignal(QVariant(wifiActive), QVariant(lanActive), QVariant(hotspotActive),
                                       QVariant(ssid), QVariant(addresses));
}

} // namespace Messaging
} // namespace Ulmar
