#include "MessengerImpl.h"

#include <algorithm>
#include <array>
#include <optional>

#include <boost/asio/ip/udp.hpp>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#include <zmq_addon.hpp>

#include "DirectHostParameter.h"
#include "MessagingLog.h"
#include "ThreadName.h"
#include "Wire.h"

namespace Ulmar {
namespace Messaging {

namespace asio = boost::asio;
using asio::ip::udp;

static_assert(Messenger::kMaxFrameBytes == Wire::kMaxFrameBytes, "one frame limit for both ends");

namespace {
std::atomic<unsigned long> g_messengerCounter{0};

// Time between two announcement queries to a fixed host, within one attempt window.
constexpr auto kQueryInterval = std::chrono::milliseconds(500);

std::string helloBody(const std::string& service)
{
    rapidjson::StringBuffer out;
    rapidjson::Writer<rapidjson::StringBuffer> writer(out);
    writer.StartObject();
    writer.Key("service");
    writer.String(service.c_str(), static_cast<rapidjson::SizeType>(service.size()));
    writer.EndObject();
    return std::string(out.GetString(), out.GetSize());
}

} // namespace

MessengerImpl::MessengerImpl(const DiscoveryStrategyList& strategies, const std::string& serviceName,
                             ITransport::TransportType transportType)
    : m_strategies(strategies), m_serviceName(serviceName), m_context(1),
      m_wakeSender(m_context, zmq::socket_type::push), m_wakeReceiver(m_context, zmq::socket_type::pull)
{
    if (transportType != ITransport::TransportZeroMQ)
        qCWarning(lcMessaging, "Messenger: transport type %d is not supported; using ZeroMQ",
                  int(transportType));

    unsigned periodMs = 1500;
    for (const auto& s : m_strategies)
        if (s && s->kind == DiscoveryStrategyInfo::LanDiscovery && s->periodMs > 0)
            periodMs = s->periodMs;
    m_discoverer =
        std::make_shared<tavik::Messaging::Discoverer>(serviceName, std::chrono::milliseconds(3 * periodMs));

    for (const auto& s : m_strategies) {
        if (!s)
            continue;
        if (s->kind == DiscoveryStrategyInfo::LanDiscovery) {
            const std::string& text = s->parameter;
            const bool numeric =
                !text.empty() && text.size() <= 5 &&
                std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
            const unsigned long port = numeric ? std::stoul(text) : 0;
            if (port == 0 || port > 65535) {
                qCWarning(lcMessaging, "Messenger: discovery port \"%s\" is not a port number", text.c_str());
                continue;
            }
            m_listeners.push_back(
                std::make_shared<DiscoveryListener>(static_cast<std::uint16_t>(port), m_discoverer));
        } else if (s->kind == DiscoveryStrategyInfo::DirectHost && !m_chosen.valid) {
            // The fixed host is the default choice.
            const auto direct = DirectHostParameter::parse(s->parameter);
            if (!direct) {
                qCWarning(lcMessaging, "Messenger: direct host strategy \"%s\" is malformed",
                          s->parameter.c_str());
                continue;
            }
            m_chosen.valid = true;
            m_chosen.address = direct->host;
            m_chosen.name = direct->host;
            m_chosen.port = direct->port;
            m_chosen.encrypted = direct->encrypted;
            m_chosen.userChoice = false;
        }
    }

    m_wakeAddress = "inproc://ulmar-messenger-" + std::to_string(++g_messengerCounter);
    m_wakeReceiver.set(zmq::sockopt::linger, 0);
    m_wakeReceiver.bind(m_wakeAddress);
    m_wakeSender.set(zmq::sockopt::linger, 0);
    m_wakeSender.connect(m_wakeAddress);

    m_dispatch = std::make_unique<DispatchQueue>();

    if (m_chosen.valid) {
        Command choose{Command::Choose, nullptr, {}, 0};
        choose.target.valid = true;
        choose.target.address = m_chosen.address;
        choose.target.name = m_chosen.name;
        choose.target.port = m_chosen.port;
        Wire::splitHostPort(m_chosen.address, m_chosen.port, choose.target.host, choose.target.effectivePort);
        choose.target.encrypted = m_chosen.encrypted;
        m_commands.push_back(std::move(choose));
        ++m_commandsInFlight;
        // Every non-empty queue has a wake-up pending (see wake()): without this one the first command
        // posted later would ride along unseen until the I/O thread's idle poll ran out.
        wake();
    }

    m_ioThread = std::thread([this] { run(); });

    for (const auto& listener : m_listeners)
        DiscoveryRegistry::add(listener);
}

MessengerImpl::~MessengerImpl()
{
    m_stopRequested = true;
    post(Command{Command::Stop, nullptr, {}, 0});
    if (m_ioThread.joinable())
        m_ioThread.join();
    // Observers still get the handleDisconnected the I/O thread posted on its way out.
    m_dispatch.reset();
    for (auto& listener : m_listeners)
        listener->stop();
}

void MessengerImpl::wake()
{
    // Called with m_commandMutex held: the PUSH socket is shared by every caller thread. Only a command put
    // into an empty queue wakes the I/O thread: it takes the whole queue after draining its wake-ups, so
    // later commands ride along with the pending wake-up.
    try {
        m_wakeSender.send(zmq::message_t(), zmq::send_flags::dontwait);
    } catch (const zmq::error_t&) {
        // A full pipe means the I/O thread has wake-ups pending already.
    }
}

void MessengerImpl::post(Command command)
{
    std::lock_guard<std::mutex> lock(m_commandMutex);
    ++m_commandsInFlight;
    if (command.kind == Command::Send)
        ++m_queuedSends;
    const bool idle = m_commands.empty();
    m_commands.push_back(std::move(command));
    if (idle)
        wake();
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
    post(Command{Command::Connect, nullptr, {}, timeoutMs == 0 ? 3000u : timeoutMs});
    return chosen;
}

void MessengerImpl::disconnect()
{
    post(Command{Command::Disconnect, nullptr, {}, 0});
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
    post(Command{Command::Choose, nullptr, std::move(target), 0});
    return true;
}

bool MessengerImpl::registerResponse(const std::string& messageType,
                                     std::shared_ptr<IResponseHandler> handler)
{
    if (messageType.empty() || !handler)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& entry : m_responses) {
        if (entry.first == messageType) {
            qCDebug(lcMessaging, "Messenger: handler for \"%s\" replaced", messageType.c_str());
            entry.second = std::move(handler);
            return true;
        }
    }
    m_responses.emplace_back(messageType, std::move(handler));
    return true;
}

bool MessengerImpl::registerStateRequest(std::shared_ptr<IMessage> request)
{
    if (!request || request->getMessageType().empty() || Wire::isControlType(request->getMessageType()))
        return false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stateRequests.push_back(std::move(request));
    }
    // Registered while connected: the unit should report this state now, not only after the next connection.
    post(Command{Command::StateRequestAdded, nullptr, {}, 0});
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
    if (confidential && m_security.load() != Messenger::LinkSecurity::Pinned)
        return false;
    std::lock_guard<std::mutex> lock(m_commandMutex);
    if (sendDirect(message, confidential))
        return true;
    if (m_queuedSends >= kMaxQueuedSends) {
        qCWarning(lcMessaging, "Messenger: send queue full; \"%s\" dropped",
                  message->getMessageType().c_str());
        return false;
    }
    ++m_queuedSends;
    ++m_commandsInFlight;
    const bool idle = m_commands.empty();
    m_commands.push_back(Command{Command::Send, std::move(message), {}, 0, confidential});
    if (idle)
        wake();
    return true;
}

