#include "MessagingTestSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ManagedBuffer.h"

using namespace Ulmar::Messaging;

UnitRecorder::UnitRecorder(UnitEndpoint& unit) : m_unit(unit)
{
    unit.setMessageCallback([this](const UnitEndpoint::PeerId&, std::shared_ptr<IMessage> message) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_messages.push_back(std::move(message));
    });
    unit.setPeerConnectedCallback([this](const UnitEndpoint::PeerId&) { ++greeted; });
    unit.setPeerGoneCallback([this](const UnitEndpoint::PeerId&) { ++gone; });
}

UnitRecorder::~UnitRecorder()
{
    m_unit.stop();
}

std::vector<std::string> UnitRecorder::types()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> out;
    for (const auto& m : m_messages)
        out.push_back(m->getMessageType());
    return out;
}

int UnitRecorder::count(const std::string& type)
{
    int n = 0;
    for (const auto& t : types())
        n += t == type ? 1 : 0;
    return n;
}

std::vector<std::shared_ptr<IMessage>> UnitRecorder::messages()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
}

void UnitRecorder::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.clear();
}

namespace {
std::uint16_t freeLoopbackPort(int socketType)
{
    const int fd = ::socket(AF_INET, socketType, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    socklen_t len = sizeof(addr);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}
} // namespace

std::uint16_t freeUdpPort()
{
    return freeLoopbackPort(SOCK_DGRAM);
}

std::uint16_t freeTcpPort()
{
    return freeLoopbackPort(SOCK_STREAM);
}

std::shared_ptr<IMessage> makeMessage(const std::string& type, const std::string& body,
                                      const std::string& text)
{
    return std::make_shared<IMessage>(
        type, 1, text, body.empty() ? nullptr : ManagedBuffer::FromBytes(body.data(), body.size()));
}

UnitEndpoint::Options unitOptions(const std::string& name, std::uint16_t discoveryPort, unsigned announceMs)
{
    UnitEndpoint::Options o;
    o.unitName = name;
    o.bindAddress = "127.0.0.1";
    o.port = 0;
    o.announce = discoveryPort != 0;
    o.announceAddress = "127.0.0.1";
    o.announcePort = discoveryPort;
    o.announceIntervalMs = announceMs;
    return o;
}

void sendDatagram(std::uint16_t port, const std::string& bytes, const char* source)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (source) {
        sockaddr_in from{};
        from.sin_family = AF_INET;
        ::inet_pton(AF_INET, source, &from.sin_addr);
        ::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof(from));
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    ::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    ::close(fd);
}
