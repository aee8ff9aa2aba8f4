// The link between a Messenger and a unit: greeting, state requests, reconnection, loss detection, unit
// switching, delivery rules and malformed or oversized input.

#include <QElapsedTimer>
#include <QtTest>

#include <condition_variable>

#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "MessagingTestSupport.h"

#include "BufferQueue.h"
#include "DirectHostParameter.h"
#include "Messenger.h"
#include "TcpRelay.h"
#include "UnitEndpoint.h"

using namespace Ulmar::Messaging;

namespace {
std::shared_ptr<Messenger> makeMessenger(unsigned reconnectMs = 200)
{
    auto m = std::make_shared<Messenger>(DiscoveryStrategyList{}, "VYRA", ITransport::TransportZeroMQ);
    m->setAutoReconnect(reconnectMs);
    return m;
}

// Counts replies; the test thread waits for a count without polling.
class ReplyCounter : public IResponseHandler
{
public:
    void handleResponse(std::shared_ptr<IResponse>) override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_count;
        }
        m_changed.notify_all();
    }
    bool waitFor(long count)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(20), [&] { return m_count >= count; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    long m_count = 0;
};

std::string allByteValues()
{
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes.push_back(static_cast<char>(i));
    return bytes;
}
} // namespace

class TestMessaging : public QObject
{
    Q_OBJECT

private slots:
    void greetingMakesTheLinkUp();
    void stateRequestsFollowEveryConnection();
    void unitRestartIsFollowedByQuickReconnection();
    void silentPeerIsReportedLost();
    void choosingAnotherUnitSwitchesTheLink();
    void connectBeforeChoosingIsRemembered();
    void attemptTimeoutIsReportedAndRetried();
    void disconnectStopsTheLink();
    void destroyingConnectedMessengerReportsDisconnected();
    void sendWhileDisconnectedIsRefusedAndNeverDelivered();
    void handlersMatchTypesExactlyOnAnotherThread();
    void repliesCrossingSendsAreAllRead();
    void binaryBodiesSurviveBothWays();
    void pooledBodiesAreNotReusedInFlight();
    void malformedFramesAreDropped();
    void oversizedMessagesAreRefused();
    void hostPortOverridesPortArgument();
    void directHostParameterIsParsedStrictly_data();
    void directHostParameterIsParsedStrictly();
    void unitSpeaksTheDocumentedProtocol();
    void unitForgetsPeersItCannotReach();
};

void TestMessaging::greetingMakesTheLinkUp()
{
    UnitEndpoint unit(unitOptions("Alpha"));
    UnitRecorder rec(unit);
    QVERIFY(unit.start());
    QVERIFY(unit.port() != 0);

    auto observer = std::make_shared<RecordingObserver>();
    auto messenger = makeMessenger();
    messenger->AddObserver(observer);
    QVERIFY(messenger->chooseUnit("127.0.0.1", "Alpha", unit.port(), false, false));
    QVERIFY(!messenger->isConnected());
    messenger->connect(3000);

    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);
    QVERIFY(messenger->isConnected());
    QCOMPARE(rec.greeted.load(), 1);
    QCOMPARE(unit.peers().size(), std::size_t(1));
    // A second connect while up changes nothing.
    messenger->connect(3000);
    QTest::qWait(300);
    QCOMPARE(observer->connected.load(), 1);
    QCOMPARE(observer->lost.load(), 0);
    QCOMPARE(rec.greeted.load(), 1);
}

void TestMessaging::stateRequestsFollowEveryConnection()
{
    UnitEndpoint unit(unitOptions("Alpha"));
    UnitRecorder rec(unit);
    QVERIFY(unit.start());

    auto observer = std::make_shared<RecordingObserver>();
    auto messenger = makeMessenger();
    messenger->AddObserver(observer);
    messenger->registerStateRequest(makeMessage("GetA", {}, "1"), 0);
    messenger->registerStateRequest(makeMessage("GetB", {}, "1"), 0);
    messenger->chooseUnit("127.0.0.1", "Alpha", unit.port(), false, false);
    messenger->connect(3000);

    QTRY_COMPARE_WITH_TIMEOUT(rec.types().size(), std::size_t(2), 5000);
    QCOMPARE(rec.types(), (std::vector<std::string>{"GetA", "GetB"}));
    QCOMPARE(rec.messages()[0]->getText(), std::string("1"));

    // Registered while up: asked at once, and in order with the others after the next connection.
    messenger->registerStateRequest(makeMessage("GetC", {}, "1"), 0);
    QTRY_COMPARE_WITH_TIMEOUT(rec.count("GetC"), 1, 5000);

    rec.clear();
    unit.dropAllPeers();
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 2, 8000);
    QTRY_COMPARE_WITH_TIMEOUT(rec.types().size(), std::size_t(3), 5000);
    QCOMPARE(rec.types(), (std::vector<std::string>{"GetA", "GetB", "GetC"}));
    QCOMPARE(observer->lost.load(), 1);
}

