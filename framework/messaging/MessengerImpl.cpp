#include "MessengerImpl.h"

#include <algorithm>
#include <optional>

#include <zmq_addon.hpp>

#include "MessagingLog.h"
#include "StrategySettings.h"
#include "ThreadName.h"
#include "Wire.h"

namespace Ulmar {
namespace Messaging {

static_assert(Messenger::kMaxFrameBytes == Wire::kMaxFrameBytes, "one frame limit for both ends");

MessengerImpl::MessengerImpl(const DiscoveryStrategyList& strategies, const std::string& serviceName,
                             ITransport::TransportType transportType)
    : m_strategies(strategies), m_serviceName(serviceName), m_dispatch(std::make_unique<DispatchQueue>()),
      m_observers(*m_dispatch), m_context(1), m_commands(m_context, kMaxQueuedSends), m_link(m_context),
      m_query(serviceName)
{
    if (transportType != ITransport::TransportZeroMQ)
        qCWarning(lcMessaging, "Messenger: transport type %d is not supported; using ZeroMQ",
                  int(transportType));

    const StrategySettings settings(m_strategies);
    m_discoverer = std::make_shared<tavik::Messaging::Discoverer>(
        serviceName, std::chrono::milliseconds(3 * settings.periodMs()));
    for (const auto port : settings.discoveryPorts())
        m_listeners.push_back(std::make_shared<DiscoveryListener>(port, m_discoverer));
    // The fixed host is the default choice.
    m_chosen = settings.fixedHost();

    if (m_chosen.valid) {
        Command choose{Command::Choose, nullptr, {}, 0};
        choose.target.valid = true;
        choose.target.address = m_chosen.address;
        choose.target.name = m_chosen.name;
        choose.target.port = m_chosen.port;
        Wire::splitHostPort(m_chosen.address, m_chosen.port, choose.target.host, choose.target.effectivePort);
        choose.target.encrypted = m_chosen.encrypted;
        // Its wake-up stays pending: without one the first command posted later would ride along unseen
        // until the I/O thread's idle poll ran out.
        m_commands.post(std::move(choose));
    }

    m_ioThread = std::thread([this] { run(); });

    for (const auto& listener : m_listeners)
        DiscoveryRegistry::add(listener);
}

MessengerImpl::~MessengerImpl()
{
    m_stopRequested = true;
    m_commands.post(Command{Command::Stop, nullptr, {}, 0});
    if (m_ioThread.joinable())
        m_ioThread.join();
    // Observers still get the handleDisconnected the I/O thread posted on its way out.
    m_dispatch.reset();
    for (auto& listener : m_listeners)
        listener->stop();
}

void MessengerImpl::setAutoReconnect(unsigned intervalMs)
{
    m_reconnectMs = intervalMs;
}

bool MessengerImpl::connect(unsigned timeoutMs)
{
    bool chosen;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        chosen = m_chosen.valid;
    }
    m_commands.post(Command{Command::Connect, nullptr, {}, timeoutMs == 0 ? 3000u : timeoutMs});
    return chosen;
}

void MessengerImpl::disconnect()
{
    m_commands.post(Command{Command::Disconnect, nullptr, {}, 0});
}

bool MessengerImpl::chooseUnit(const std::string& address, const std::string& name, std::uint16_t port,
                               bool encrypted, bool userChoice)
{
    Target target;
    target.valid = true;
    target.address = address;
    target.name = name;
    target.port = port;
    target.encrypted = encrypted;
    target.userChoice = userChoice;
    Wire::splitHostPort(address, port, target.host, target.effectivePort);
    if (target.host.empty() || target.effectivePort == 0) {
        qCDebug(lcMessaging, "Messenger: cannot choose unit \"%s\" at \"%s\" port %u", name.c_str(),
                address.c_str(), unsigned(port));
        return false;
    }
    if (userChoice) {
        tavik::Messaging::Discovered found;
        if (!m_discoverer->find(address, name, port, found)) {
            qCDebug(lcMessaging, "Messenger: unit \"%s\" at %s:%u has not been discovered", name.c_str(),
                    address.c_str(), unsigned(port));
            return false;
        }
        target.key = found.getPublicKey();
        target.encrypted = encrypted || found.isEncrypted();
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_chosen.valid && m_chosen.address == address && m_chosen.name == name && m_chosen.port == port &&
            m_chosen.encrypted == encrypted && m_chosen.userChoice == userChoice)
            return true; // already ours: keep the connection
        m_chosen.valid = true;
        m_chosen.address = address;
        m_chosen.name = name;
        m_chosen.port = port;
        m_chosen.encrypted = encrypted;
        m_chosen.userChoice = userChoice;
    }
    m_commands.post(Command{Command::Choose, nullptr, std::move(target), 0});
    return true;
}

