#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ProtocolConstants.h"

namespace Ulmar {
namespace Messaging {

// The parameter text of a DirectHost strategy, "encrypted;HOST;PORT" (or "plain;HOST;PORT"), as data. The
// host is everything between the first and the last ';' and may carry ":port" of its own, which then wins
// (see Messenger::chooseUnit).
struct DirectHostParameter
{
    bool encrypted = true;
    std::string host;
    std::uint16_t port = Protocol::kDefaultMessagePort;

    // Nothing unless there are a mode, a non-empty host and a port of 1 to 65535 in at most five digits. A
    // mode other than "encrypted" means plain.
    static std::optional<DirectHostParameter> parse(const std::string& text);
    std::string text() const;
};

} // namespace Messaging
} // namespace Ulmar