void TestMessaging::unitRestartIsFollowedByQuickReconnection()
{
    UnitEndpoint unit(unitOptions("Alpha"));
    UnitRecorder rec(unit);
    QVERIFY(unit.start());
    const auto port = unit.port();

    auto observer = std::make_shared<RecordingObserver>();
    auto messenger = makeMessenger(200);
    messenger->AddObserver(observer);
    messenger->registerStateRequest(makeMessage("GetA", {}, "1"), 0);
    messenger->chooseUnit("127.0.0.1", "Alpha", port, false, false);
    messenger->connect(3000);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);

    unit.stop();
    QTRY_COMPARE_WITH_TIMEOUT(observer->lost.load(), 1, 5000);
    QVERIFY(!messenger->isConnected());
    QVERIFY(!messenger->send(makeMessage("SetX")));

    QElapsedTimer timer;
    timer.start();
    QVERIFY(unit.start());
    QCOMPARE(unit.port(), port);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 2, 5000);
    // About one reconnection interval plus a handshake; generous for a loaded machine.
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
    QTRY_COMPARE_WITH_TIMEOUT(rec.count("GetA"), 2, 5000);
    QCOMPARE(observer->disconnected.load(), 0);
}

void TestMessaging::silentPeerIsReportedLost()
{
    UnitEndpoint unit(unitOptions("Alpha"));
    QVERIFY(unit.start());
    TcpRelay relay(unit.port());

    auto observer = std::make_shared<RecordingObserver>();
    auto messenger = makeMessenger(200);
    messenger->AddObserver(observer);
    messenger->chooseUnit("127.0.0.1", "Alpha", relay.port(), false, false);
    messenger->connect(3000);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);

    QElapsedTimer timer;
    timer.start();
    relay.freeze(); // no FIN, no RST: only heartbeats can tell
    QTRY_COMPARE_WITH_TIMEOUT(observer->lost.load(), 1, 10000);
    QVERIFY(!messenger->isConnected());
    QVERIFY2(timer.elapsed() < 8000, qPrintable(QString::number(timer.elapsed())));

    relay.thaw();
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 2, 10000);
    QVERIFY(relay.connectionCount() >= 2);
}

void TestMessaging::choosingAnotherUnitSwitchesTheLink()
{
    UnitEndpoint alpha(unitOptions("Alpha"));
    UnitEndpoint beta(unitOptions("Beta"));
    UnitRecorder recA(alpha);
    UnitRecorder recB(beta);
    QVERIFY(alpha.start());
    QVERIFY(beta.start());

    auto observer = std::make_shared<RecordingObserver>();
    auto messenger = makeMessenger();
    messenger->AddObserver(observer);
    messenger->registerStateRequest(makeMessage("GetA", {}, "1"), 0);
    messenger->chooseUnit("127.0.0.1", "Alpha", alpha.port(), false, false);
    messenger->connect(3000);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);

    // Choosing the same unit again keeps the link.
    QVERIFY(messenger->chooseUnit("127.0.0.1", "Alpha", alpha.port(), false, false));
    QVERIFY(messenger->chooseUnit("127.0.0.1", "Beta", beta.port(), false, false));
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 2, 5000);
    QCOMPARE(observer->disconnected.load(), 1);
    QCOMPARE(observer->lost.load(), 0);
    QCOMPARE(messenger->chosenUnit().name, std::string("Beta"));
    QTRY_COMPARE_WITH_TIMEOUT(recB.count("GetA"), 1, 5000);

    QVERIFY(messenger->send(makeMessage("SetX")));
    QTRY_COMPARE_WITH_TIMEOUT(recB.count("SetX"), 1, 5000);
    QCOMPARE(recA.count("SetX"), 0);
    QCOMPARE(recA.count("GetA"), 1);
}

