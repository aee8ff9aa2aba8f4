#pragma once

#include <QString>

#include "UnitState.h"

namespace Ulmar {
namespace Simulator {

// The made-up network a unit reports: plausible private-range data for the network page, derived from the
// unit's name so that two units differ. The unit never uses these addresses.
class UnitNetwork
{
public:
    // A fresh unit's network: wired, no Wi-Fi, no access point, a few networks visible.
    static NetworkState fresh(const QString& unitName);
    // The interfaces (and the hotspot's name) that go with the Wi-Fi state: wlan0 beside eth0 while
    // joined or acting as an access point.
    static void updateInterfaces(NetworkState& network);
};

} // namespace Simulator
} // namespace Ulmar
