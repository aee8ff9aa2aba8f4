// Round-trip latency and throughput of the messaging layer (Messenger <-> UnitEndpoint) over loopback, beside
// a bare DEALER/ROUTER ping-pong measured in the same run; and the time from a link freezing (no FIN, no RST:
// a relay that stops moving bytes) to handleConnectionLost. Run: bench_messaging [small-count] [freezes]

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <QByteArray>
#include <QtGlobal>
#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "IResponseHandler.h"
#include "ManagedBuffer.h"
#include "Messenger.h"
#include "TcpRelay.h"
#include "UnitEndpoint.h"

using namespace Ulmar::Messaging;
using Clock = std::chrono::steady_clock;

namespace {

struct Figures
{
    double medianUs = 0;
    double p99Us = 0;
    double perSecond = 0; // messages per second (windowed)
};

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t i = std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1) + 0.5));
    return v[i];
}

// Counts replies and lets the sender wait for a given count.
class ReplyCounter : public IResponseHandler, public IMessengerObserver
{
public:
    void handleResponse(std::shared_ptr<IResponse>) override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_count;
        }
        m_cv.notify_all();
    }
    void handleConnected() override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_connected = true;
        }
        m_cv.notify_all();
    }
    bool waitConnected()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, std::chrono::seconds(10), [&] { return m_connected; });
    }
    bool waitFor(long target)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, std::chrono::seconds(30), [&] { return m_count >= target; });
    }
    long count()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_count;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    long m_count = 0;
    bool m_connected = false;
};