void TestMessaging::connectBeforeChoosingIsRemembered()
{
    UnitEndpoint unit(unitOptions("Alpha"));
    QVERIFY(unit.start());
    auto observer = std::make_shared<RecordingObserver>();
    auto messenger = makeMessenger();
    messenger->AddObserver(observer);
    QVERIFY(!messenger->connect(3000)); // nothing chosen yet
    QTest::qWait(200);
    QCOMPARE(observer->connected.load(), 0);
    QVERIFY(messenger->chooseUnit("127.0.0.1", "Alpha", unit.port(), false, false));
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);
    QCOMPARE(observer->disconnected.load(), 0);
}

void TestMessaging::attemptTimeoutIsReportedAndRetried()
{
    const std::uint16_t port = freeTcpPort();
    auto observer = std::make_shared<RecordingObserver>();
    auto messenger = makeMessenger(100);
    messenger->AddObserver(observer);
    messenger->chooseUnit("127.0.0.1", "Late", port, false, false);
    messenger->connect(400);
    QTRY_VERIFY_WITH_TIMEOUT(observer->lost.load() >= 1, 5000);
    QVERIFY(!messenger->isConnected());
    QCOMPARE(observer->connected.load(), 0);

    auto options = unitOptions("Late");
    options.port = port;
    UnitEndpoint unit(options);
    QVERIFY(unit.start());
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);
}

void TestMessaging::disconnectStopsTheLink()
{
    UnitEndpoint unit(unitOptions("Alpha"));
    UnitRecorder rec(unit);
    QVERIFY(unit.start());
    auto observer = std::make_shared<RecordingObserver>();
    auto messenger = makeMessenger(100);
    messenger->AddObserver(observer);
    messenger->chooseUnit("127.0.0.1", "Alpha", unit.port(), false, false);
    messenger->connect(3000);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);

    messenger->disconnect();
    QTRY_COMPARE_WITH_TIMEOUT(observer->disconnected.load(), 1, 5000);
    QVERIFY(!messenger->isConnected());
    QTest::qWait(700); // several reconnection intervals
    QCOMPARE(observer->connected.load(), 1);
    QCOMPARE(observer->lost.load(), 0);
    QCOMPARE(rec.greeted.load(), 1);

    messenger->connect(3000);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 2, 5000);
}

void TestMessaging::destroyingConnectedMessengerReportsDisconnected()
{
    UnitEndpoint unit(unitOptions("Alpha"));
    QVERIFY(unit.start());
    auto observer = std::make_shared<RecordingObserver>();
    auto expired = std::make_shared<RecordingObserver>();
    auto messenger = makeMessenger();
    messenger->AddObserver(observer);
    messenger->AddObserver(expired);
    expired.reset(); // skipped, not a crash
    messenger->chooseUnit("127.0.0.1", "Alpha", unit.port(), false, false);
    messenger->connect(3000);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);
    messenger.reset();
    QCOMPARE(observer->disconnected.load(), 1);
    QCOMPARE(observer->lost.load(), 0);
}

void TestMessaging::sendWhileDisconnectedIsRefusedAndNeverDelivered()
{
    UnitEndpoint unit(unitOptions("Alpha"));
    UnitRecorder rec(unit);
    QVERIFY(unit.start());
    auto observer = std::make_shared<RecordingObserver>();
    auto messenger = makeMessenger();
    messenger->AddObserver(observer);
    messenger->chooseUnit("127.0.0.1", "Alpha", unit.port(), false, false);

    QVERIFY(!messenger->send(makeMessage("Stale", "{\"v\":1}")));
    messenger->connect(3000);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);
    QVERIFY(messenger->send(makeMessage("Fresh")));
    QTRY_COMPARE_WITH_TIMEOUT(rec.count("Fresh"), 1, 5000);
    QCOMPARE(rec.count("Stale"), 0);
    QVERIFY(!messenger->send(makeMessage("$HELLO"))); // reserved for the link
}

