#pragma once

namespace Ulmar {
namespace Messaging {

class ITransport
{
public:
    // Only ZeroMQ (3) is implemented.
    enum TransportType
    {
        TransportNone = 0,
        TransportZeroMQ = 3
    };
};

} // namespace Messaging
} // namespace Ulmar
