#include "GetVyraNameNotificationHandler.h"

#include <QString>

#include "MessageNames.h"
#include "SettingDecoding.h"

namespace Ulmar {
namespace Messaging {

void GetVyraNameNotificationHandler::handleResponse(std::shared_ptr<IResponse> response)
{
    if (!response)
        return;
    const std::string& type = response->getMessageType();
    if (type == MessageType::SetVyraName) {
        m_keyValueSignal(QVariant(QString::fromStdString(MessageType::SetVyraName)), QVariant(QString()));
        return;
    }
    if (type != MessageType::GetVyraNameNotification)
        return;
    const QString name = decodeFirstStringMember(response, JsonKey::VyraName);
    m_keyValueSignal(QVariant(QString::fromStdString(MessageType::GetVyraNameNotification)), QVariant(name));
}

} // namespace Messaging
} // namespace Ulmar