bool MessengerImpl::registerResponse(const std::string& messageType,
                                     std::shared_ptr<IResponseHandler> handler)
{
    if (messageType.empty() || !handler)
        return false;
    m_registry.setHandler(messageType, std::move(handler));
    return true;
}

bool MessengerImpl::registerStateRequest(std::shared_ptr<IMessage> request)
{
    if (!request || request->getMessageType().empty() || Wire::isControlType(request->getMessageType()))
        return false;
    m_registry.addStateRequest(std::move(request));
    // Registered while connected: the unit should report this state now, not only after the next connection.
    m_commands.post(Command{Command::StateRequestAdded, nullptr, {}, 0});
    return true;
}

bool MessengerImpl::send(std::shared_ptr<IMessage> message, bool confidential)
{
    if (!message || message->getMessageType().empty())
        return false;
    if (Wire::isControlType(message->getMessageType())) {
        qCDebug(lcMessaging, "Messenger: \"%s\" is reserved for the link itself; not sent",
                message->getMessageType().c_str());
        return false;
    }
    if (Wire::largestFrame(*message) > Wire::kMaxFrameBytes) {
        qCWarning(lcMessaging, "Messenger: \"%s\" has a part larger than %zu bytes; not sent",
                  message->getMessageType().c_str(), Wire::kMaxFrameBytes);
        return false;
    }
    if (!m_connected.load())
        return false;
    if (confidential && m_link.security() != Messenger::LinkSecurity::Pinned)
        return false;
    return m_commands.send(std::move(message), confidential,
                           [this, confidential](const IMessage& direct, bool& wakeIo) {
                               return m_link.sendIfUp(direct, confidential, wakeIo);
                           });
}

void MessengerImpl::acceptUnitKey(const std::string& key)
{
    if (!Wire::isZ85Key(key))
        return;
    Command accept{Command::AcceptKey, nullptr, {}, 0};
    accept.target.key = key;
    m_commands.post(std::move(accept));
}

void MessengerImpl::printDiscoveredUnits() const
{
    const auto units = m_discoverer->getDiscovered();
    for (const auto& unit : units)
        qCDebug(lcMessaging, "Unit \"%s\" at %s port %u %s", unit.getName().c_str(),
                unit.getAddress().c_str(), unsigned(unit.getPort()),
                unit.isEncrypted() ? "encrypted" : "plain");
}

Messenger::ChosenUnit MessengerImpl::chosenUnit() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_chosen;
}

// ---------------------------------------------------------------------------------------------------------------
// I/O thread