bool MessengerImpl::sendDirect(const std::shared_ptr<IMessage>& message, bool confidential)
{
    // A command still on its way (another unit chosen, a disconnection, a state request, an earlier send)
    // must take effect first: then the message queues behind it.
    if (m_commandsInFlight != 0)
        return false;
    std::lock_guard<std::mutex> socketLock(m_socketMutex);
    if (!m_linkUp || !m_dealer)
        return false; // the I/O thread decides (normally: dropped, the link is going down)
    if (confidential && m_security.load() != Messenger::LinkSecurity::Pinned)
        return false;
    auto frames = Wire::encode(*message);
    if (Wire::sendFrames(*m_dealer, frames) != Wire::SendResult::Sent)
        qCDebug(lcMessaging, "Messenger: \"%s\" dropped: the link is busy or down",
                message->getMessageType().c_str());
    // Any call on the socket may take the notice of an arrived message that the I/O thread waits for on the
    // socket's descriptor: ask the socket, and wake the thread if a message waits.
    try {
        if (m_dealer->get(zmq::sockopt::events) & ZMQ_POLLIN)
            wake(); // m_commandMutex is held (see send())
    } catch (const zmq::error_t&) {
    }
    return true;
}

void MessengerImpl::setKeyPinStore(std::shared_ptr<KeyPinStore> pins)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pins = std::move(pins);
}

