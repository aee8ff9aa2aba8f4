#include "SetRecognitionToleranceNotificationSender.h"

#include "BufferQueue.h"
#include "MessageBody.h"
#include "MessageNames.h"
#include "Messenger.h"
#include "RefusedSendLog.h"
#include "SettingDecoding.h"

namespace Ulmar {
namespace Messaging {

SetRecognitionToleranceNotificationSender::SetRecognitionToleranceNotificationSender(
    std::shared_ptr<Messenger> messenger)
    : QObject(nullptr), m_messenger(std::move(messenger)), m_bufferQueue(BufferQueue::Create(1, 1024))
{}

SetRecognitionToleranceNotificationSender::~SetRecognitionToleranceNotificationSender() = default;

void SetRecognitionToleranceNotificationSender::triggerSendRecognitionTolerance(QVariant recognitionTolerance)
{
    if (!m_messenger)
        return;
    const std::string body = encodeSingleMember(JsonKey::RecognitionTolerance, recognitionTolerance.toInt());
    RefusedSendLog::send(m_messenger, makeMessage(MessageType::SetRecognitionTolerance, body, m_bufferQueue));
}

} // namespace Messaging
} // namespace Ulmar
