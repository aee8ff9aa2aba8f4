#pragma once

#include <memory>

#include <QVariant>
#include <boost/signals2/signal.hpp>

#include "IResponseHandler.h"

namespace Ulmar {
namespace Messaging {

// Decodes "GetMotionDelayNotification" and hands ("motionDelay", value) to the key-value signal; the value is
// 0 when the body does not start with a well-typed "motionDelay" member.
class GetMotionDelayNotificationHandler : public IResponseHandler
{
public:
    using KeyValueSignal = boost::signals2::signal<void(QVariant, QVariant)>;

    void handleResponse(std::shared_ptr<IResponse> response) override;

    KeyValueSignal& keyValueSignal() { return m_keyValueSignal; }

private:
    KeyValueSignal m_keyValueSignal;
};

} // namespace Messaging
} // namespace Ulmar
