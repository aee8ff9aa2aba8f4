// A unit that floods the application faster than its handlers can follow: the newest state always arrives,
// answers are not merged, and the log gets one summary line per second at most.

#include <QElapsedTimer>
#include <QtTest>

#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "MessagingTestSupport.h"

#include "Messenger.h"

using namespace Ulmar::Messaging;

namespace {
// A handler slower than the link, that remembers what it saw last.
class SlowHandler : public IResponseHandler
{
public:
    void handleResponse(std::shared_ptr<IResponse> response) override
    {
        std::this_thread::sleep_for(std::chrono::microseconds(20));
        std::lock_guard<std::mutex> lock(mutex);
        ++count;
        last = response->bodyAsString();
        all.push_back(last);
    }
    std::string lastBody()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return last;
    }
    std::mutex mutex;
    int count = 0;
    std::string last;
    std::vector<std::string> all;
};

// A unit written from the protocol document, whose sends block instead of dropping when the
// application falls behind: every message of the flood really reaches the application.
class BlockingUnit
{
public:
    BlockingUnit() : m_router(m_context, zmq::socket_type::router)
    {
        m_router.set(zmq::sockopt::linger, 0);
        m_router.set(zmq::sockopt::router_mandatory, 1);
        m_router.set(zmq::sockopt::rcvtimeo, 5000);
        m_router.bind("tcp://127.0.0.1:*");
        const std::string endpoint = m_router.get(zmq::sockopt::last_endpoint);
        m_port = static_cast<std::uint16_t>(std::stoi(endpoint.substr(endpoint.rfind(':') + 1)));
    }
    std::uint16_t port() const { return m_port; }
    // Answers the greeting; false if none came.
    bool greet()
    {
        for (;;) {
            zmq::multipart_t in;
            if (!in.recv(m_router))
                return false;
            if (in.size() == 5 && in[1].to_string() == "$HELLO") {
                m_peer = in[0].to_string();
                send("$WELCOME", "Flood");
                return true;
            }
        }
    }
    void send(const std::string& type, const std::string& text, const std::string& body = std::string())
    {
        zmq::multipart_t out;
        out.addstr(m_peer);
        out.addstr(type);
        out.addstr("1");
        out.addstr(text);
        out.addstr(body);
        out.send(m_router);
    }

private:
    zmq::context_t m_context{1};
    zmq::socket_t m_router;
    std::uint16_t m_port = 0;
    std::string m_peer;
};
} // namespace

class TestMessagingOverload : public QObject
{
    Q_OBJECT

private slots:
    void floodAlwaysEndsInTheFinalState();
};

void TestMessagingOverload::floodAlwaysEndsInTheFinalState()
{
    WarningLog log;
    QElapsedTimer clock;
    clock.start();
    BlockingUnit unit;
    auto messenger =
        std::make_shared<Messenger>(DiscoveryStrategyList{}, "VYRA", ITransport::TransportZeroMQ);
    auto observer = std::make_shared<RecordingObserver>();
    auto state = std::make_shared<SlowHandler>();
    auto other = std::make_shared<SlowHandler>();
    auto answers = std::make_shared<SlowHandler>();
    messenger->AddObserver(observer);
    messenger->registerStateRequest(makeMessage("GetStateNotification", {}, "1"), 0);
    messenger->registerStateRequest(makeMessage("GetOtherNotification", {}, "1"), 0);
    messenger->registerResponse("GetStateNotification", 1, state);
    messenger->registerResponse("GetOtherNotification", 1, other);
    messenger->registerResponse("Answer", 1, answers);
    messenger->setAutoReconnect(200);
    messenger->chooseUnit("127.0.0.1", "Flood", unit.port(), false, false);
    messenger->connect(5000);
    QVERIFY(unit.greet());
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);

    constexpr int kRounds = 3;
    constexpr int kFlood = 100000;
    for (int round = 0; round < kRounds; ++round) {
        for (int i = 0; i < kFlood; ++i) {
            unit.send("GetStateNotification", "",
                      "{\"round\":" + std::to_string(round) + ",\"n\":" + std::to_string(i) + "}");
            if (i % 1000 == 0)
                unit.send("GetOtherNotification", "", std::to_string(round * kFlood + i));
            if (i % 10000 == 0) // answers about different things: each one counts
                unit.send("Answer", "", "file" + std::to_string(round * kFlood + i));
        }
        const std::string final = "{\"round\":" + std::to_string(round) + ",\"final\":true}";
        unit.send("GetStateNotification", "", final);
        QTRY_COMPARE_WITH_TIMEOUT(state->lastBody(), final, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(other->lastBody(), std::to_string(round * kFlood + kFlood - 1000), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(answers->lastBody(),
                                  "file" + std::to_string(round * kFlood + kFlood - 10000), 30000);
    }
    QCOMPARE(observer->lost.load(), 0);
    {
        std::lock_guard<std::mutex> lock(answers->mutex);
        QCOMPARE(answers->count, kRounds * kFlood / 10000);
    }
    {
        // Older states may be skipped, never reordered.
        std::lock_guard<std::mutex> lock(other->mutex);
        for (std::size_t i = 1; i < other->all.size(); ++i)
            QVERIFY(std::stoi(other->all[i]) > std::stoi(other->all[i - 1]));
    }

    const auto summaries = log.lines(QStringLiteral("handlers are behind"));
    QVERIFY(qint64(summaries.size()) <= clock.elapsed() / 1000 + 1);
    for (std::size_t i = 1; i < summaries.size(); ++i)
        QVERIFY(summaries[i].first - summaries[i - 1].first >= 950);
    std::lock_guard<std::mutex> lock(state->mutex);
    qInfo("%d of %d state notifications handled, %zu summary lines in %lld ms", state->count,
          kRounds * (kFlood + 1), summaries.size(), static_cast<long long>(clock.elapsed()));
}

QTEST_GUILESS_MAIN(TestMessagingOverload)
#include "tst_messaging_overload.moc"