void MessengerImpl::acceptUnitKey(const std::string& key)
{
    if (!Wire::isZ85Key(key))
        return;
    Command accept{Command::AcceptKey, nullptr, {}, 0};
    accept.target.key = key;
    post(std::move(accept));
}

void MessengerImpl::addObserver(std::weak_ptr<IMessengerObserver> observer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_observers.push_back(std::move(observer));
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

std::vector<std::pair<std::string, std::shared_ptr<IResponseHandler>>>
MessengerImpl::registeredResponses() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_responses;
}

std::vector<std::shared_ptr<IMessage>> MessengerImpl::stateRequests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stateRequests;
}

std::vector<std::weak_ptr<IMessengerObserver>> MessengerImpl::observers() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_observers;
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
    m_wakeReceiver.close();
}

bool MessengerImpl::runOnce()
{
    std::vector<zmq::pollitem_t> items;
    items.push_back({m_wakeReceiver.handle(), 0, ZMQ_POLLIN, 0});
    bool dealerReadable = false;
    if (m_dealer) {
        // The descriptor only tells that the socket has news, once: whatever is already waiting (a batch left
        // over, or news a sender took in passing) is asked of the socket before sleeping.
        {
            std::lock_guard<std::mutex> lock(m_socketMutex);
            dealerReadable = (m_dealer->get(zmq::sockopt::events) & ZMQ_POLLIN) != 0;
        }
        items.push_back({nullptr, m_dealerFd, ZMQ_POLLIN, 0});
        items.push_back({m_monitor->socket().handle(), 0, ZMQ_POLLIN, 0});
    }
    const std::size_t queryIndex = items.size();
    if (m_querySocket)
        items.push_back({nullptr, static_cast<zmq::fd_t>(m_querySocket->native_handle()), ZMQ_POLLIN, 0});

    try {
        zmq::poll(items.data(), items.size(),
                  std::chrono::milliseconds(dealerReadable ? 0 : pollTimeoutMs()));
    } catch (const zmq::error_t& e) {
        if (e.num() != EINTR)
            qCWarning(lcMessaging, "Messenger: poll failed: %s", e.what());
    }

    if (items[0].revents & ZMQ_POLLIN) {
        zmq::message_t frame;
        while (m_wakeReceiver.recv(frame, zmq::recv_flags::dontwait)) {
        }
    }
    std::deque<Command> commands;
    {
        std::lock_guard<std::mutex> lock(m_commandMutex);
        commands.swap(m_commands);
        m_queuedSends = 0;
    }
    {
        // Carried out (or lost to an exception) once this batch is over: callers may send for themselves
        // again.
        struct Done
        {
            MessengerImpl& self;
            std::size_t count;
            ~Done()
            {
                std::lock_guard<std::mutex> lock(self.m_commandMutex);
                self.m_commandsInFlight -= count;
            }
        } done{*this, commands.size()};
        for (auto& command : commands) {
            if (command.kind == Command::Stop)
                return true;
            process(command);
        }
    }

    while (m_monitor) {
        const int event = m_monitor->next();
        if (event == 0)
            break;
        onMonitorEvent(event); // may close the socket and its monitor
    }
    // Bounded batch: commands and events get their turn even under a flood. Reading also takes the socket's
    // news, so it runs whether or not the descriptor spoke.
    for (int i = 0; i < 256 && m_dealer; ++i) {
        zmq::multipart_t frames;
        try {
            std::lock_guard<std::mutex> lock(m_socketMutex);
            if (!frames.recv(*m_dealer, ZMQ_DONTWAIT))
                break;
        } catch (const zmq::error_t& e) {
            qCDebug(lcMessaging, "Messenger: receive failed: %s", e.what());
            break;
        }
        onFrames(frames); // without the socket lock: it may send
    }
    if (m_querySocket && items.size() > queryIndex && (items[queryIndex].revents & ZMQ_POLLIN))
        readQueryAnswer();

    const auto now = Clock::now();
    if (m_helloPending && m_dealer)
        trySendHello();
    if (m_phase == Phase::Querying && m_querySocket && now >= m_nextQuery)
        sendQuery();
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
        earliest(m_nextQuery);
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
        if (m_phase != Phase::Up || !m_dealer)
            break; // the link went down in the meantime
        if (command.confidential && m_security.load() != Messenger::LinkSecurity::Pinned) {
            qCWarning(lcMessaging,
                      "Messenger: \"%s\" not sent: the link is not encrypted with the unit's "
                      "remembered key",
                      command.message->getMessageType().c_str());
            break;
        }
        {
            auto frames = Wire::encode(*command.message);
            std::lock_guard<std::mutex> lock(m_socketMutex);
            if (Wire::sendFrames(*m_dealer, frames) != Wire::SendResult::Sent)
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
        m_acceptedKey.clear();
        m_reportedMismatch.clear();
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
        m_acceptedKey = command.target.key;
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
    closeQuery();
    if (!m_wanted || !m_target.valid) {
        m_phase = Phase::Idle;
        return;
    }
    m_deadline = Clock::now() + std::chrono::milliseconds(m_timeoutMs);
    m_errorReported = false;
    m_keyPinned = false;
    m_pinPending = false;

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
        auto dealer = std::make_unique<zmq::socket_t>(m_context, zmq::socket_type::dealer);
        Wire::applyCommonOptions(*dealer);
        dealer->set(zmq::sockopt::immediate, 1);
        // Only for an IPv6 literal: with it, a host name might resolve to an IPv6 address first.
        if (m_target.host.find(':') != std::string::npos)
            dealer->set(zmq::sockopt::ipv6, 1);
        const unsigned reconnect = m_reconnectMs.load();
        dealer->set(zmq::sockopt::reconnect_ivl, reconnect == 0 ? -1 : static_cast<int>(reconnect));
        dealer->set(zmq::sockopt::connect_timeout, static_cast<int>(m_timeoutMs));
        if (!serverKey.empty()) {
            char publicKey[41] = {};
            char secretKey[41] = {};
            if (zmq_curve_keypair(publicKey, secretKey) != 0)
                throw zmq::error_t();
            dealer->set(zmq::sockopt::curve_serverkey, serverKey);
            dealer->set(zmq::sockopt::curve_publickey, std::string(publicKey, 40));
            dealer->set(zmq::sockopt::curve_secretkey, std::string(secretKey, 40));
        }
        auto monitor = std::make_unique<SocketMonitor>(
            m_context, *dealer,
            ZMQ_EVENT_CONNECTED | ZMQ_EVENT_DISCONNECTED | ZMQ_EVENT_HANDSHAKE_SUCCEEDED |
                ZMQ_EVENT_HANDSHAKE_FAILED_NO_DETAIL | ZMQ_EVENT_HANDSHAKE_FAILED_PROTOCOL |
                ZMQ_EVENT_HANDSHAKE_FAILED_AUTH);
        dealer->connect(Wire::tcpEndpoint(m_target.host, m_target.effectivePort));
        const auto fd = dealer->get(zmq::sockopt::fd);
        std::lock_guard<std::mutex> lock(m_socketMutex);
        m_dealerFd = fd;
        m_dealer = std::move(dealer);
        m_monitor = std::move(monitor);
        m_encryptedSocket = !serverKey.empty();
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
    m_security = Messenger::LinkSecurity::Down;
    m_helloPending = false;
    m_monitor.reset(); // before the socket it watches
    std::lock_guard<std::mutex> lock(m_socketMutex);
    m_linkUp = false;
    m_dealer.reset();
}

void MessengerImpl::endSession(bool byApplication)
{
    const bool wasUp = m_phase == Phase::Up;
    closeSocket();
    closeQuery();
    m_phase = Phase::Idle;
    if (wasUp) {
        m_connected = false;
        if (byApplication)
            notify(&IMessengerObserver::handleDisconnected);
        else
            notify(&IMessengerObserver::handleConnectionLost);
    }
}

void MessengerImpl::failAttempt(const char* why)
{
    const bool wasUp = m_phase == Phase::Up;
    qCDebug(lcMessaging, "Messenger: link to \"%s\" at %s:%u %s: %s", m_target.name.c_str(),
            m_target.host.c_str(), unsigned(m_target.effectivePort), wasUp ? "lost" : "failed", why);
    closeSocket();
    closeQuery();
    m_connected = false;
    notify(&IMessengerObserver::handleConnectionLost);
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
            m_helloPending = true;
            trySendHello();
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
                                      (m_encryptedSocket ? " (the unit's key does not match?)" : "");
            qCWarning(lcMessaging, "Messenger: %s", error.c_str());
            notifyError(error);
        }
        break;
    default:
        break;
    }
}

