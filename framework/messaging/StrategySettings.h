#pragma once

#include <cstdint>
#include <vector>

#include "DiscoveryStrategyInfo.h"
#include "Messenger.h"

namespace Ulmar {
namespace Messaging {

// What a Messenger's discovery strategies ask for: the UDP ports to hear announcements on, the announcement
// period (a unit not heard for three periods is too old), and the fixed host chosen by default (the first
// well-formed one). A malformed strategy is logged and skipped.
class StrategySettings
{
public:
    explicit StrategySettings(const DiscoveryStrategyList& strategies);

    unsigned periodMs() const { return m_periodMs; }
    const std::vector<std::uint16_t>& discoveryPorts() const { return m_discoveryPorts; }
    // Not valid without a fixed host.
    const Messenger::ChosenUnit& fixedHost() const { return m_fixedHost; }

private:
    unsigned m_periodMs = 1500;
    std::vector<std::uint16_t> m_discoveryPorts;
    Messenger::ChosenUnit m_fixedHost;
};

} // namespace Messaging
} // namespace Ulmar