void TestMessaging::handlersMatchTypesExactlyOnAnotherThread()
{
    UnitEndpoint unit(unitOptions("Alpha"));
    QVERIFY(unit.start());
    auto observer = std::make_shared<RecordingObserver>();
    auto messenger = makeMessenger();
    messenger->AddObserver(observer);

    auto replaced = std::make_shared<RecordingHandler>();
    auto shared = std::make_shared<RecordingHandler>();
    messenger->registerResponse("Status", 1, replaced);
    messenger->registerResponse("Status", 1, shared); // one handler per type: the later wins
    messenger->registerResponse("SetName", 1, shared);
    QCOMPARE(messenger->registeredResponses().size(), std::size_t(2));

    messenger->chooseUnit("127.0.0.1", "Alpha", unit.port(), false, false);
    messenger->connect(3000);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(unit.peers().size(), std::size_t(1), 5000);

    unit.broadcast(makeMessage("status")); // wrong case
    unit.broadcast(makeMessage("Unregistered"));
    unit.broadcast(makeMessage("Status", "{\"a\":1}"));
    unit.broadcast(makeMessage("SetName", "{\"name\":\"x\"}"));
    QTRY_COMPARE_WITH_TIMEOUT(shared->count(), 2, 5000);
    QTest::qWait(100);
    const auto got = shared->snapshot();
    QCOMPARE(got.size(), std::size_t(2));
    QCOMPARE(got[0]->getMessageType(), std::string("Status"));
    QCOMPARE(got[1]->getMessageType(), std::string("SetName"));
    QCOMPARE(got[0]->bodyAsString(), std::string("{\"a\":1}"));
    QCOMPARE(replaced->count(), 0);
    std::lock_guard<std::mutex> lock(shared->mutex);
    for (const auto& id : shared->threads)
        QVERIFY(id != std::this_thread::get_id());
}

void TestMessaging::repliesCrossingSendsAreAllRead()
{
    // Callers send on the socket themselves while the I/O thread sleeps until the socket has news of a
    // reply. A send may take that news in passing; the reply must still be read, or with a window of
    // messages in flight everything stops.
    UnitEndpoint unit(unitOptions("Alpha"));
    UnitEndpoint* unitPtr = &unit;
    unit.setMessageCallback([unitPtr](const UnitEndpoint::PeerId& peer, std::shared_ptr<IMessage> message) {
        unitPtr->sendTo(peer, std::make_shared<IMessage>("Echo", 1, "", message->body()));
    });
    QVERIFY(unit.start());
    auto observer = std::make_shared<RecordingObserver>();
    auto replies = std::make_shared<ReplyCounter>();
    auto messenger = makeMessenger();
    messenger->AddObserver(observer);
    messenger->registerResponse("Echo", 1, replies);
    messenger->chooseUnit("127.0.0.1", "Alpha", unit.port(), false, false);
    messenger->connect(3000);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);

    const auto ping = makeMessage("Ping", "{}");
    constexpr long kMessages = 5000;
    for (const long window : {1L, 3L, 16L}) {
        long sent = 0;
        const long base = window == 1 ? 0 : (window == 3 ? kMessages : 2 * kMessages);
        for (long i = 0; i < kMessages; ++i) {
            if (i >= window && !replies->waitFor(base + i - window + 1))
                QFAIL(
                    qPrintable(QString("reply %1 of window %2 never read").arg(i - window + 1).arg(window)));
            QVERIFY(messenger->send(ping));
            ++sent;
        }
        QVERIFY(replies->waitFor(base + sent));
    }
    QCOMPARE(observer->lost.load(), 0);
}

void TestMessaging::binaryBodiesSurviveBothWays()
{
    UnitEndpoint unit(unitOptions("Alpha"));
    UnitRecorder rec(unit);
    QVERIFY(unit.start());
    auto observer = std::make_shared<RecordingObserver>();
    auto handler = std::make_shared<RecordingHandler>();
    auto messenger = makeMessenger();
    messenger->AddObserver(observer);
    messenger->registerResponse("GetImageData", 1, handler);
    messenger->chooseUnit("127.0.0.1", "Alpha", unit.port(), false, false);
    messenger->connect(3000);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);

    const std::string bytes = allByteValues();
    QVERIFY(messenger->send(makeMessage("GetImageData", bytes, "poster.jpg")));
    QTRY_COMPARE_WITH_TIMEOUT(rec.count("GetImageData"), 1, 5000);
    QCOMPARE(rec.messages()[0]->bodyAsString(), bytes);
    QCOMPARE(rec.messages()[0]->getText(), std::string("poster.jpg"));

    unit.broadcast(makeMessage("GetImageData", bytes));
    unit.broadcast(makeMessage("GetImageData")); // no body at all
    QTRY_COMPARE_WITH_TIMEOUT(handler->count(), 2, 5000);
    const auto got = handler->snapshot();
    QVERIFY(got[0]->body());
    QCOMPARE(got[0]->bodyAsString(), bytes);
    QCOMPARE(got[0]->getVersion(), 1u);
    QVERIFY(!got[1]->body());
}

