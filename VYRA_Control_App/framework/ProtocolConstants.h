#pragma once

// The numbers of the link protocol (docs/protocol.md) that more than one program needs: the application, the
// framework, the simulated unit, the unit checker, the tests, fuzzers and benchmarks all take them from here.

#include <cstddef>
#include <cstdint>

namespace Ulmar {
namespace Messaging {
namespace Protocol {

// TCP port a unit listens on for the ZeroMQ link (and UDP port it answers announcement queries on).
constexpr std::uint16_t kDefaultMessagePort = 12740;
// UDP port the applications listen on for announcements.
constexpr std::uint16_t kDefaultDiscoveryPort = 12741;

// ZMQ_MAXMSGSIZE, which libzmq applies to each frame as it travels: on a CURVE link that is the encrypted
// frame, 33 bytes longer (command name, nonce, MAC, flags) than the frame that was sent.
constexpr std::int64_t kMaxMessageSize = 16 * 1024 * 1024;
constexpr std::size_t kCurveFrameOverhead = 33;
// The largest frame (type name, text or body) that crosses any link, encrypted or not; both ends refuse to
// send more.
constexpr std::size_t kMaxFrameBytes = static_cast<std::size_t>(kMaxMessageSize) - kCurveFrameOverhead;

// The largest announcement or query datagram.
constexpr std::size_t kMaxDatagramSize = 1024;

} // namespace Protocol
} // namespace Messaging
} // namespace Ulmar
