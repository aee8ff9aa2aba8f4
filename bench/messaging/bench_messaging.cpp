// Round-trip latency and throughput of the messaging layer (Messenger <-> UnitEndpoint) over loopback, beside
// a bare DEALER/ROUTER ping-pong measured in the same run (the two take turns); and the time from a link
// freezing (no FIN, no RST: a relay that stops moving bytes) to handleConnectionLost. Run: bench_messaging
// [small-count] [freezes]

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

// One side of the comparison: sends a ping, and waits until n replies have come back in all.
struct Rig
{
    std::function<bool()> sendOne;
    std::function<bool(long)> waitFor;
    long expected = 0;
    std::vector<double> samples;
    double burstMessages = 0;
    double burstSeconds = 0;

    bool pings(long count)
    {
        for (long i = 0; i < count; ++i) {
            const auto t0 = Clock::now();
            if (!sendOne() || !waitFor(++expected))
                return false;
            samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        }
        return true;
    }
    bool burst(long count, long window)
    {
        const auto t0 = Clock::now();
        const long base = expected;
        for (long i = 0; i < count; ++i) {
            if (i >= window && !waitFor(base + i - window + 1))
                return false;
            if (!sendOne())
                return false;
        }
        expected = base + count;
        if (!waitFor(expected))
            return false;
        burstMessages += count;
        burstSeconds += std::chrono::duration<double>(Clock::now() - t0).count();
        return true;
    }
    Figures figures() const
    {
        Figures f;
        f.medianUs = percentile(samples, 0.5);
        f.p99Us = percentile(samples, 0.99);
        f.perSecond = burstSeconds > 0 ? burstMessages / burstSeconds : 0;
        return f;
    }
};

// The layer and bare ZeroMQ take turns in short rounds, so that both see the same machine load.
bool alternate(Rig& layer, Rig& bare, long pingCount, long burstCount, long window)
{
    constexpr int kRounds = 10;
    for (int round = 0; round < kRounds; ++round) {
        const long pings = pingCount / kRounds + (round < pingCount % kRounds ? 1 : 0);
        const long burst = burstCount / kRounds + (round < burstCount % kRounds ? 1 : 0);
        Rig* order[2] = {&layer, &bare};
        if (round % 2)
            std::swap(order[0], order[1]);
        for (Rig* rig : order)
            if (!rig->pings(pings)) {
                std::fprintf(stderr, "%s: a ping was lost\n", rig == &layer ? "layer" : "bare");
                return false;
            }
        for (Rig* rig : order)
            if (!rig->burst(burst, window)) {
                std::fprintf(stderr, "%s: a burst was lost\n", rig == &layer ? "layer" : "bare");
                return false;
            }
    }
    return true;
}

// The messaging layer: a Messenger and a UnitEndpoint that echoes every message.
class LayerSide
{
public:
    explicit LayerSide(const std::string& body)
        : m_unit(unitOptions()), m_counter(std::make_shared<ReplyCounter>()),
          m_messenger(DiscoveryStrategyList{}, "VYRA", ITransport::TransportZeroMQ)
    {
        UnitEndpoint* unit = &m_unit;
        m_unit.setMessageCallback(
            [unit](const UnitEndpoint::PeerId& peer, std::shared_ptr<IMessage> message) {
                unit->sendTo(peer, std::make_shared<IMessage>("Echo", 1, "", message->body()));
            });
        if (!m_unit.start())
            return;
        m_messenger.setAutoReconnect(200);
        m_messenger.AddObserver(m_counter);
        m_messenger.registerResponse("Echo", 1, m_counter);
        m_messenger.chooseUnit("127.0.0.1", "bench", m_unit.port(), false, false);
        m_messenger.connect(3000);
        if (!m_counter->waitConnected())
            return;
        auto message =
            std::make_shared<IMessage>("Ping", 1, "", ManagedBuffer::FromBytes(body.data(), body.size()));
        rig.sendOne = [this, message] { return m_messenger.send(message); };
        rig.waitFor = [this](long n) { return m_counter->waitFor(n); };
        m_ready = true;
    }
    bool ready() const { return m_ready; }
    Rig rig;

private:
    static UnitEndpoint::Options unitOptions()
    {
        UnitEndpoint::Options options;
        options.port = 0;
        options.announce = false;
        return options;
    }
    UnitEndpoint m_unit;
    std::shared_ptr<ReplyCounter> m_counter;
    Messenger m_messenger;
    bool m_ready = false;
};