void TestMessaging::pooledBodiesAreNotReusedInFlight()
{
    UnitEndpoint unit(unitOptions("Alpha"));
    UnitRecorder rec(unit);
    QVERIFY(unit.start());
    TcpRelay relay(unit.port());
    auto observer = std::make_shared<RecordingObserver>();
    auto messenger = makeMessenger();
    messenger->AddObserver(observer);
    messenger->chooseUnit("127.0.0.1", "Alpha", relay.port(), false, false);
    messenger->connect(3000);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);

    // Large bodies leave without a copy; the pool must not lend their buffer again before they are sent.
    // The frozen relay keeps them in flight while the next ones are written.
    const std::size_t size = 1024 * 1024;
    auto pool = BufferQueue::Create(1, size); // big enough to keep such buffers
    relay.freeze();
    for (int i = 0; i < 8; ++i) {
        auto managed = pool->AcquireBuffer(size, true);
        const std::string fill(size, static_cast<char>('a' + i));
        managed->GetBuffer()->AppendDataPtr(fill.data(), fill.size());
        QVERIFY(messenger->send(std::make_shared<IMessage>("Chunk", 1, std::to_string(i), managed)));
        QTest::qWait(20); // let the I/O thread take it
    }
    relay.thaw();
    QTRY_COMPARE_WITH_TIMEOUT(rec.count("Chunk"), 8, 10000);
    const auto got = rec.messages();
    for (int i = 0; i < 8; ++i) {
        const auto& m = got[static_cast<std::size_t>(i)];
        QCOMPARE(m->getText(), std::to_string(i));
        QCOMPARE(m->bodyAsString(), std::string(size, static_cast<char>('a' + i)));
    }
    QCOMPARE(observer->lost.load(), 0);
}

void TestMessaging::malformedFramesAreDropped()
{
    UnitEndpoint unit(unitOptions("Alpha"));
    QVERIFY(unit.start());
    auto observer = std::make_shared<RecordingObserver>();
    auto handler = std::make_shared<RecordingHandler>();
    auto messenger = makeMessenger();
    messenger->AddObserver(observer);
    messenger->registerResponse("Status", 1, handler);
    messenger->chooseUnit("127.0.0.1", "Alpha", unit.port(), false, false);
    messenger->connect(3000);
    QTRY_COMPARE_WITH_TIMEOUT(unit.peers().size(), std::size_t(1), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);
    const auto peer = unit.peers().front();

    QVERIFY(unit.sendRawFrames(peer, {"Status", "1"}));
    QVERIFY(unit.sendRawFrames(peer, {"Status", "1", "", "", "extra"}));
    QVERIFY(unit.sendRawFrames(peer, {"Status", "one", "", ""}));
    QVERIFY(unit.sendRawFrames(peer, {"Status", "4294967296", "", ""}));
    QVERIFY(unit.sendRawFrames(peer, {"Status", "", "", ""}));
    QVERIFY(unit.sendRawFrames(peer, {"Status", "4294967295", "last", ""}));
    QTRY_COMPARE_WITH_TIMEOUT(handler->count(), 1, 5000);
    QTest::qWait(100);
    QCOMPARE(handler->count(), 1);
    QCOMPARE(handler->snapshot()[0]->getText(), std::string("last"));
    QCOMPARE(handler->snapshot()[0]->getVersion(), 4294967295u);
    QVERIFY(messenger->isConnected());
    QCOMPARE(observer->lost.load(), 0);
}

