#pragma once

#include <memory>

#include <QObject>
#include <QVariant>

namespace Ulmar {
namespace Messaging {

class BufferQueue;
class Messenger;

// Sends "SetMotionDelay" with the body {"motionDelay":integer}; the new value shows up only when the unit
// reports it back.
class SetMotionDelayNotificationSender : public QObject
{
    Q_OBJECT

public:
    explicit SetMotionDelayNotificationSender(std::shared_ptr<Messenger> messenger);
    ~SetMotionDelayNotificationSender() override;

public slots:
    void triggerSendMotionDelay(QVariant motionDelay);

private:
    std::shared_ptr<Messenger> m_messenger;
    std::shared_ptr<BufferQueue> m_bufferQueue;
};

} // namespace Messaging
} // namespace Ulmar
