#include "GetMotionDelayNotificationHandler.h"

#include <QString>

#include "MessageNames.h"
#include "SettingDecoding.h"

namespace Ulmar {
namespace Messaging {

void GetMotionDelayNotificationHandler::handleResponse(std::shared_ptr<IResponse> response)
{
    const int value = decodeFirstIntMember(response, JsonKey::MotionDelay);
    m_keyValueSignal(QVariant(QString::fromStdString(JsonKey::MotionDelay)), QVariant(value));
}

} // namespace Messaging
} // namespace Ulmar