void MessengerImpl::run()
{
    nameCurrentThread("msg-io");
    bool stopping = false;
    while (!stopping) {
        try {
            stopping = runOnce();
        } catch (const std::exception& e) {
            // Never let the I/O thread die: the Messenger would hang silently.
            qCWarning(lcMessaging, "Messenger: I/O error: %s", e.what());
            if (m_stopRequested)
                break; // the Stop command may have been lost with the failed batch
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    endSession(true);
    m_commands.closeWakeSocket();
}

bool MessengerImpl::runOnce()
{
    std::vector<zmq::pollitem_t> items;
    items.push_back({m_commands.wakeSocket().handle(), 0, ZMQ_POLLIN, 0});
    bool dealerReadable = false;
    if (m_link.isOpen()) {
        // The descriptor only tells that the socket has news, once: whatever is already waiting (a batch left
        // over, or news a sender took in passing) is asked of the socket before sleeping.
        dealerReadable = m_link.hasInput();
        items.push_back({nullptr, m_link.fd(), ZMQ_POLLIN, 0});
        items.push_back({m_link.monitor().socket().handle(), 0, ZMQ_POLLIN, 0});
    }
    const std::size_t queryIndex = items.size();
    if (m_query.isOpen())
        items.push_back({nullptr, static_cast<zmq::fd_t>(m_query.nativeHandle()), ZMQ_POLLIN, 0});

    try {
        zmq::poll(items.data(), items.size(),
                  std::chrono::milliseconds(dealerReadable ? 0 : pollTimeoutMs()));
    } catch (const zmq::error_t& e) {
        if (e.num() != EINTR)
            qCWarning(lcMessaging, "Messenger: poll failed: %s", e.what());
    }

    if (items[0].revents & ZMQ_POLLIN)
        m_commands.drainWakeups();
    std::deque<Command> commands = m_commands.takeAll();
    {
        // Carried out (or lost to an exception) once this batch is over: callers may send for themselves
        // again.
        struct Done
        {
            CommandQueue& queue;
            std::size_t count;
            ~Done() { queue.finished(count); }
        } done{m_commands, commands.size()};
        for (auto& command : commands) {
            if (command.kind == Command::Stop)
                return true;
            process(command);
        }
    }

    while (m_link.isMonitored()) {
        const int event = m_link.monitor().next();
        if (event == 0)
            break;
        onMonitorEvent(event); // may close the socket and its monitor
    }
    // Bounded batch: commands and events get their turn even under a flood. Reading also takes the socket's
    // news, so it runs whether or not the descriptor spoke.
    for (int i = 0; i < 256 && m_link.isOpen(); ++i) {
        zmq::multipart_t frames;
        try {
            if (!m_link.receive(frames))
                break;
        } catch (const zmq::error_t& e) {
            qCDebug(lcMessaging, "Messenger: receive failed: %s", e.what());
            break;
        }
        onFrames(frames); // without the socket lock: it may send
    }
    if (m_query.isOpen() && items.size() > queryIndex && (items[queryIndex].revents & ZMQ_POLLIN))
        readQueryAnswer();

    const auto now = Clock::now();
    if (m_helloPending && m_link.isOpen())
        m_helloPending = !m_link.sendHello(m_serviceName);
    if (m_phase == Phase::Querying && m_query.isOpen() && now >= m_query.nextQuery())
        m_query.sendQuery();
    if ((m_phase == Phase::Querying || m_phase == Phase::Refused || m_phase == Phase::Connecting) &&
        now >= m_deadline)
        failAttempt("not up within the connect timeout");
    if (m_phase == Phase::WaitingRetry && now >= m_retryAt)
        beginAttempt();
    return false;
}

int MessengerImpl::pollTimeoutMs() const
{
    if (m_helloPending)
        return 5;
    // Without a deadline the thread sleeps until a command or a socket wakes it: an idle link costs no
    // wake-ups here (libzmq's own thread keeps the heartbeats), and a command queued without its wake-up
    // shows as a hang in the tests instead of hiding behind a periodic tick.
    std::optional<Clock::time_point> next;
    const auto earliest = [&next](Clock::time_point t) { next = next ? std::min(*next, t) : t; };
    if (m_phase == Phase::Querying || m_phase == Phase::Refused || m_phase == Phase::Connecting)
        earliest(m_deadline);
    if (m_phase == Phase::Querying)
        earliest(m_query.nextQuery());
    if (m_phase == Phase::WaitingRetry)
        earliest(m_retryAt);
    if (!next)
        return -1;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(*next - Clock::now()).count();
    return static_cast<int>(std::max<long long>(0, ms + 1));
}

void MessengerImpl::process(Command& command)
{
    switch (command.kind) {
    case Command::Send:
        if (m_phase != Phase::Up || !m_link.isOpen())
            break; // the link went down in the meantime
        if (command.confidential && m_link.security() != Messenger::LinkSecurity::Pinned) {
            qCWarning(lcMessaging,
                      "Messenger: \"%s\" not sent: the link is not encrypted with the unit's "
                      "remembered key",
                      command.message->getMessageType().c_str());
            break;
        }
        {
            auto frames = Wire::encode(*command.message);
            if (m_link.send(frames) != Wire::SendResult::Sent)
                qCDebug(lcMessaging, "Messenger: \"%s\" dropped: the link is busy or down",
                        command.message->getMessageType().c_str());
        }
        break;
    case Command::Connect:
        m_wanted = true;
        m_timeoutMs = command.timeoutMs;
        if (m_target.valid && (m_phase == Phase::Idle || m_phase == Phase::WaitingRetry))
            beginAttempt();
        break;
    case Command::Disconnect:
        m_wanted = false;
        endSession(true);
        break;
    case Command::Choose:
        m_target = std::move(command.target);
        m_pinCheck.unitChosen();
        if (m_wanted) {
            endSession(true);
            beginAttempt();
        }
        break;
    case Command::StateRequestAdded:
        if (m_phase == Phase::Up)
            sendStateRequestsFrom(m_stateRequestsSent);
        break;
    case Command::AcceptKey:
        m_pinCheck.accept(command.target.key);
        if (m_wanted && m_target.valid && m_phase != Phase::Up && m_phase != Phase::Connecting)
            beginAttempt(); // without waiting for the refused attempt's window to end
        break;
    case Command::Stop:
        break;
    }
}

void MessengerImpl::beginAttempt()
{
    closeSocket();
    m_query.close();
    if (!m_wanted || !m_target.valid) {
        m_phase = Phase::Idle;
        return;
    }
    m_deadline = Clock::now() + std::chrono::milliseconds(m_timeoutMs);
    m_errorReported = false;
    m_pinCheck.beginAttempt();

    std::string key = m_target.key;
    bool encrypted = m_target.encrypted;
    if (m_target.userChoice) {
        // The unit may have restarted with a new key since it was chosen.
        tavik::Messaging::Discovered found;
        std::string unitId;
        if (m_discoverer->find(m_target.address, m_target.name, m_target.port, found)) {
            key = found.getPublicKey();
            unitId = found.getUnitId();
            encrypted = encrypted || found.isEncrypted();
        }
        if (encrypted && key.empty()) {
            qCWarning(
                lcMessaging,
                "Messenger: unit \"%s\" is encrypted but announces no key; not connecting in plain text",
                m_target.name.c_str());
            m_phase = Phase::Refused;
            return;
        }
        if (!key.empty() && !admitKey({unitId, m_target.name, m_target.host, m_target.effectivePort}, key))
            return;
        openSocket(key);
        return;
    }
    if (!encrypted) {
        openSocket(std::string());
        return;
    }
    startQuery();
}

void MessengerImpl::openSocket(const std::string& serverKey)
{
    closeSocket();
    try {
        m_link.open(m_target.host, m_target.effectivePort, serverKey, m_reconnectMs.load(), m_timeoutMs);
        m_phase = Phase::Connecting;
        qCDebug(lcMessaging, "Messenger: connecting to \"%s\" at %s:%u (%s)", m_target.name.c_str(),
                m_target.host.c_str(), unsigned(m_target.effectivePort),
                serverKey.empty() ? "plain" : "encrypted");
    } catch (const zmq::error_t& e) {
        qCWarning(lcMessaging, "Messenger: cannot connect to %s:%u: %s", m_target.host.c_str(),
                  unsigned(m_target.effectivePort), e.what());
        closeSocket();
        m_phase = Phase::Refused; // reported when the attempt window ends, then retried
    }
}

void MessengerImpl::closeSocket()
{
    m_helloPending = false;
    m_link.close();
}

void MessengerImpl::endSession(bool byApplication)
{
    const bool wasUp = m_phase == Phase::Up;
    closeSocket();
    m_query.close();
    m_phase = Phase::Idle;
    if (wasUp) {
        m_connected = false;
        if (byApplication)
            m_observers.notify(&IMessengerObserver::handleDisconnected);
        else
            m_observers.notify(&IMessengerObserver::handleConnectionLost);
    }
}

void MessengerImpl::failAttempt(const char* why)
{
    const bool wasUp = m_phase == Phase::Up;
    qCDebug(lcMessaging, "Messenger: link to \"%s\" at %s:%u %s: %s", m_target.name.c_str(),
            m_target.host.c_str(), unsigned(m_target.effectivePort), wasUp ? "lost" : "failed", why);
    closeSocket();
    m_query.close();
    m_connected = false;
    m_observers.notify(&IMessengerObserver::handleConnectionLost);
    const unsigned reconnect = m_reconnectMs.load();
    if (reconnect == 0 || !m_wanted) {
        m_phase = Phase::Idle;
        m_wanted = m_wanted && reconnect != 0;
        return;
    }
    m_phase = Phase::WaitingRetry;
    m_retryAt = Clock::now() + std::chrono::milliseconds(reconnect);
}

void MessengerImpl::onMonitorEvent(int event)
{
    switch (event) {
    case ZMQ_EVENT_HANDSHAKE_SUCCEEDED:
        if (m_phase == Phase::Connecting) {
            m_helloPending = !m_link.sendHello(m_serviceName);
        }
        break;
    case ZMQ_EVENT_DISCONNECTED:
        m_helloPending = false;
        if (m_phase == Phase::Up)
            failAttempt("disconnected");
        break;
    case ZMQ_EVENT_HANDSHAKE_FAILED_AUTH:
    case ZMQ_EVENT_HANDSHAKE_FAILED_PROTOCOL:
    case ZMQ_EVENT_HANDSHAKE_FAILED_NO_DETAIL:
        if (!m_errorReported) {
            m_errorReported = true;
            const std::string error = "handshake with unit \"" + m_target.name + "\" failed" +
                                      (m_link.encrypted() ? " (the unit's key does not match?)" : "");
            qCWarning(lcMessaging, "Messenger: %s", error.c_str());
            m_observers.notifyError(error);
        }
        break;
    default:
        break;
    }
}

void MessengerImpl::onFrames(zmq::multipart_t& frames)
{
    std::string why;
    auto message = Wire::decode(frames, 0, why);
    if (!message) {
        qCDebug(lcMessaging, "Messenger: malformed message dropped: %s", why.c_str());
        return;
    }
    const std::string& type = message->getMessageType();
    if (Wire::isControlType(type)) {
        if (type == Wire::kWelcome)
            onWelcome(message->getText());
        else
            qCDebug(lcMessaging, "Messenger: unknown control message \"%s\" dropped", type.c_str());
        return;
    }
    if (m_phase != Phase::Up) {
        qCDebug(lcMessaging, "Messenger: \"%s\" arrived before the greeting; dropped", type.c_str());
        return;
    }
    const auto route = m_registry.route(type);
    const auto& handler = route.handler;
    if (!handler) {
        qCDebug(lcMessaging, "Messenger: no handler for \"%s\"; dropped", type.c_str());
        return;
    }
    std::shared_ptr<IResponse> response = std::move(message);
    const std::size_t bytes = response->body() ? response->body()->GetBuffer()->size() : 0;
    m_dispatch->postMessage([handler, response] { handler->handleResponse(response); }, bytes,
                            route.snapshot ? type : std::string());
}

void MessengerImpl::onWelcome(const std::string& unitName)
{
    if (m_phase != Phase::Connecting)
        return;
    m_phase = Phase::Up;
    m_helloPending = false;
    m_pinCheck.linkUp(m_link.encrypted());
    m_link.setSecurity(!m_link.encrypted()   ? Messenger::LinkSecurity::Plain
                       : m_pinCheck.pinned() ? Messenger::LinkSecurity::Pinned
                                             : Messenger::LinkSecurity::Encrypted);
    m_connected = true;
    qCDebug(lcMessaging, "Messenger: connected to unit \"%s\"", unitName.c_str());
    m_observers.notify(&IMessengerObserver::handleConnected);
    sendStateRequestsFrom(0);
    // Only now may callers send for themselves: the state requests go first.
    m_link.setUp();
}

void MessengerImpl::sendStateRequestsFrom(std::size_t first)
{
    m_link.sendStateRequests(m_registry.stateRequestsFrom(first, m_stateRequestsSent));
}

void MessengerImpl::startQuery()
{
    m_query.close();
    m_phase = Phase::Querying;
    if (!m_query.start(m_target.host, m_target.effectivePort))
        m_phase = Phase::Refused;
}

void MessengerImpl::readQueryAnswer()
{
    Wire::Announcement a;
    if (!m_query.readAnswer(a))
        return;
    m_query.close();
    if (a.key.empty()) {
        qCWarning(
            lcMessaging,
            "Messenger: unit at %s is chosen as encrypted but announces no key; not connecting in plain "
            "text",
            m_target.host.c_str());
        m_phase = Phase::Refused;
        return;
    }
    // The user named this address: the unit is known by it, whatever name it reports.
    if (!admitKey({a.unitId, a.name, m_target.host, m_target.effectivePort, true}, a.key))
        return;
    openSocket(a.key);
}

bool MessengerImpl::admitKey(const UnitIdentity& unit, const std::string& key)
{
    auto admission = m_pinCheck.admit(unit, key);
    if (admission.admitted)
        return true;
    m_phase = Phase::Refused; // reported as lost when the window ends, then tried again
    if (admission.report)
        m_observers.notifyKeyMismatch(*admission.report);
    return false;
}

} // namespace Messaging
} // namespace Ulmar
