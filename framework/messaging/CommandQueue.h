#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include <zmq.hpp>

#include "LinkCommand.h"

namespace Ulmar {
namespace Messaging {

// The hand-over of commands from the application's threads to the Messenger's I/O thread, in order.
//
// A frame on an inproc PUSH/PULL pair wakes the I/O thread. Only a command put into an empty queue sends
// one: the I/O thread takes the whole queue after draining its wake-ups, so later commands ride along with
// the pending wake-up. Every non-empty queue therefore has a wake-up pending.
//
// A send with no command ahead of it may skip the queue (the caller sends it itself, see send()); a command
// counts as ahead until the I/O thread has carried it out (finished()). Queued sends are bounded between
// two takes: beyond the bound send() refuses.
class CommandQueue
{
public:
    CommandQueue(zmq::context_t& context, std::size_t maxQueuedSends);
    CommandQueue(const CommandQueue&) = delete;
    CommandQueue& operator=(const CommandQueue&) = delete;

    // Any thread.
    void post(LinkCommand command);
    // Queues the message unless `direct(const IMessage&, bool& wakeIo)` takes it: called under the queue's
    // lock, and only while no command is in flight, it returns whether it sent the message itself and sets
    // wakeIo when the I/O thread must look at its socket. False (logged) when the queue holds its bound of
    // sends already.
    template <typename Direct>
    bool send(std::shared_ptr<IMessage> message, bool confidential, Direct&& direct);

    // I/O thread.
    zmq::socket_t& wakeSocket() { return m_wakeReceiver; }
    void drainWakeups();
    // Every queued command; they stay in flight until finished() is told how many were carried out (or
    // lost to an exception).
    std::deque<LinkCommand> takeAll();
    void finished(std::size_t count);
    // On the I/O thread's way out: the receiving end is its socket.
    void closeWakeSocket();

private:
    // With m_mutex held: the PUSH socket is shared by every caller thread.
    void wake();
    void push(LinkCommand command);
    static void queueFull(const IMessage& message);

    const std::size_t m_maxQueuedSends;
    std::mutex m_mutex;
    std::deque<LinkCommand> m_commands;
    std::size_t m_queuedSends = 0;
    std::size_t m_inFlight = 0; // posted and not yet carried out
    zmq::socket_t m_wakeSender;
    zmq::socket_t m_wakeReceiver;
};

template <typename Direct>
bool CommandQueue::send(std::shared_ptr<IMessage> message, bool confidential, Direct&& direct)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    // A command still on its way (another unit chosen, a disconnection, a state request, an earlier send)
    // must take effect first: then the message queues behind it.
    if (m_inFlight == 0) {
        bool wakeIo = false;
        if (direct(static_cast<const IMessage&>(*message), wakeIo)) {
            if (wakeIo)
                wake();
            return true;
        }
    }
    if (m_queuedSends >= m_maxQueuedSends) {
        queueFull(*message);
        return false;
    }
    push(LinkCommand{LinkCommand::Send, std::move(message), {}, 0, confidential});
    return true;
}

} // namespace Messaging
} // namespace Ulmar
