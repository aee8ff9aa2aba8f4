#pragma once

// The envelope and the datagrams shared by the application's Messenger and the unit's UnitEndpoint.
// docs/protocol.md describes the same rules for people writing a unit.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "IMessage.h"
#include "IResponse.h"
#include "ProtocolConstants.h"

namespace Ulmar {
namespace Messaging {
namespace Wire {

// The ports and size limits both ends share (ProtocolConstants.h), under the names the link code uses.
using Protocol::kCurveFrameOverhead;
using Protocol::kMaxDatagramSize;
using Protocol::kMaxFrameBytes;
using Protocol::kMaxMessageSize;

constexpr int kHeartbeatIntervalMs = 1000;
// A PING goes out at most one interval after the link froze: the loss is known within 2.8 s.
constexpr int kHeartbeatTimeoutMs = 1800;
constexpr int kHeartbeatTtlMs = 3000;
constexpr int kDatagramVersion = 1;
constexpr int kFrameCount = 4;
// Bodies from this size on are sent without copying them.
constexpr std::size_t kZeroCopyThreshold = 64 * 1024;

constexpr const char* kHello = "$HELLO";
constexpr const char* kWelcome = "$WELCOME";
constexpr const char* kProtocolVersion = "1";

inline bool isControlType(const std::string& type)
{
    return !type.empty() && type[0] == '$';
}

// LINGER, MAXMSGSIZE and heartbeats: the options both ends set.
void applyCommonOptions(zmq::socket_t& socket);

// The size of the message's largest frame.
std::size_t largestFrame(const IMessage& message);

// The four frames of a message.
zmq::multipart_t encode(const IMessage& message);

// Frames [offset, offset + 4) as a message; nullptr (reason in `why`) unless exactly four frames remain
// and the version is decimal.
std::shared_ptr<IResponse> decode(const zmq::multipart_t& frames, std::size_t offset, std::string& why);

enum class SendResult
{
    Sent,
    WouldBlock,  // high-water mark reached or, with ZMQ_IMMEDIATE, no peer
    Unreachable, // ROUTER_MANDATORY: the peer is gone
    Failed
};
// Sends every frame without blocking; the frames are consumed.
SendResult sendFrames(zmq::socket_t& socket, zmq::multipart_t& frames);

// "host:port" overrides `port`; anything else (including IPv6 text) is a host alone.
void splitHostPort(const std::string& text, std::uint16_t defaultPort, std::string& host,
                   std::uint16_t& port);
// "tcp://host:port", with brackets for an IPv6 literal.
std::string tcpEndpoint(const std::string& host, std::uint16_t port);

// 40 characters of the Z85 alphabet: a CURVE key as libzmq expects it.
bool isZ85Key(const std::string& key);

struct Announcement
{
    std::string service;
    std::string name;
    std::uint16_t port = 0;
    bool encrypted = false;
    std::string key;
    std::string unitId; // optional: what the application remembers the unit's key by
};

// 1 to 64 characters of [0-9A-Za-z._:-]: a unit id as announced.
bool isUnitId(const std::string& id);

std::string encodeAnnouncement(const Announcement& announcement);
// False for anything that is not a well-formed announcement of version 1 (size, JSON, types, port 0,
// a key that is not Z85, a unit id that is not isUnitId). The service name is not checked here.
bool decodeAnnouncement(const char* data, std::size_t size, Announcement& out);

std::string encodeQuery(const std::string& service);
bool decodeQuery(const char* data, std::size_t size, std::string& service);

} // namespace Wire
} // namespace Messaging
} // namespace Ulmar
