#include "TcpRelay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <vector>

TcpRelay::TcpRelay(std::uint16_t targetPort) : m_targetPort(targetPort)
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::listen(m_listener, 8) != 0 || ::pipe(m_stopPipe) != 0)
        throw std::runtime_error("relay: cannot listen");
    socklen_t len = sizeof(addr);
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&addr), &len);
    m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] { run(); });
}

TcpRelay::~TcpRelay()
{
    const char byte = 0;
    (void)!::write(m_stopPipe[1], &byte, 1);
    m_thread.join();
    ::close(m_listener);
    ::close(m_stopPipe[0]);
    ::close(m_stopPipe[1]);
}

void TcpRelay::run()
{
    struct Pair
    {
        int a;
        int b;
    };
    std::vector<Pair> pairs;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        std::vector<pollfd> fds;
        fds.push_back({m_stopPipe[0], POLLIN, 0});
        fds.push_back({m_listener, POLLIN, 0});
        const bool frozen = m_frozen.load();
        for (const auto& p : pairs) {
            // Frozen: nothing is read, so nothing is forwarded and nothing is closed.
            fds.push_back({p.a, static_cast<short>(frozen ? 0 : POLLIN), 0});
            fds.push_back({p.b, static_cast<short>(frozen ? 0 : POLLIN), 0});
        }
        ::poll(fds.data(), fds.size(), 50);
        const std::size_t polledPairs = pairs.size(); // a pair accepted below has no poll entry yet
        if (fds[0].revents)
            break;
        if (fds[1].revents & POLLIN) {
            const int client = ::accept(m_listener, nullptr, nullptr);
            const int upstream = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in addr{};
            addr.sin_family = AF_INET;
            addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            addr.sin_port = htons(m_targetPort);
            if (client >= 0 && upstream >= 0 &&
                ::connect(upstream, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0) {
                pairs.push_back({client, upstream});
                ++m_connections;
            } else {
                if (client >= 0)
                    ::close(client);
                if (upstream >= 0)
                    ::close(upstream);
            }
        }
        if (frozen)
            continue;
        std::vector<Pair> alive(pairs.begin() + static_cast<std::ptrdiff_t>(polledPairs), pairs.end());
        for (std::size_t i = 0; i < polledPairs; ++i) {
            bool open = true;
            const pollfd& fa = fds[2 + 2 * i];
            const pollfd& fb = fds[3 + 2 * i];
            auto pump = [&](int from, int to) {
                const ssize_t n = ::recv(from, buffer.data(), buffer.size(), 0);
                if (n <= 0)
                    return false;
                ssize_t sent = 0;
                while (sent < n) {
                    const ssize_t k =
                        ::send(to, buffer.data() + sent, static_cast<size_t>(n - sent), MSG_NOSIGNAL);
                    if (k <= 0)
                        return false;
                    sent += k;
                }
                return true;
            };
            if (fa.revents & (POLLIN | POLLHUP | POLLERR))
                open = pump(pairs[i].a, pairs[i].b) && open;
            if (open && (fb.revents & (POLLIN | POLLHUP | POLLERR)))
                open = pump(pairs[i].b, pairs[i].a);
            if (open) {
                alive.push_back(pairs[i]);
            } else {
                ::close(pairs[i].a);
                ::close(pairs[i].b);
            }
        }
        pairs.swap(alive);
    }
    for (const auto& p : pairs) {
        ::close(p.a);
        ::close(p.b);
    }
}
