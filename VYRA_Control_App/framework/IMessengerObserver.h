#pragma once

#include <string>

namespace Ulmar {
namespace Messaging {

struct UnitKeyMismatch;

// Connection events of a Messenger, delivered on a messaging thread.
class IMessengerObserver
{
public:
    virtual ~IMessengerObserver();
    // The connection to the chosen unit is up (transport and greeting done).
    virtual void handleConnected() {}
    // An established connection broke, or a connection attempt timed out.
    virtual void handleConnectionLost() {}
    // The application closed the connection itself (another unit chosen, shutdown).
    virtual void handleDisconnected() {}
    // A protocol-level error reported by the layer; the default writes it to the debug log.
    virtual void handleErrorResponse(const std::string& error);
    // The chosen unit offered a key other than the one remembered for it; the link was refused. Reported
    // once per offered key until a link is up again.
    virtual void handleUnitKeyMismatch(const UnitKeyMismatch& mismatch);
};

} // namespace Messaging
} // namespace Ulmar