void MessengerImpl::trySendHello()
{
    auto body = helloBody(m_serviceName);
    IMessage hello(Wire::kHello, 1, Wire::kProtocolVersion,
                   ManagedBuffer::FromBytes(body.data(), body.size()));
    auto frames = Wire::encode(hello);
    std::lock_guard<std::mutex> lock(m_socketMutex);
    const auto result = Wire::sendFrames(*m_dealer, frames);
    // Right after the handshake the pipe may not be attached yet: try again shortly.
    m_helloPending = result == Wire::SendResult::WouldBlock;
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
    std::shared_ptr<IResponseHandler> handler;
    bool snapshot = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& entry : m_responses)
            if (entry.first == type)
                handler = entry.second;
        // The unit answers a state request with the whole state of that family, and so does every later
        // message of that type: a newer one makes a pending older one worthless.
        for (const auto& request : m_stateRequests)
            snapshot = snapshot || request->getMessageType() == type;
    }
    if (!handler) {
        qCDebug(lcMessaging, "Messenger: no handler for \"%s\"; dropped", type.c_str());
        return;
    }
    std::shared_ptr<IResponse> response = std::move(message);
    const std::size_t bytes = response->body() ? response->body()->GetBuffer()->size() : 0;
    m_dispatch->postMessage([handler, response] { handler->handleResponse(response); }, bytes,
                            snapshot ? type : std::string());
}

