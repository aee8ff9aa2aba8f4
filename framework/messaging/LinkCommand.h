#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "IMessage.h"

namespace Ulmar {
namespace Messaging {

// The unit the application chose, as the I/O thread connects to it.
struct LinkTarget
{
    bool valid = false;
    std::string address; // as given (may be "host:port")
    std::string name;
    std::uint16_t port = 0;
    std::string host; // address without its port override
    std::uint16_t effectivePort = 0;
    bool encrypted = false;
    bool userChoice = false;
    std::string key; // from the announcement, for a discovered unit
};

// What the application asked of the I/O thread; carried out in order (see CommandQueue).
struct LinkCommand
{
    enum Kind
    {
        Send,
        Connect,
        Disconnect,
        Choose,
        StateRequestAdded,
        AcceptKey, // target.key
        Stop
    } kind;
    std::shared_ptr<IMessage> message;
    LinkTarget target;
    unsigned timeoutMs = 0;
    bool confidential = false; // Send: only on a link with the unit's remembered key
};

} // namespace Messaging
} // namespace Ulmar