// Generic measurement over a "send one" function and a "replies so far / wait for n" pair.
Figures measure(const std::function<bool()>& sendOne, const std::function<bool(long)>& waitFor,
                long pingCount, long burstCount, long window)
{
    Figures f;
    std::vector<double> samples;
    long expected = 0;
    for (long i = 0; i < pingCount; ++i) {
        const auto t0 = Clock::now();
        if (!sendOne() || !waitFor(++expected)) {
            std::fprintf(stderr, "ping %ld lost\n", i);
            return f;
        }
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    f.medianUs = percentile(samples, 0.5);
    f.p99Us = percentile(samples, 0.99);

    const auto t0 = Clock::now();
    const long base = expected;
    for (long i = 0; i < burstCount; ++i) {
        if (i >= window && !waitFor(base + i - window + 1))
            return f;
        if (!sendOne())
            return f;
    }
    if (!waitFor(base + burstCount))
        return f;
    f.perSecond = burstCount / std::chrono::duration<double>(Clock::now() - t0).count();
    return f;
}

Figures benchLayer(const std::string& body, long pingCount, long burstCount, long window)
{
    UnitEndpoint::Options options;
    options.port = 0;
    options.announce = false;
    UnitEndpoint unit(options);
    UnitEndpoint* unitPtr = &unit;
    unit.setMessageCallback([unitPtr](const UnitEndpoint::PeerId& peer, std::shared_ptr<IMessage> message) {
        unitPtr->sendTo(peer, std::make_shared<IMessage>("Echo", 1, "", message->body()));
    });
    if (!unit.start())
        return {};

    auto counter = std::make_shared<ReplyCounter>();
    Messenger messenger(DiscoveryStrategyList{}, "VYRA", ITransport::TransportZeroMQ);
    messenger.setAutoReconnect(200);
    messenger.AddObserver(counter);
    messenger.registerResponse("Echo", 1, counter);
    messenger.chooseUnit("127.0.0.1", "bench", unit.port(), false, false);
    messenger.connect(3000);
    if (!counter->waitConnected()) {
        std::fprintf(stderr, "layer: not connected\n");
        return {};
    }
    auto payload = ManagedBuffer::FromBytes(body.data(), body.size());
    auto message = std::make_shared<IMessage>("Ping", 1, "", payload);
    return measure([&] { return messenger.send(message); }, [&](long n) { return counter->waitFor(n); },
                   pingCount, burstCount, window);
}

Figures benchBare(const std::string& body, long pingCount, long burstCount, long window)
{
    zmq::context_t context(1);
    zmq::socket_t router(context, zmq::socket_type::router);
    router.set(zmq::sockopt::linger, 0);
    router.bind("tcp://127.0.0.1:*");
    const std::string endpoint = router.get(zmq::sockopt::last_endpoint);
    std::atomic<bool> stop{false};
    // The echo side on its own thread, as the unit's endpoint does.
    std::thread echo([&] {
        while (!stop) {
            zmq::pollitem_t item{router.handle(), 0, ZMQ_POLLIN, 0};
            zmq::poll(&item, 1, std::chrono::milliseconds(50));
            zmq::multipart_t frames;
            while (frames.recv(router, ZMQ_DONTWAIT)) {
                frames.send(router);
                frames.clear();
            }
        }
    });
    zmq::socket_t dealer(context, zmq::socket_type::dealer);
    dealer.set(zmq::sockopt::linger, 0);
    dealer.connect(endpoint);
    long received = 0;
    auto waitFor = [&](long n) {
        while (received < n) {
            zmq::multipart_t frames;
            if (!frames.recv(dealer))
                return false;
            ++received;
        }
        return true;
    };
    auto sendOne = [&] {
        zmq::multipart_t frames;
        frames.addstr("Ping");
        frames.addstr("1");
        frames.addstr("");
        frames.addmem(body.data(), body.size());
        return frames.send(dealer);
    };
    Figures f = measure(sendOne, waitFor, pingCount, burstCount, window);
    stop = true;
    echo.join();
    return f;
}

// Counts connections and losses, with the time of the last loss.
class LinkWatcher : public IMessengerObserver
{
public:
    void handleConnected() override { ++connected; }
    void handleConnectionLost() override
    {
        lostAt = Clock::now();
        ++lost;
    }
    std::atomic<int> connected{0};
    std::atomic<int> lost{0};
    std::atomic<Clock::time_point> lostAt{};
};

// Milliseconds from freezing the link to handleConnectionLost, once per freeze.
std::vector<double> benchFrozenLink(int freezes)
{
    UnitEndpoint::Options options;
    options.port = 0;
    options.announce = false;
    UnitEndpoint unit(options);
    if (!unit.start())
        return {};
    TcpRelay relay(unit.port());
    auto watcher = std::make_shared<LinkWatcher>();
    Messenger messenger(DiscoveryStrategyList{}, "VYRA", ITransport::TransportZeroMQ);
    messenger.setAutoReconnect(200);
    messenger.AddObserver(watcher);
    messenger.chooseUnit("127.0.0.1", "bench", relay.port(), false, false);
    messenger.connect(3000);
    std::vector<double> out;
    std::mt19937 random(3);
    for (int i = 0; i < freezes; ++i) {
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (watcher->connected.load() <= i && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        // Anywhere within a heartbeat period.
        std::this_thread::sleep_for(std::chrono::milliseconds(500 + random() % 1000));
        const int lost = watcher->lost.load();
        const auto frozen = Clock::now();
        relay.freeze();
        while (watcher->lost.load() == lost && Clock::now() < frozen + std::chrono::seconds(20))
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        out.push_back(std::chrono::duration<double, std::milli>(watcher->lostAt.load() - frozen).count());
        relay.thaw();
    }
    return out;
}

void report(const char* what, const Figures& layer, const Figures& bare, double bytes)
{
    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    std::printf("%-22s layer: median %8.1f us  p99 %8.1f us  %10.0f msg/s (%8.1f MB/s)\n", what,
                layer.medianUs, layer.p99Us, layer.perSecond, layer.perSecond * bytes / 1e6);
    std::printf("%-22s bare:  median %8.1f us  p99 %8.1f us  %10.0f msg/s (%8.1f MB/s)\n", "", bare.medianUs,
                bare.p99Us, bare.perSecond, bare.perSecond * bytes / 1e6);
    std::printf("%-22s ratio layer/bare: latency x%.2f (median) x%.2f (p99), throughput x%.2f\n\n", "",
                ratio(layer.medianUs, bare.medianUs), ratio(layer.p99Us, bare.p99Us),
                ratio(layer.perSecond, bare.perSecond));
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_LOGGING_RULES", QByteArray("ulmar.messaging.debug=false"));
    const long small = argc > 1 ? std::max(100L, std::atol(argv[1])) : 5000;
    const std::string smallBody(64, 's');
    const std::string bigBody(1024 * 1024, 'b');

    std::printf("Loopback round trips (echo), %ld small pings, %ld-message windowed bursts\n\n", small,
                small * 4);
    report("64-byte body", benchLayer(smallBody, small, small * 4, 200),
           benchBare(smallBody, small, small * 4, 200), smallBody.size());
    report("1 MiB body", benchLayer(bigBody, 100, 200, 4), benchBare(bigBody, 100, 200, 4), bigBody.size());

    const int freezes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::vector<double> lost = benchFrozenLink(freezes);
    if (!lost.empty())
        std::printf("frozen link reported lost after: median %.0f ms, longest %.0f ms (%zu freezes)\n",
                    percentile(lost, 0.5), percentile(lost, 1.0), lost.size());
    return 0;
}