void TestMessaging::oversizedMessagesAreRefused()
{
    UnitEndpoint unit(unitOptions("Alpha"));
    UnitRecorder rec(unit);
    QVERIFY(unit.start());
    auto observer = std::make_shared<RecordingObserver>();
    auto handler = std::make_shared<RecordingHandler>();
    auto messenger = makeMessenger(100);
    messenger->AddObserver(observer);
    messenger->registerResponse("Big", 1, handler);
    messenger->chooseUnit("127.0.0.1", "Alpha", unit.port(), false, false);
    messenger->connect(3000);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);

    // The same limit as on an encrypted link, although a plain one would carry up to 16 MiB.
    QVERIFY(messenger->send(makeMessage("Big", std::string(Messenger::kMaxFrameBytes, 'x'))));
    QTRY_COMPARE_WITH_TIMEOUT(rec.count("Big"), 1, 10000);
    QVERIFY(!messenger->send(makeMessage("Big", std::string(Messenger::kMaxFrameBytes + 1, 'x'))));
    QVERIFY(!messenger->send(makeMessage(std::string(Messenger::kMaxFrameBytes + 1, 'T'))));

    const std::string huge(16 * 1024 * 1024 + 1, 'x');

    // From the unit: the application's socket refuses it and drops that connection, then reconnects.
    unit.broadcast(makeMessage("Big", huge));
    QTRY_COMPARE_WITH_TIMEOUT(observer->lost.load(), 1, 8000);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 2, 8000);
    QCOMPARE(handler->count(), 0);

    unit.broadcast(makeMessage("Big", "small"));
    QTRY_COMPARE_WITH_TIMEOUT(handler->count(), 1, 5000);
    QVERIFY(messenger->send(makeMessage("After")));
    QTRY_COMPARE_WITH_TIMEOUT(rec.count("After"), 1, 5000);
}

void TestMessaging::hostPortOverridesPortArgument()
{
    UnitEndpoint unit(unitOptions("Alpha"));
    QVERIFY(unit.start());
    auto observer = std::make_shared<RecordingObserver>();
    auto strategy = std::make_shared<DiscoveryStrategyInfo>(
        DiscoveryStrategyInfo::DirectHost, "plain;127.0.0.1:" + std::to_string(unit.port()) + ";12740", 1500);
    auto messenger =
        std::make_shared<Messenger>(DiscoveryStrategyList{strategy}, "VYRA", ITransport::TransportZeroMQ);
    messenger->setAutoReconnect(200);
    messenger->AddObserver(observer);
    // The fixed host of the strategy is the unit until another is chosen.
    QVERIFY(messenger->chosenUnit().valid);
    QCOMPARE(messenger->chosenUnit().port, std::uint16_t(12740));
    QVERIFY(!messenger->chosenUnit().encrypted);
    messenger->connect(3000);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);
}

void TestMessaging::directHostParameterIsParsedStrictly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("encrypted");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("written"); // text() of the result

    QTest::newRow("encrypted host name") << "encrypted;unit.local;12740" << true << true << "unit.local"
                                         << 12740 << "encrypted;unit.local;12740";
    QTest::newRow("plain, host with its own port")
        << "plain;127.0.0.1:23456;1" << true << false << "127.0.0.1:23456" << 1 << "plain;127.0.0.1:23456;1";
    QTest::newRow("IPv6 host, highest port")
        << "encrypted;fe80::1;65535" << true << true << "fe80::1" << 65535 << "encrypted;fe80::1;65535";
    QTest::newRow("other mode is plain") << "Encrypted;h;5" << true << false << "h" << 5 << "plain;h;5";
    QTest::newRow("leading zeros") << "encrypted;h;00080" << true << true << "h" << 80 << "encrypted;h;80";

    const auto refused = [](const char* name, const char* text) {
        QTest::newRow(name) << text << false << false << "" << 0 << "";
    };
    refused("empty", "");
    refused("mode only", "encrypted");
    refused("no port field", "encrypted;unit.local");
    refused("empty host", "encrypted;;12740");
    refused("empty port", "encrypted;unit.local;");
    refused("port 0", "encrypted;unit.local;0");
    refused("port above 65535", "encrypted;unit.local;65536");
    refused("port with a letter", "encrypted;unit.local;12a40");
    refused("negative port", "encrypted;unit.local;-1");
    refused("port with a space", "encrypted;unit.local; 80");
    refused("six-digit port", "encrypted;unit.local;012740");
    refused("port beyond any integer", "encrypted;unit.local;99999999999999999999999");
}

