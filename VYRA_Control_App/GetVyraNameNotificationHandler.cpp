#include "GetVyraNameNotificationHandler.h"

#include <QString>

#include "InputLimits.h"
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
    InputLimits limits(type);
    const QString name = limits.text(decodeFirstStringMember(response, JsonKey::VyraName),
                                     InputLimits::MaxNameLength, "unit name");
    m_keyValueSignal(QVariant(QString::fromStdString(MessageType::GetVyraNameNotification)), QVariant(name));
}

} // namespace Messaging
} // namespace Ulmar
