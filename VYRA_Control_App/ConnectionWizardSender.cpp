#include "ConnectionWizardSender.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "BufferQueue.h"
#include "LogCategories.h"
#include "MessageBody.h"
#include "MessageNames.h"
#include "Messenger.h"
#include "RefusedSendLog.h"

namespace Ulmar {
namespace Messaging {

ConnectionWizardSender::ConnectionWizardSender(std::shared_ptr<Messenger> messenger)
    : m_messenger(std::move(messenger)), m_bufferQueue(BufferQueue::Create(1, 1024))
{}

ConnectionWizardSender::~ConnectionWizardSender() = default;

std::string ConnectionWizardSender::wifiChangeBody(const std::string& ssid, const std::string& key)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key(JsonKey::SetWifi.c_str());
    writer.StartObject();
    writer.Key(JsonKey::Ssid.c_str());
    writer.String(ssid.data(), static_cast<rapidjson::SizeType>(ssid.size()));
    writer.Key(JsonKey::Key.c_str());
    writer.String(key.data(), static_cast<rapidjson::SizeType>(key.size()));
    writer.EndObject();
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string ConnectionWizardSender::hotspotBody()
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key(JsonKey::SetWifi.c_str());
    writer.StartObject();
    writer.Key(JsonKey::Clear.c_str());
    writer.Bool(true);
    writer.EndObject();
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

void ConnectionWizardSender::triggerWifiChange(QVariant ssid, QVariant securityKey)
{
    if (!m_messenger || !ssid.isValid())
        return;
    const std::string name = ssid.toString().toUtf8().toStdString();
    const std::string key = securityKey.toString().toUtf8().toStdString();
    // The network key is a secret: only on a link encrypted with the unit's remembered key.
    if (!m_messenger->sendConfidential(
            makeMessage(MessageType::SetWifiSetting, wifiChangeBody(name, key), m_bufferQueue))) {
        qCWarning(
            lcNetwork,
            "Wi-Fi settings not sent: the link to the unit is down or not encrypted with its remembered "
            "key");
        emit wifiSettingNotSent();
    }
}

void ConnectionWizardSender::triggerWifiList()
{
    if (m_messenger)
        RefusedSendLog::send(m_messenger, makeMessage(MessageType::GetWifiList));
}

void ConnectionWizardSender::triggerNetworkState()
{
    if (m_messenger)
        RefusedSendLog::send(m_messenger, makeMessage(MessageType::GetNetworkState));
}

void ConnectionWizardSender::requestHotspotActivation()
{
    if (m_messenger && !RefusedSendLog::send(m_messenger, makeMessage(MessageType::SetWifiSetting,
                                                                      hotspotBody(), m_bufferQueue)))
        emit wifiSettingNotSent();
}

} // namespace Messaging
} // namespace Ulmar
