#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>
#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "Discoverer.h"
#include "DiscoveryListener.h"
#include "DispatchQueue.h"
#include "KeyPinStore.h"
#include "Messenger.h"
#include "SocketMonitor.h"

namespace Ulmar {
namespace Messaging {

// The Messenger's machinery. Public operations run on the caller's thread and only touch the state under
// m_mutex and the command queue; the I/O thread owns every socket; the dispatch queue runs user code.
class MessengerImpl
{
public:
    MessengerImpl(const DiscoveryStrategyList& strategies, const std::string& serviceName,
                  ITransport::TransportType transportType);
    ~MessengerImpl();

    void setAutoReconnect(unsigned intervalMs);
    bool connect(unsigned timeoutMs);
    void disconnect();
    bool chooseUnit(const std::string& address, const std::string& name, std::uint16_t port, bool encrypted,
                    bool userChoice);
    std::shared_ptr<tavik::Messaging::Discoverer> getDiscoverer() const { return m_discoverer; }
    bool registerResponse(const std::string& messageType, std::shared_ptr<IResponseHandler> handler);
    bool registerStateRequest(std::shared_ptr<IMessage> request);
    bool send(std::shared_ptr<IMessage> message, bool confidential = false);
    void addObserver(std::weak_ptr<IMessengerObserver> observer);
    void printDiscoveredUnits() const;
    bool isConnected() const { return m_connected.load(); }
    void setKeyPinStore(std::shared_ptr<KeyPinStore> pins);
    void acceptUnitKey(const std::string& key);
    Messenger::LinkSecurity linkSecurity() const { return m_security.load(); }

    Messenger::ChosenUnit chosenUnit() const;
    const DiscoveryStrategyList& strategies() const { return m_strategies; }
    const std::string& serviceName() const { return m_serviceName; }
    unsigned autoReconnectInterval() const { return m_reconnectMs.load(); }
    std::vector<std::pair<std::string, std::shared_ptr<IResponseHandler>>> registeredResponses() const;
    std::vector<std::shared_ptr<IMessage>> stateRequests() const;
    std::vector<std::weak_ptr<IMessengerObserver>> observers() const;

    // Sends queued by one caller before the I/O thread catches up; beyond it send() refuses.
    static constexpr std::size_t kMaxQueuedSends = 10000;

private:
    using Clock = std::chrono::steady_clock;

    // What the application asked for; applied by the I/O thread in order.
    struct Target
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
    struct Command
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
        Target target;
        unsigned timeoutMs = 0;
        bool confidential = false; // Send: only on a link with the unit's remembered key
    };
    enum class Phase
    {
        Idle, // nothing wanted
        WaitingRetry,
        Querying,   // asking a fixed host for its announcement (its key)
        Refused,    // encrypted unit without a key, or a key not remembered: wait for the window to end
        Connecting, // socket open, waiting for the handshake and $WELCOME
        Up
    };

    void post(Command command);
    void wake();
    // With m_commandMutex held: sends on the caller's thread; false when the message must go through the
    // queue.
    bool sendDirect(const std::shared_ptr<IMessage>& message, bool confidential);

    // I/O thread.
    void run();
    bool runOnce(); // true when asked to stop
    void process(Command& command);
    void beginAttempt();
    void openSocket(const std::string& serverKey);
    void closeSocket();
    void endSession(bool byApplication);
    void failAttempt(const char* why);
    void onMonitorEvent(int event);
    void onFrames(zmq::multipart_t& frames);
    void onWelcome(const std::string& unitName);
    void sendStateRequestsFrom(std::size_t first);
    void trySendHello();
    void startQuery();
    void sendQuery();
    void readQueryAnswer();
    void closeQuery();
    void notify(void (IMessengerObserver::*event)());
    void notifyError(const std::string& error);
    // Key pinning: whether the link may be opened with `key`; false (phase Refused) on a mismatch.
    bool admitKey(const UnitIdentity& unit, const std::string& key);
    void pinOnWelcome();
    int pollTimeoutMs() const;

    const DiscoveryStrategyList m_strategies;
    const std::string m_serviceName;
    std::shared_ptr<tavik::Messaging::Discoverer> m_discoverer;
    std::vector<std::shared_ptr<DiscoveryListener>> m_listeners;

    // Caller-side state.
    mutable std::mutex m_mutex;
    Messenger::ChosenUnit m_chosen;
    std::vector<std::pair<std::string, std::shared_ptr<IResponseHandler>>> m_responses;
    std::vector<std::shared_ptr<IMessage>> m_stateRequests;
    std::vector<std::weak_ptr<IMessengerObserver>> m_observers;
    std::atomic<unsigned> m_reconnectMs{1000};
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_stopRequested{false};
    std::shared_ptr<KeyPinStore> m_pins;
    std::atomic<Messenger::LinkSecurity> m_security{Messenger::LinkSecurity::Down};

    // Hand-over to the I/O thread: commands under m_commandMutex, a frame on the inproc pair wakes it up.
    // A send with no command ahead of it skips the queue: the caller sends it itself, under m_socketMutex.
    zmq::context_t m_context;
    std::mutex m_commandMutex;
    std::deque<Command> m_commands;
    std::size_t m_queuedSends = 0;
    std::size_t m_commandsInFlight = 0; // posted and not yet carried out
    zmq::socket_t m_wakeSender;
    zmq::socket_t m_wakeReceiver;
    std::string m_wakeAddress;

    std::unique_ptr<DispatchQueue> m_dispatch;

    // Owned by the I/O thread.
    bool m_wanted = false;
    unsigned m_timeoutMs = 3000;
    Target m_target;
    Phase m_phase = Phase::Idle;
    Clock::time_point m_deadline{};
    Clock::time_point m_retryAt{};
    Clock::time_point m_nextQuery{};
    bool m_helloPending = false;
    bool m_errorReported = false;
    bool m_encryptedSocket = false;
    std::size_t m_stateRequestsSent = 0;
    // Key pinning (see admitKey).
    bool m_keyPinned = false;  // the socket's key is the remembered one
    bool m_pinPending = false; // first use or accepted: remember it once the link is up
    UnitIdentity m_pinUnit;
    std::string m_pinKey;
    std::string m_acceptedKey;      // accepted by the user for the chosen unit
    std::string m_reportedMismatch; // offered key last reported, so that retries do not repeat it
    // The dealer is created and destroyed by the I/O thread; every use of it holds m_socketMutex, since
    // callers send on it too (see send()). The I/O thread waits on its descriptor, not on the socket.
    std::mutex m_socketMutex;
    std::unique_ptr<zmq::socket_t> m_dealer;
    zmq::fd_t m_dealerFd{};
    bool m_linkUp = false; // under m_socketMutex: greeted and the state requests sent
    std::unique_ptr<SocketMonitor> m_monitor;
    boost::asio::io_context m_queryIo;
    std::unique_ptr<boost::asio::ip::udp::socket> m_querySocket;
    boost::asio::ip::udp::endpoint m_queryPeer;

    std::thread m_ioThread;
};

} // namespace Messaging
} // namespace Ulmar