void MessengerImpl::onWelcome(const std::string& unitName)
{
    if (m_phase != Phase::Connecting)
        return;
    m_phase = Phase::Up;
    m_helloPending = false;
    if (m_encryptedSocket)
        pinOnWelcome();
    m_reportedMismatch.clear();
    m_security = !m_encryptedSocket ? Messenger::LinkSecurity::Plain
                 : m_keyPinned      ? Messenger::LinkSecurity::Pinned
                                    : Messenger::LinkSecurity::Encrypted;
    m_connected = true;
    qCDebug(lcMessaging, "Messenger: connected to unit \"%s\"", unitName.c_str());
    notify(&IMessengerObserver::handleConnected);
    sendStateRequestsFrom(0);
    // Only now may callers send for themselves: the state requests go first.
    std::lock_guard<std::mutex> lock(m_socketMutex);
    m_linkUp = true;
}

void MessengerImpl::sendStateRequestsFrom(std::size_t first)
{
    std::vector<std::shared_ptr<IMessage>> requests;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (first < m_stateRequests.size())
            requests.assign(m_stateRequests.begin() + static_cast<std::ptrdiff_t>(first),
                            m_stateRequests.end());
        m_stateRequestsSent = m_stateRequests.size();
    }
    std::lock_guard<std::mutex> lock(m_socketMutex);
    for (const auto& request : requests) {
        auto frames = Wire::encode(*request);
        if (Wire::sendFrames(*m_dealer, frames) != Wire::SendResult::Sent)
            qCDebug(lcMessaging, "Messenger: state request \"%s\" could not be sent",
                    request->getMessageType().c_str());
    }
}

void MessengerImpl::startQuery()
{
    closeQuery();
    m_phase = Phase::Querying;
    boost::system::error_code ec;
    udp::resolver resolver(m_queryIo);
    // Only the host is looked up (never "host:port"), as IPv4 or IPv6.
    auto results = resolver.resolve(m_target.host, std::to_string(m_target.effectivePort), ec);
    if (ec || results.empty()) {
        qCWarning(lcMessaging, "Messenger: cannot resolve \"%s\": %s", m_target.host.c_str(),
                  ec.message().c_str());
        m_phase = Phase::Refused;
        return;
    }
    // An IPv4 address first, as before; IPv6 when the host has nothing else.
    m_queryPeer = results.begin()->endpoint();
    for (const auto& result : results) {
        if (result.endpoint().address().is_v4()) {
            m_queryPeer = result.endpoint();
            break;
        }
    }
    auto socket = std::make_unique<udp::socket>(m_queryIo);
    socket->open(m_queryPeer.protocol(), ec);
    if (!ec)
        socket->non_blocking(true, ec);
    if (ec) {
        qCWarning(lcMessaging, "Messenger: cannot open the query socket: %s", ec.message().c_str());
        m_phase = Phase::Refused;
        return;
    }
    m_querySocket = std::move(socket);
    sendQuery();
}

