#include "GetRecognitionToleranceNotificationHandler.h"

#include <QString>

#include "MessageNames.h"
#include "SettingDecoding.h"

namespace Ulmar {
namespace Messaging {

void GetRecognitionToleranceNotificationHandler::handleResponse(std::shared_ptr<IResponse> response)
{
    const int value = decodeFirstIntMember(response, JsonKey::RecognitionTolerance);
    m_keyValueSignal(QVariant(QString::fromStdString(JsonKey::RecognitionTolerance)), QVariant(value));
}

} // namespace Messaging
} // namespace Ulmar
