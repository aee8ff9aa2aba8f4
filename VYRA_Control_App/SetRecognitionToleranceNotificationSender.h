#pragma once

#include <memory>

#include <QObject>
#include <QVariant>

namespace Ulmar {
namespace Messaging {

class BufferQueue;
class Messenger;

// Sends "SetRecognitionTolerance" with the body {"recognitionTolerance":integer}; the new value shows up only
// when the unit reports it back.
class SetRecognitionToleranceNotificationSender : public QObject
{
    Q_OBJECT

public:
    explicit SetRecognitionToleranceNotificationSender(std::shared_ptr<Messenger> messenger);
    ~SetRecognitionToleranceNotificationSender() override;

public slots:
    void triggerSendRecognitionTolerance(QVariant recognitionTolerance);

private:
    std::shared_ptr<Messenger> m_messenger;
    std::shared_ptr<BufferQueue> m_bufferQueue;
};

} // namespace Messaging
} // namespace Ulmar
