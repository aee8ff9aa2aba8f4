#pragma once

#include <memory>

#include <QVariant>
#include <boost/signals2/signal.hpp>

#include "IResponseHandler.h"

namespace Ulmar {
namespace Messaging {

// Registered for "GetVyraNameNotification" (the unit's name, emitted under that key) and "SetVyraName"
// (the unit's answer to a rename, emitted with an empty value). Type names compare case-sensitively.
class GetVyraNameNotificationHandler : public IResponseHandler
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