void MessengerImpl::sendQuery()
{
    m_nextQuery = Clock::now() + kQueryInterval;
    const std::string query = Wire::encodeQuery(m_serviceName);
    boost::system::error_code ec;
    m_querySocket->send_to(asio::buffer(query), m_queryPeer, 0, ec);
    if (ec)
        qCDebug(lcMessaging, "Messenger: announcement query to %s failed: %s", m_target.host.c_str(),
                ec.message().c_str());
}

void MessengerImpl::readQueryAnswer()
{
    std::array<char, Wire::kMaxDatagramSize + 1> buffer{};
    for (;;) {
        udp::endpoint sender;
        boost::system::error_code ec;
        const std::size_t size = m_querySocket->receive_from(asio::buffer(buffer), sender, 0, ec);
        if (ec == asio::error::would_block || ec == asio::error::try_again)
            return;
        if (ec)
            continue; // e.g. a port-unreachable report from an earlier query
        Wire::Announcement a;
        if (sender.address() != m_queryPeer.address() || !Wire::decodeAnnouncement(buffer.data(), size, a) ||
            a.service != m_serviceName)
            continue;
        closeQuery();
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
        return;
    }
}

void MessengerImpl::closeQuery()
{
    if (!m_querySocket)
        return;
    boost::system::error_code ignored;
    m_querySocket->close(ignored);
    m_querySocket.reset();
}

bool MessengerImpl::admitKey(const UnitIdentity& unit, const std::string& key)
{
    std::shared_ptr<KeyPinStore> pins;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pins = m_pins;
    }
    if (!pins)
        return true;
    const auto check = pins->check(unit, key);
    if (check.verdict == KeyPinStore::Verdict::Match) {
        m_keyPinned = true;
        return true;
    }
    if (check.verdict == KeyPinStore::Verdict::FirstUse || key == m_acceptedKey) {
        // Remembered only once the unit has proved it holds the key (the handshake and $WELCOME).
        m_pinPending = true;
        m_pinUnit = unit;
        m_pinKey = key;
        return true;
    }
    m_phase = Phase::Refused; // reported as lost when the window ends, then tried again
    if (m_reportedMismatch == key)
        return false;
    m_reportedMismatch = key;
    qCWarning(lcMessaging,
              "Messenger: unit \"%s\" at %s:%u offers key %s, not the remembered %s; not connecting",
              unit.name.c_str(), unit.address.c_str(), unsigned(unit.port),
              KeyPinStore::fingerprint(key).c_str(), KeyPinStore::fingerprint(check.pinnedKey).c_str());
    std::vector<std::weak_ptr<IMessengerObserver>> observers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        observers = m_observers;
    }
    UnitKeyMismatch mismatch{unit, check.pinnedKey, key};
    m_dispatch->post([observers = std::move(observers), mismatch] {
        for (const auto& weak : observers)
            if (auto observer = weak.lock())
                observer->handleUnitKeyMismatch(mismatch);
    });
    return false;
}

void MessengerImpl::pinOnWelcome()
{
    if (!m_pinPending)
        return;
    m_pinPending = false;
    std::shared_ptr<KeyPinStore> pins;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pins = m_pins;
    }
    if (!pins)
        return;
    // A failure to save is logged by the store and the pin holds meanwhile; a full store remembers nothing,
    // and then the link is encrypted but not with a remembered key.
    pins->pin(m_pinUnit, m_pinKey);
    m_keyPinned = pins->check(m_pinUnit, m_pinKey).verdict == KeyPinStore::Verdict::Match;
    if (m_keyPinned)
        qCInfo(lcMessaging, "Messenger: key %s of unit \"%s\" remembered",
               KeyPinStore::fingerprint(m_pinKey).c_str(), m_pinUnit.name.c_str());
    m_acceptedKey.clear();
}

void MessengerImpl::notify(void (IMessengerObserver::*event)())
{
    std::vector<std::weak_ptr<IMessengerObserver>> observers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        observers = m_observers;
    }
    m_dispatch->post([observers = std::move(observers), event] {
        for (const auto& weak : observers)
            if (auto observer = weak.lock())
                ((*observer).*event)();
    });
}

void MessengerImpl::notifyError(const std::string& error)
{
    std::vector<std::weak_ptr<IMessengerObserver>> observers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        observers = m_observers;
    }
    m_dispatch->post([observers = std::move(observers), error] {
        for (const auto& weak : observers)
            if (auto observer = weak.lock())
                observer->handleErrorResponse(error);
    });
}

} // namespace Messaging
} // namespace Ulmar