// Bare ZeroMQ: a DEALER in the caller's thread and a ROUTER echoing on a thread of its own, as the unit's
// endpoint does, with the same four frames.
class BareSide
{
public:
    explicit BareSide(const std::string& body)
        : m_context(1), m_router(m_context, zmq::socket_type::router),
          m_dealer(m_context, zmq::socket_type::dealer)
    {
        m_router.set(zmq::sockopt::linger, 0);
        m_router.bind("tcp://127.0.0.1:*");
        const std::string endpoint = m_router.get(zmq::sockopt::last_endpoint);
        m_echo = std::thread([this] {
            while (!m_stop) {
                zmq::pollitem_t item{m_router.handle(), 0, ZMQ_POLLIN, 0};
                zmq::poll(&item, 1, std::chrono::milliseconds(50));
                zmq::multipart_t frames;
                while (frames.recv(m_router, ZMQ_DONTWAIT)) {
                    frames.send(m_router);
                    frames.clear();
                }
            }
        });
        m_dealer.set(zmq::sockopt::linger, 0);
        m_dealer.connect(endpoint);
        rig.sendOne = [this, body] {
            zmq::multipart_t frames;
            frames.addstr("Ping");
            frames.addstr("1");
            frames.addstr("");
            frames.addmem(body.data(), body.size());
            return frames.send(m_dealer);
        };
        rig.waitFor = [this](long n) {
            while (m_received < n) {
                zmq::multipart_t frames;
                if (!frames.recv(m_dealer))
                    return false;
                ++m_received;
            }
            return true;
        };
    }
    ~BareSide()
    {
        m_stop = true;
        m_echo.join();
    }
    Rig rig;

private:
    zmq::context_t m_context;
    zmq::socket_t m_router;
    zmq::socket_t m_dealer;
    std::atomic<bool> m_stop{false};
    std::thread m_echo;
    long m_received = 0;
};

void compare(const char* what, const std::string& body, long pingCount, long burstCount, long window);

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

void compare(const char* what, const std::string& body, long pingCount, long burstCount, long window)
{
    LayerSide layer(body);
    BareSide bare(body);
    if (!layer.ready()) {
        std::fprintf(stderr, "layer: not connected\n");
        return;
    }
    if (alternate(layer.rig, bare.rig, pingCount, burstCount, window))
        report(what, layer.rig.figures(), bare.rig.figures(), double(body.size()));
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_LOGGING_RULES", QByteArray("ulmar.messaging.debug=false"));
    const long small = argc > 1 ? std::max(100L, std::atol(argv[1])) : 5000;
    const std::string smallBody(64, 's');
    const std::string bigBody(1024 * 1024, 'b');

    std::printf(
        "Loopback round trips (echo), %ld small pings, %ld-message windowed bursts; the layer and bare "
        "ZeroMQ alternate in 10 rounds\n\n",
        small, small * 4);
    compare("64-byte body", smallBody, small, small * 4, 200);
    compare("1 MiB body", bigBody, 100, 200, 4);

    const int freezes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::vector<double> lost = benchFrozenLink(freezes);
    if (!lost.empty())
        std::printf("frozen link reported lost after: median %.0f ms, longest %.0f ms (%zu freezes)\n",
                    percentile(lost, 0.5), percentile(lost, 1.0), lost.size());
    return 0;
}
