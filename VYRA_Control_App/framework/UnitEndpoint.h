#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "IMessage.h"
#include "ProtocolConstants.h"

namespace Ulmar {
namespace Messaging {

class UnitEndpointImpl;

// The unit's side of the link: accepts any number of application connections (plain or CURVE), greets
// them, announces the unit on the discovery port and answers unicast announcement queries.
class UnitEndpoint
{
public:
    struct Options
    {
        std::string serviceName = "VYRA";
        std::string unitName = "VYRA";
        std::string bindAddress = "127.0.0.1";
        // 0: pick a free port (see port())
        std::uint16_t port = Protocol::kDefaultMessagePort;
        bool encrypted = false; // CURVE server with the key pair below
        std::string publicKey;  // Z85, 40 characters
        std::string secretKey;  // Z85, 40 characters
        std::string unitId;     // announced when not empty (see isUnitId)
        bool announce = true;
        std::string announceAddress = "127.0.0.1"; // a host or a broadcast address
        std::uint16_t announcePort = Protocol::kDefaultDiscoveryPort;
        unsigned announceIntervalMs = 1000;
    };

    using PeerId = std::string;
    using MessageCallback = std::function<void(const PeerId&, std::shared_ptr<IMessage>)>;
    using PeerCallback = std::function<void(const PeerId&)>;

    explicit UnitEndpoint(Options options);
    ~UnitEndpoint();
    UnitEndpoint(const UnitEndpoint&) = delete;
    UnitEndpoint& operator=(const UnitEndpoint&) = delete;

    // Callbacks run on the endpoint's own thread; set them before start().
    void setMessageCallback(MessageCallback cb);
    void setPeerConnectedCallback(PeerCallback cb);
    void setPeerGoneCallback(PeerCallback cb);

    bool start();
    void stop();
    bool isRunning() const;
    std::uint16_t port() const;
    const Options& options() const;
    void setUnitName(const std::string& name); // used by later announcements and greetings

    bool sendTo(const PeerId& peer, std::shared_ptr<IMessage> message);
    void broadcast(std::shared_ptr<IMessage> message); // to every greeted peer
    std::vector<PeerId> peers() const;
    // Forgets every peer and closes their connections (they reconnect by themselves).
    void dropAllPeers();
    // Sends raw frames to a peer, bypassing the envelope; for tests of malformed input.
    bool sendRawFrames(const PeerId& peer, const std::vector<std::string>& frames);

    // A fresh CURVE key pair (public, secret) in Z85.
    static std::pair<std::string, std::string> generateKeyPair();
    // What an announced unit id may be: 1 to 64 characters of [0-9A-Za-z._:-].
    static bool isUnitId(const std::string& id);

private:
    std::unique_ptr<UnitEndpointImpl> m_impl;
};

} // namespace Messaging
} // namespace Ulmar
