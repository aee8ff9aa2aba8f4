#include "UnitEndpointImpl.h"

#include "MessagingLog.h"
#include "ThreadName.h"
#include "Wire.h"

namespace Ulmar {
namespace Messaging {

namespace {
std::atomic<unsigned long> g_endpointCounter{0};
// After stop() or dropAllPeers() the old listening socket is closed asynchronously by libzmq: allow the port
// some time to become free again.
constexpr auto kRebindPatience = std::chrono::seconds(3);
// The endpoint whose thread this is, if any.
thread_local const UnitEndpointImpl* t_ownEndpoint = nullptr;
} // namespace

UnitEndpointImpl::UnitEndpointImpl(UnitEndpoint::Options opts) : options(std::move(opts)), m_context(1)
{
    if (options.encrypted && (!Wire::isZ85Key(options.publicKey) || !Wire::isZ85Key(options.secretKey))) {
        auto pair = UnitEndpoint::generateKeyPair();
        options.publicKey = pair.first;
        options.secretKey = pair.second;
        qCDebug(lcMessaging, "UnitEndpoint: no usable key pair given; generated one");
    }
    m_unitName = options.unitName;
}

UnitEndpointImpl::~UnitEndpointImpl()
{
    stop();
}

void UnitEndpointImpl::setUnitName(const std::string& name)
{
    std::lock_guard<std::mutex> lock(m_nameMutex);
    m_unitName = name;
}

std::string UnitEndpointImpl::unitName() const
{
    std::lock_guard<std::mutex> lock(m_nameMutex);
    return m_unitName;
}

bool UnitEndpointImpl::bindRouter(std::string& error)
{
    const std::uint16_t wanted = m_port.load() != 0 ? m_port.load() : options.port;
    const std::string host = options.bindAddress.empty() ? std::string("*") : options.bindAddress;
    std::string endpoint = Wire::tcpEndpoint(host, wanted);
    if (wanted == 0)
        endpoint = endpoint.substr(0, endpoint.rfind(':') + 1) + "*"; // any free port
    const auto giveUp = Clock::now() + kRebindPatience;
    for (;;) {
        try {
            auto router = std::make_unique<zmq::socket_t>(m_context, zmq::socket_type::router);
            Wire::applyCommonOptions(*router);
            router->set(zmq::sockopt::router_mandatory, 1);
            if (options.encrypted) {
                router->set(zmq::sockopt::curve_server, 1);
                router->set(zmq::sockopt::curve_secretkey, options.secretKey);
            }
            router->bind(endpoint);
            const std::string last = router->get(zmq::sockopt::last_endpoint);
            const auto colon = last.rfind(':');
            m_port = static_cast<std::uint16_t>(std::stoul(last.substr(colon + 1)));
            m_router = std::move(router);
            return true;
        } catch (const zmq::error_t& e) {
            if (e.num() != EADDRINUSE || Clock::now() >= giveUp) {
                error = std::string(e.what()) + " (" + endpoint + ")";
                return false;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void UnitEndpointImpl::closeRouter()
{
    m_router.reset();
}

bool UnitEndpointImpl::start()
{
    std::lock_guard<std::mutex> lifecycle(m_lifecycleMutex);
    if (m_running)
        return true;
    std::string error;
    boost::system::error_code ec;
    // Key queries arrive on the UDP port of the same number. A port the system chose may have that twin
    // taken by another program, which would leave an encrypted link unreachable: then take another one.
    for (int attempt = 0;; ++attempt) {
        if (!bindRouter(error)) {
            qCWarning(lcMessaging, "UnitEndpoint: cannot listen: %s", error.c_str());
            return false;
        }
        ec.clear();
        m_announcer.openQueries(options.bindAddress, m_port.load(), ec);
        if (!ec || options.port != 0 || attempt >= 15)
            break;
        m_announcer.closeQueries();
        closeRouter();
        m_port = 0;
    }
    if (ec) {
        qCWarning(lcMessaging, "UnitEndpoint: announcement queries on UDP port %u unavailable: %s",
                  unsigned(m_port.load()), ec.message().c_str());
        m_announcer.closeQueries();
        ec.clear();
    }

    if (options.announce)
        m_announcer.openAnnouncements(options.announceAddress, options.announcePort, options.bindAddress);

    m_wakeAddress = "inproc://ulmar-endpoint-" + std::to_string(++g_endpointCounter);
    m_wakeReceiver = std::make_unique<zmq::socket_t>(m_context, zmq::socket_type::pull);
    m_wakeReceiver->set(zmq::sockopt::linger, 0);
    m_wakeReceiver->bind(m_wakeAddress);
    {
        std::lock_guard<std::mutex> lock(m_commandMutex);
        m_commands.clear();
        m_wakeSender = std::make_unique<zmq::socket_t>(m_context, zmq::socket_type::push);
        m_wakeSender->set(zmq::sockopt::linger, 0);
        m_wakeSender->connect(m_wakeAddress);
    }
    m_stopRequested = false;
    m_running = true;
    m_thread = std::thread([this] { run(); });
    qCDebug(lcMessaging, "UnitEndpoint: \"%s\" listening on %s port %u (%s)", unitName().c_str(),
            options.bindAddress.c_str(), unsigned(m_port.load()), options.encrypted ? "encrypted" : "plain");
    return true;
}

void UnitEndpointImpl::stop()
{
    std::lock_guard<std::mutex> lifecycle(m_lifecycleMutex);
    if (!m_running)
        return;
    if (std::this_thread::get_id() == m_thread.get_id()) {
        qCWarning(lcMessaging, "UnitEndpoint: stop() from one of its own callbacks is ignored");
        return;
    }
    m_stopRequested = true;
    post(Command{Command::Stop, {}, nullptr, {}});
    if (m_thread.joinable())
        m_thread.join();
    {
        std::lock_guard<std::mutex> lock(m_commandMutex);
        m_commands.clear();
        m_wakeSender.reset();
    }
    m_wakeReceiver.reset();
    closeRouter();
    m_announcer.close();
    {
        std::lock_guard<std::mutex> lock(m_peerMutex);
        m_peers.clear();
    }
    m_running = false;
}

void UnitEndpointImpl::post(Command command)
{
    std::unique_lock<std::mutex> lock(m_commandMutex);
    if (!m_wakeSender)
        return;
    const bool idle = m_commands.empty(); // otherwise a wake-up is already pending
    if (idle && command.kind != Command::Stop && t_ownEndpoint == this && m_inMessageCallback) {
        // An answer from the message callback, with nothing queued ahead of it: it leaves now rather than
        // after one more round of the loop. What it sets off (a peer found gone) takes the ordinary way.
        lock.unlock();
        m_inMessageCallback = false;
        process(command);
        m_inMessageCallback = true;
        return;
    }
    m_commands.push_back(std::move(command));
    if (!idle)
        return;
    try {
        m_wakeSender->send(zmq::message_t(), zmq::send_flags::dontwait);
    } catch (const zmq::error_t&) {
    }
}

bool UnitEndpointImpl::sendTo(const UnitEndpoint::PeerId& peer, std::shared_ptr<IMessage> message)
{
    if (!message || !m_running)
        return false;
    {
        std::lock_guard<std::mutex> lock(m_peerMutex);
        if (!m_peers.count(peer))
            return false;
    }
    post(Command{Command::SendTo, peer, std::move(message), {}});
    return true;
}

void UnitEndpointImpl::broadcast(std::shared_ptr<IMessage> message)
{
    if (message && m_running)
        post(Command{Command::Broadcast, {}, std::move(message), {}});
}

std::vector<UnitEndpoint::PeerId> UnitEndpointImpl::peers() const
{
    std::lock_guard<std::mutex> lock(m_peerMutex);
    return std::vector<UnitEndpoint::PeerId>(m_peers.begin(), m_peers.end());
}

void UnitEndpointImpl::dropAllPeers()
{
    if (m_running)
        post(Command{Command::DropPeers, {}, nullptr, {}});
}

bool UnitEndpointImpl::sendRawFrames(const UnitEndpoint::PeerId& peer, const std::vector<std::string>& frames)
{
    if (!m_running || frames.empty())
        return false;
    post(Command{Command::Raw, peer, nullptr, frames});
    return true;
}

void UnitEndpointImpl::run()
{
    nameCurrentThread("unit-io");
    t_ownEndpoint = this;
    for (;;) {
        try {
            if (runOnce())
                return;
        } catch (const std::exception& e) {
            qCWarning(lcMessaging, "UnitEndpoint: I/O error: %s", e.what());
            if (m_stopRequested)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
}

bool UnitEndpointImpl::runOnce()
{
    std::vector<zmq::pollitem_t> items;
    items.push_back({m_wakeReceiver->handle(), 0, ZMQ_POLLIN, 0});
    if (m_router)
        items.push_back({m_router->handle(), 0, ZMQ_POLLIN, 0});
    const std::size_t queryIndex = items.size();
    if (m_announcer.hearsQueries())
        items.push_back({nullptr, static_cast<zmq::fd_t>(m_announcer.queryHandle()), ZMQ_POLLIN, 0});

    // Only announcements are due by the clock; anything else wakes the thread itself.
    long timeoutMs = -1;
    if (m_announcer.announces()) {
        const auto untilNext = std::chrono::duration_cast<std::chrono::milliseconds>(
                                   m_announcer.nextAnnouncement() - Clock::now())
                                   .count();
        timeoutMs = std::max<long>(0, static_cast<long>(untilNext) + 1);
    }
    try {
        zmq::poll(items.data(), items.size(), std::chrono::milliseconds(timeoutMs));
    } catch (const zmq::error_t& e) {
        if (e.num() != EINTR)
            qCWarning(lcMessaging, "UnitEndpoint: poll failed: %s", e.what());
    }

    if (items[0].revents & ZMQ_POLLIN) {
        zmq::message_t frame;
        while (m_wakeReceiver->recv(frame, zmq::recv_flags::dontwait)) {
        }
    }
    std::deque<Command> commands;
    {
        std::lock_guard<std::mutex> lock(m_commandMutex);
        commands.swap(m_commands);
    }
    for (auto& command : commands) {
        if (command.kind == Command::Stop)
            return true;
        process(command);
    }

    if (m_router) {
        for (int i = 0; i < 256 && m_router; ++i) {
            zmq::multipart_t frames;
            try {
                if (!frames.recv(*m_router, ZMQ_DONTWAIT))
                    break;
            } catch (const zmq::error_t& e) {
                qCDebug(lcMessaging, "UnitEndpoint: receive failed: %s", e.what());
                break;
            }
            onFrames(frames);
        }
    }
    const auto describe = [this] { return announcement(); };
    if (m_announcer.hearsQueries() && items.size() > queryIndex && (items[queryIndex].revents & ZMQ_POLLIN))
        m_announcer.answerQueries(options.serviceName, describe);
    m_announcer.announceIfDue(describe, options.announceIntervalMs);
    return false;
}

void UnitEndpointImpl::process(Command& command)
{
    switch (command.kind) {
    case Command::SendTo: {
        auto frames = Wire::encode(*command.message);
        deliver(command.peer, frames);
        break;
    }
    case Command::Broadcast:
        for (const auto& peer : peers()) {
            auto frames = Wire::encode(*command.message);
            deliver(peer, frames);
        }
        break;
    case Command::Raw: {
        zmq::multipart_t frames;
        for (const auto& f : command.frames)
            frames.addstr(f);
        deliver(command.peer, frames);
        break;
    }
    case Command::DropPeers: {
        std::set<UnitEndpoint::PeerId> gone;
        {
            std::lock_guard<std::mutex> lock(m_peerMutex);
            gone.swap(m_peers);
        }
        // Closing the listening socket closes every connection; the applications reconnect by themselves.
        closeRouter();
        std::string error;
        if (!bindRouter(error))
            qCWarning(lcMessaging, "UnitEndpoint: cannot listen again after dropping peers: %s",
                      error.c_str());
        if (onPeerGone)
            for (const auto& peer : gone)
                onPeerGone(peer);
        break;
    }
    case Command::Stop:
        break;
    }
}

void UnitEndpointImpl::deliver(const UnitEndpoint::PeerId& peer, zmq::multipart_t& frames)
{
    if (!m_router)
        return;
    frames.pushmem(peer.data(), peer.size());
    switch (Wire::sendFrames(*m_router, frames)) {
    case Wire::SendResult::Sent:
        break;
    case Wire::SendResult::WouldBlock:
        qCDebug(lcMessaging, "UnitEndpoint: peer busy; message dropped");
        break;
    case Wire::SendResult::Unreachable:
    case Wire::SendResult::Failed:
        forgetPeer(peer);
        break;
    }
}

void UnitEndpointImpl::forgetPeer(const UnitEndpoint::PeerId& peer)
{
    bool known;
    {
        std::lock_guard<std::mutex> lock(m_peerMutex);
        known = m_peers.erase(peer) > 0;
    }
    if (known) {
        qCDebug(lcMessaging, "UnitEndpoint: peer gone");
        if (onPeerGone)
            onPeerGone(peer);
    }
}

void UnitEndpointImpl::onFrames(zmq::multipart_t& frames)
{
    if (frames.empty())
        return;
    const UnitEndpoint::PeerId peer = frames[0].to_string();
    std::string why;
    auto message = Wire::decode(frames, 1, why);
    if (!message) {
        qCDebug(lcMessaging, "UnitEndpoint: malformed message dropped: %s", why.c_str());
        return;
    }
    const std::string& type = message->getMessageType();
    if (type == Wire::kHello) {
        bool added;
        {
            std::lock_guard<std::mutex> lock(m_peerMutex);
            added = m_peers.insert(peer).second;
        }
        IMessage welcome(Wire::kWelcome, 1, unitName(), nullptr);
        auto reply = Wire::encode(welcome);
        deliver(peer, reply);
        if (added && onPeerConnected)
            onPeerConnected(peer);
        return;
    }
    if (Wire::isControlType(type)) {
        qCDebug(lcMessaging, "UnitEndpoint: unknown control message \"%s\" dropped", type.c_str());
        return;
    }
    bool greeted;
    {
        std::lock_guard<std::mutex> lock(m_peerMutex);
        greeted = m_peers.count(peer) > 0;
    }
    if (!greeted) {
        qCDebug(lcMessaging, "UnitEndpoint: \"%s\" from a peer that did not greet; dropped", type.c_str());
        return;
    }
    if (onMessage) {
        m_inMessageCallback = true;
        try {
            onMessage(peer, std::move(message));
        } catch (...) {
            m_inMessageCallback = false;
            throw;
        }
        m_inMessageCallback = false;
    }
}

std::string UnitEndpointImpl::announcement() const
{
    Wire::Announcement a;
    a.service = options.serviceName;
    a.name = unitName();
    a.port = m_port.load();
    a.encrypted = options.encrypted;
    a.key = options.encrypted ? options.publicKey : std::string();
    a.unitId = options.unitId;
    return Wire::encodeAnnouncement(a);
}

} // namespace Messaging
} // namespace Ulmar
