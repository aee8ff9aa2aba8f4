#pragma once

#include <memory>

#include <QObject>
#include <QVariant>

namespace Ulmar {
namespace Messaging {

class BufferQueue;
class Messenger;

// Sends "SetVyraName" with the body {"vyraName":text}; the new value shows up only when the unit reports it
// back.
class SetVyraNameNotificationSender : public QObject
{
    Q_OBJECT

public:
    explicit SetVyraNameNotificationSender(std::shared_ptr<Messenger> messenger);
    ~SetVyraNameNotificationSender() override;

public slots:
    void triggerSendVyraName(QVariant vyraName);

private:
    std::shared_ptr<Messenger> m_messenger;
    std::shared_ptr<BufferQueue> m_bufferQueue;
};

} // namespace Messaging
} // namespace Ulmar
