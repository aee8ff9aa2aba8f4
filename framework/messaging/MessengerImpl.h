#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "CommandQueue.h"
#include "Discoverer.h"
#include "DiscoveryListener.h"
#include "DispatchQueue.h"
#include "KeyPinCheck.h"
#include "KeyPinStore.h"
#include "KeyQueryClient.h"
#include "LinkCommand.h"
#include "Messenger.h"
#include "ObserverList.h"
#include "ResponseRegistry.h"
#include "UnitLink.h"

namespace Ulmar {
namespace Messaging {

// The Messenger's machinery and its connection state machine. Public operations run on the caller's thread
// and only touch the state under m_mutex, the command queue and (the direct send) the link; the I/O thread
// owns every socket; the dispatch queue runs user code.
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
    void addObserver(std::weak_ptr<IMessengerObserver> observer) { m_observers.add(std::move(observer)); }
    void printDiscoveredUnits() const;
    bool isConnected() const { return m_connected.load(); }
    void setKeyPinStore(std::shared_ptr<KeyPinStore> pins) { m_pinCheck.setStore(std::move(pins)); }
    void acceptUnitKey(const std::string& key);
    Messenger::LinkSecurity linkSecurity() const { return m_link.security(); }

    Messenger::ChosenUnit chosenUnit() const;
    const DiscoveryStrategyList& strategies() const { return m_strategies; }
    const std::string& serviceName() const { return m_serviceName; }
    unsigned autoReconnectInterval() const { return m_reconnectMs.load(); }
    std::vector<std::pair<std::string, std::shared_ptr<IResponseHandler>>> registeredResponses() const
    {
        return m_registry.handlers();
    }
    std::vector<std::shared_ptr<IMessage>> stateRequests() const { return m_registry.stateRequests(); }
    std::vector<std::weak_ptr<IMessengerObserver>> observers() const { return m_observers.snapshot(); }

    // Sends queued by one caller before the I/O thread catches up; beyond it send() refuses.
    static constexpr std::size_t kMaxQueuedSends = 10000;

private:
    using Clock = std::chrono::steady_clock;
    using Target = LinkTarget;
    using Command = LinkCommand;

    enum class Phase
    {
        Idle, // nothing wanted
        WaitingRetry,
        Querying,   // asking a fixed host for its announcement (its key)
        Refused,    // encrypted unit without a key, or a key not remembered: wait for the window to end
        Connecting, // socket open, waiting for the handshake and $WELCOME
        Up
    };

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
    void startQuery();
    void readQueryAnswer();
    // Whether the link may be opened with `key`; false (phase Refused, observers told once) on a mismatch.
    bool admitKey(const UnitIdentity& unit, const std::string& key);
    int pollTimeoutMs() const;

    const DiscoveryStrategyList m_strategies;
    const std::string m_serviceName;
    std::shared_ptr<tavik::Messaging::Discoverer> m_discoverer;
    std::vector<std::shared_ptr<DiscoveryListener>> m_listeners;

    // Caller-side state.
    mutable std::mutex m_mutex;
    Messenger::ChosenUnit m_chosen;
    ResponseRegistry m_registry;
    std::atomic<unsigned> m_reconnectMs{1000};
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_stopRequested{false};

    std::unique_ptr<DispatchQueue> m_dispatch;
    ObserverList m_observers;
    KeyPinCheck m_pinCheck;

    // Hand-over to the I/O thread. A send with no command ahead of it skips the queue: the caller sends it
    // itself on the link.
    zmq::context_t m_context;
    CommandQueue m_commands;
    UnitLink m_link;

    // Owned by the I/O thread.
    bool m_wanted = false;
    unsigned m_timeoutMs = 3000;
    Target m_target;
    Phase m_phase = Phase::Idle;
    Clock::time_point m_deadline{};
    Clock::time_point m_retryAt{};
    bool m_helloPending = false;
    bool m_errorReported = false;
    std::size_t m_stateRequestsSent = 0;
    KeyQueryClient m_query;

    std::thread m_ioThread;
};

} // namespace Messaging
} // namespace Ulmar
