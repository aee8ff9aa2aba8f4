#include "CommandQueue.h"

#include <atomic>

#include "MessagingLog.h"

namespace Ulmar {
namespace Messaging {

namespace {
std::atomic<unsigned long> g_queueCounter{0};
} // namespace

CommandQueue::CommandQueue(zmq::context_t& context, std::size_t maxQueuedSends)
    : m_maxQueuedSends(maxQueuedSends), m_wakeSender(context, zmq::socket_type::push),
      m_wakeReceiver(context, zmq::socket_type::pull)
{
    const std::string address = "inproc://ulmar-messenger-" + std::to_string(++g_queueCounter);
    m_wakeReceiver.set(zmq::sockopt::linger, 0);
    m_wakeReceiver.bind(address);
    m_wakeSender.set(zmq::sockopt::linger, 0);
    m_wakeSender.connect(address);
}

void CommandQueue::wake()
{
    try {
        m_wakeSender.send(zmq::message_t(), zmq::send_flags::dontwait);
    } catch (const zmq::error_t&) {
        // A full pipe means the I/O thread has wake-ups pending already.
    }
}

void CommandQueue::push(LinkCommand command)
{
    ++m_inFlight;
    if (command.kind == LinkCommand::Send)
        ++m_queuedSends;
    const bool idle = m_commands.empty();
    m_commands.push_back(std::move(command));
    if (idle)
        wake();
}

void CommandQueue::queueFull(const IMessage& message)
{
    qCWarning(lcMessaging, "Messenger: send queue full; \"%s\" dropped", message.getMessageType().c_str());
}

void CommandQueue::post(LinkCommand command)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    push(std::move(command));
}

void CommandQueue::drainWakeups()
{
    zmq::message_t frame;
    while (m_wakeReceiver.recv(frame, zmq::recv_flags::dontwait)) {
    }
}

std::deque<LinkCommand> CommandQueue::takeAll()
{
    std::deque<LinkCommand> commands;
    std::lock_guard<std::mutex> lock(m_mutex);
    commands.swap(m_commands);
    m_queuedSends = 0;
    return commands;
}

void CommandQueue::finished(std::size_t count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_inFlight -= count;
}

void CommandQueue::closeWakeSocket()
{
    m_wakeReceiver.close();
}

} // namespace Messaging
} // namespace Ulmar
