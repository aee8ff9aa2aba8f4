#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "UnitAnnouncer.h"
#include "UnitEndpoint.h"

namespace Ulmar {
namespace Messaging {

// The unit's machinery: one thread owns the ROUTER socket and the announcer (announcements, key queries).
// Other threads hand it work through a command queue and an inproc wake-up.
class UnitEndpointImpl
{
public:
    explicit UnitEndpointImpl(UnitEndpoint::Options options);
    ~UnitEndpointImpl();

    UnitEndpoint::Options options;
    UnitEndpoint::MessageCallback onMessage;
    UnitEndpoint::PeerCallback onPeerConnected;
    UnitEndpoint::PeerCallback onPeerGone;

    bool start();
    void stop();
    bool isRunning() const { return m_running.load(); }
    std::uint16_t port() const { return m_port.load(); }
    void setUnitName(const std::string& name);
    std::string unitName() const;

    bool sendTo(const UnitEndpoint::PeerId& peer, std::shared_ptr<IMessage> message);
    void broadcast(std::shared_ptr<IMessage> message);
    std::vector<UnitEndpoint::PeerId> peers() const;
    void dropAllPeers();
    bool sendRawFrames(const UnitEndpoint::PeerId& peer, const std::vector<std::string>& frames);

private:
    using Clock = std::chrono::steady_clock;
    struct Command
    {
        enum Kind
        {
            SendTo,
            Broadcast,
            Raw,
            DropPeers,
            Stop
        } kind;
        UnitEndpoint::PeerId peer;
        std::shared_ptr<IMessage> message;
        std::vector<std::string> frames;
    };

    void post(Command command);
    void run();
    bool runOnce(); // true when asked to stop
    bool bindRouter(std::string& error);
    void closeRouter();
    void process(Command& command);
    void deliver(const UnitEndpoint::PeerId& peer, zmq::multipart_t& frames);
    void onFrames(zmq::multipart_t& frames);
    void forgetPeer(const UnitEndpoint::PeerId& peer);
    std::string announcement() const;

    zmq::context_t m_context;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_stopRequested{false};
    std::atomic<std::uint16_t> m_port{0};
    mutable std::mutex m_nameMutex;
    std::string m_unitName;

    std::mutex m_lifecycleMutex;
    std::thread m_thread;

    mutable std::mutex m_peerMutex;
    std::set<UnitEndpoint::PeerId> m_peers;

    std::mutex m_commandMutex;
    std::deque<Command> m_commands;
    std::unique_ptr<zmq::socket_t> m_wakeSender;
    std::string m_wakeAddress;

    // Thread-owned.
    std::unique_ptr<zmq::socket_t> m_router;
    std::unique_ptr<zmq::socket_t> m_wakeReceiver;
    UnitAnnouncer m_announcer;
    bool m_inMessageCallback = false; // answers sent from it leave at once (see post())
};

} // namespace Messaging
} // namespace Ulmar