void TestMessaging::directHostParameterIsParsedStrictly()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    const auto parsed = DirectHostParameter::parse(text.toStdString());
    QCOMPARE(parsed.has_value(), valid);
    if (!valid)
        return;
    QFETCH(bool, encrypted);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, written);
    QCOMPARE(parsed->encrypted, encrypted);
    QCOMPARE(QString::fromStdString(parsed->host), host);
    QCOMPARE(int(parsed->port), port);
    QCOMPARE(QString::fromStdString(parsed->text()), written);
    const auto again = DirectHostParameter::parse(parsed->text());
    QVERIFY(again && again->encrypted == parsed->encrypted && again->host == parsed->host &&
            again->port == parsed->port);
}

void TestMessaging::unitSpeaksTheDocumentedProtocol()
{
    UnitEndpoint unit(unitOptions("Den"));
    UnitRecorder rec(unit);
    QVERIFY(unit.start());

    // A bare DEALER, as a third-party client would write it from the protocol document.
    zmq::context_t context(1);
    zmq::socket_t dealer(context, zmq::socket_type::dealer);
    dealer.set(zmq::sockopt::linger, 0);
    dealer.set(zmq::sockopt::rcvtimeo, 5000);
    dealer.connect("tcp://127.0.0.1:" + std::to_string(unit.port()));
    auto sendFrames = [&](const std::vector<std::string>& frames) {
        zmq::multipart_t m;
        for (const auto& f : frames)
            m.addstr(f);
        m.send(dealer);
    };

    sendFrames({"Early", "1", "", ""}); // before greeting: dropped
    sendFrames({"$HELLO", "1", "1", "{\"service\":\"VYRA\"}"});
    zmq::multipart_t welcome;
    QVERIFY(welcome.recv(dealer));
    QCOMPARE(welcome.size(), std::size_t(4));
    QCOMPARE(welcome[0].to_string(), std::string("$WELCOME"));
    QCOMPARE(welcome[1].to_string(), std::string("1"));
    QCOMPARE(welcome[2].to_string(), std::string("Den"));
    QCOMPARE(welcome[3].size(), std::size_t(0));

    sendFrames({"Later", "1"});            // two frames: dropped
    sendFrames({"Later", "v1", "", "x"});  // version not decimal: dropped
    sendFrames({"$UNKNOWN", "1", "", ""}); // unknown control message: dropped
    sendFrames({"Later", "1", "t", "body"});
    QTRY_COMPARE_WITH_TIMEOUT(rec.types().size(), std::size_t(1), 5000);
    QCOMPARE(rec.types().front(), std::string("Later"));
    QCOMPARE(rec.messages().front()->bodyAsString(), std::string("body"));
    QCOMPARE(rec.greeted.load(), 1);

    unit.setUnitName("Renamed");
    sendFrames({"$HELLO", "1", "1", "{\"service\":\"VYRA\"}"}); // greeting again is answered again
    zmq::multipart_t again;
    QVERIFY(again.recv(dealer));
    QCOMPARE(again[2].to_string(), std::string("Renamed"));
    QCOMPARE(rec.greeted.load(), 1);
}

void TestMessaging::unitForgetsPeersItCannotReach()
{
    UnitEndpoint unit(unitOptions("Alpha"));
    UnitRecorder rec(unit);
    QVERIFY(unit.start());
    auto observer = std::make_shared<RecordingObserver>();
    auto messenger = makeMessenger();
    messenger->AddObserver(observer);
    messenger->chooseUnit("127.0.0.1", "Alpha", unit.port(), false, false);
    messenger->connect(3000);
    QTRY_COMPARE_WITH_TIMEOUT(unit.peers().size(), std::size_t(1), 5000);
    const auto peer = unit.peers().front();
    messenger.reset();

    // The peer goes when a send to it fails, not before.
    QTRY_VERIFY_WITH_TIMEOUT((unit.sendTo(peer, makeMessage("Ping")), rec.gone.load() == 1), 5000);
    QVERIFY(unit.peers().empty());
    QVERIFY(!unit.sendTo(peer, makeMessage("Ping")));
}

QTEST_GUILESS_MAIN(TestMessaging)
#include "tst_messaging.moc"
