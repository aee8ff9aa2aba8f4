#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

// A loopback TCP relay that can freeze: it then stops moving bytes in both directions without closing
// anything, like a peer whose network vanished.
class TcpRelay
{
public:
    explicit TcpRelay(std::uint16_t targetPort);
    ~TcpRelay();
    TcpRelay(const TcpRelay&) = delete;
    TcpRelay& operator=(const TcpRelay&) = delete;

    std::uint16_t port() const { return m_port; }
    void freeze() { m_frozen = true; }
    void thaw() { m_frozen = false; }
    int connectionCount() const { return m_connections.load(); }

private:
    void run();

    std::uint16_t m_targetPort;
    std::uint16_t m_port = 0;
    int m_listener = -1;
    int m_stopPipe[2] = {-1, -1};
    std::atomic<bool> m_frozen{false};
    std::atomic<int> m_connections{0};
    std::thread m_thread;
};
