#pragma once

#include <memory>
#include <string>
#include <vector>

namespace Ulmar {
namespace Messaging {

// How a Messenger finds units.
//  kind 3 (LanDiscovery): parameter = UDP discovery port as decimal text ("12741");
//  kind 2 (DirectHost):   parameter = "encrypted;HOST;PORT" (a unit reached by host name).
// periodMs is the announcement period: a unit not heard for three periods is too old.
struct DiscoveryStrategyInfo
{
    enum Kind
    {
        DirectHost = 2,
        LanDiscovery = 3
    };

    DiscoveryStrategyInfo(int kind, std::string parameter, unsigned periodMs)
        : kind(kind), parameter(std::move(parameter)), periodMs(periodMs)
    {
    }

    int kind;
    std::string parameter;
    unsigned periodMs;
};

using DiscoveryStrategyList = std::vector<std::shared_ptr<DiscoveryStrategyInfo>>;

} // namespace Messaging
} // namespace Ulmar
