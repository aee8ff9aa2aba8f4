#include "SetVyraNameNotificationSender.h"

#include "BufferQueue.h"
#include "MessageBody.h"
#include "MessageNames.h"
#include "Messenger.h"
#include "RefusedSendLog.h"
#include "SettingDecoding.h"

namespace Ulmar {
namespace Messaging {

SetVyraNameNotificationSender::SetVyraNameNotificationSender(std::shared_ptr<Messenger> messenger)
    : QObject(nullptr), m_messenger(std::move(messenger)), m_bufferQueue(BufferQueue::Create(1, 1024))
{}

SetVyraNameNotificationSender::~SetVyraNameNotificationSender() = default;

void SetVyraNameNotificationSender::triggerSendVyraName(QVariant vyraName)
{
    if (!m_messenger)
        return;
    const std::string body =
        encodeSingleMember(JsonKey::VyraName, vyraName.toString().toUtf8().toStdString());
    RefusedSendLog::send(m_messenger, makeMessage(MessageType::SetVyraName, body, m_bufferQueue));
}

} // namespace Messaging
} // namespace Ulmar
