#pragma once

#include <string>
#include <vector>

#include "MessageNames.h"

// Which requests the application sends on its own, shared by the Facade's tests, the unit checker and the
// test clients that act as the application.
namespace Ulmar {
namespace Messaging {
namespace MessageType {
// The requests the application sends after every (re)connection, in the order it registers them (the
// Facade's constructor, then initMessageObservers).
inline const std::vector<std::string>& stateRequests()
{
    static const std::vector<std::string> types{
        GetMediaListNotification,   GetMediaStatusNotification,          GetUpgradeNotification,
        GetUpdateNotification,      GetSeatStatusNotification,           GetVyraNameNotification,
        GetMotionDelayNotification, GetRecognitionToleranceNotification, GetLibraryServiceLoginStatus};
    return types;
}

// Requests the application sends only when a page asks (the network page), never after a connection.
inline const std::vector<std::string>& onDemandRequests()
{
    static const std::vector<std::string> types{GetNetworkState, GetWifiList};
    return types;
}
} // namespace MessageType
} // namespace Messaging
} // namespace Ulmar
