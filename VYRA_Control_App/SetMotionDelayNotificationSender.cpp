#include "SetMotionDelayNotificationSender.h"

#include "BufferQueue.h"
#include "MessageBody.h"
#include "MessageNames.h"
#include "Messenger.h"
#include "RefusedSendLog.h"
#include "SettingDecoding.h"

namespace Ulmar {
namespace Messaging {

SetMotionDelayNotificationSender::SetMotionDelayNotificationSender(std::shared_ptr<Messenger> messenger)
    : QObject(nullptr), m_messenger(std::move(messenger)), m_bufferQueue(BufferQueue::Create(1, 1024))
{}

SetMotionDelayNotificationSender::~SetMotionDelayNotificationSender() = default;

void SetMotionDelayNotificationSender::triggerSendMotionDelay(QVariant motionDelay)
{
    if (!m_messenger)
        return;
    const std::string body = encodeSingleMember(JsonKey::MotionDelay, motionDelay.toInt());
    RefusedSendLog::send(m_messenger, makeMessage(MessageType::SetMotionDelay, body, m_bufferQueue));
}

} // namespace Messaging
} // namespace Ulmar
