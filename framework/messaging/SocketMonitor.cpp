#include "SocketMonitor.h"

#include <atomic>
#include <cstdint>
#include <cstring>

#include <zmq_addon.hpp>

namespace Ulmar {
namespace Messaging {

namespace {
std::string uniqueAddress()
{
    static std::atomic<unsigned long> counter{0};
    return "inproc://ulmar-monitor-" + std::to_string(++counter);
}
} // namespace

SocketMonitor::SocketMonitor(zmq::context_t& context, zmq::socket_t& watched, int events)
    : m_watched(watched), m_pair(context, zmq::socket_type::pair)
{
    const std::string address = uniqueAddress();
    if (zmq_socket_monitor(watched.handle(), address.c_str(), events) != 0)
        throw zmq::error_t();
    m_pair.set(zmq::sockopt::linger, 0);
    m_pair.connect(address);
}

SocketMonitor::~SocketMonitor()
{
    zmq_socket_monitor(m_watched.handle(), nullptr, 0);
}

int SocketMonitor::next()
{
    zmq::multipart_t frames;
    try {
        if (!frames.recv(m_pair, ZMQ_DONTWAIT))
            return 0;
    } catch (const zmq::error_t&) {
        return 0;
    }
    if (frames.empty() || frames[0].size() < sizeof(std::uint16_t))
        return 0;
    std::uint16_t event = 0;
    std::memcpy(&event, frames[0].data(), sizeof(event));
    return event;
}

} // namespace Messaging
} // namespace Ulmar
