#include "IMessengerObserver.h"

#include "KeyPinStore.h"
#include "MessagingLog.h"

namespace Ulmar {
namespace Messaging {

IMessengerObserver::~IMessengerObserver() = default;

void IMessengerObserver::handleErrorResponse(const std::string& error)
{
    qCDebug(lcMessaging, "Messenger error: %s", error.c_str());
}

void IMessengerObserver::handleUnitKeyMismatch(const UnitKeyMismatch& /*mismatch*/) {}

} // namespace Messaging
} // namespace Ulmar
