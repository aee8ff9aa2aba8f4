// Encrypted links: keys from announcements or from a unicast query, refusal of wrong or missing keys.

#include <QtTest>

#include "Discoverer.h"
#include "MessagingTestSupport.h"
#include "Messenger.h"
#include "QAutoDiscoveryComponent.h"
#include "UnitEndpoint.h"

using namespace Ulmar::Messaging;

namespace {
UnitEndpoint::Options encryptedOptions(const std::string& name, std::uint16_t discoveryPort = 0)
{
    auto o = unitOptions(name, discoveryPort);
    o.encrypted = true;
    auto keys = UnitEndpoint::generateKeyPair();
    o.publicKey = keys.first;
    o.secretKey = keys.second;
    return o;
}

std::shared_ptr<Messenger> discoveringMessenger(std::uint16_t discoveryPort)
{
    auto strategy = std::make_shared<DiscoveryStrategyInfo>(DiscoveryStrategyInfo::LanDiscovery,
                                                            std::to_string(discoveryPort), 5000);
    auto m =
        std::make_shared<Messenger>(DiscoveryStrategyList{strategy}, "VYRA", ITransport::TransportZeroMQ);
    m->setAutoReconnect(200);
    return m;
}

std::string announcementDatagram(const std::string& name, std::uint16_t port, bool encrypted,
                                 const std::string& key)
{
    return "{\"v\":1,\"service\":\"VYRA\",\"name\":\"" + name + "\",\"port\":" + std::to_string(port) +
           ",\"encrypted\":" + (encrypted ? "true" : "false") + ",\"key\":\"" + key + "\"}";
}
} // namespace

class TestMessagingCrypto : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_discovery.Resume(); }
    void cleanupTestCase() { m_discovery.Shutdown(); }

    void keyPairsAreFreshZ85();
    void discoveredEncryptedUnitConnects();
    void fixedHostKeyComesFromQuery();
    void wrongKeyIsNeverConnected();
    void encryptedUnitWithoutKeyIsNotReachedInPlainText();
    void unansweredQueryFailsTheAttempt();
    void largestFrameCrossesAnEncryptedLink();

private:
    Ulmar::QAutoDiscoveryComponent m_discovery;
};

void TestMessagingCrypto::keyPairsAreFreshZ85()
{
    const auto a = UnitEndpoint::generateKeyPair();
    const auto b = UnitEndpoint::generateKeyPair();
    QCOMPARE(a.first.size(), std::size_t(40));
    QCOMPARE(a.second.size(), std::size_t(40));
    QVERIFY(a.first != b.first);
    QVERIFY(a.first != a.second);
}

void TestMessagingCrypto::discoveredEncryptedUnitConnects()
{
    const auto discoveryPort = freeUdpPort();
    auto messenger = discoveringMessenger(discoveryPort);
    auto observer = std::make_shared<RecordingObserver>();
    messenger->AddObserver(observer);
    messenger->connect(3000);

    UnitEndpoint unit(encryptedOptions("Secret", discoveryPort));
    UnitRecorder rec(unit);
    QVERIFY(unit.start());
    auto discoverer = messenger->getDiscoverer();
    QTRY_COMPARE_WITH_TIMEOUT(discoverer->getDiscovered().size(), std::size_t(1), 5000);
    const auto found = discoverer->getDiscovered().front();
    QVERIFY(found.isEncrypted());
    QCOMPARE(found.getPublicKey(), unit.options().publicKey);

    QVERIFY(messenger->chooseUnit(found.getAddress(), found.getName(), found.getPort(), true, true));
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);
    QVERIFY(messenger->send(makeMessage("SetX", "{\"x\":1}")));
    QTRY_COMPARE_WITH_TIMEOUT(rec.count("SetX"), 1, 5000);
    QCOMPARE(rec.messages()[0]->bodyAsString(), std::string("{\"x\":1}"));

    // A unit the discoverer does not know cannot be the user's choice.
    QVERIFY(!messenger->chooseUnit(found.getAddress(), "Other", found.getPort(), true, true));
    QCOMPARE(messenger->chosenUnit().name, std::string("Secret"));
}

void TestMessagingCrypto::fixedHostKeyComesFromQuery()
{
    auto options = encryptedOptions("Fixed");
    UnitEndpoint unit(options);
    QVERIFY(unit.start());
    auto messenger = discoveringMessenger(freeUdpPort());
    auto observer = std::make_shared<RecordingObserver>();
    messenger->AddObserver(observer);
    QVERIFY(messenger->chooseUnit("127.0.0.1", "127.0.0.1", unit.port(), true, false));
    messenger->connect(3000);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);

    // The key is asked for again on every attempt: a restarted unit with a new key is still reached.
    unit.stop();
    QTRY_COMPARE_WITH_TIMEOUT(observer->lost.load(), 1, 5000);
    auto renewed = options;
    renewed.port = unit.port();
    auto keys = UnitEndpoint::generateKeyPair();
    renewed.publicKey = keys.first;
    renewed.secretKey = keys.second;
    UnitEndpoint restarted(renewed);
    QVERIFY(restarted.start());
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 2, 8000);
}

void TestMessagingCrypto::wrongKeyIsNeverConnected()
{
    const auto discoveryPort = freeUdpPort();
    auto options = encryptedOptions("Secret");
    options.announce = false;
    UnitEndpoint unit(options);
    UnitRecorder rec(unit);
    QVERIFY(unit.start());
    auto messenger = discoveringMessenger(discoveryPort);
    auto observer = std::make_shared<RecordingObserver>();
    messenger->AddObserver(observer);

    // An announcement carrying somebody else's key.
    const std::string wrongKey = UnitEndpoint::generateKeyPair().first;
    sendDatagram(discoveryPort, announcementDatagram("Secret", unit.port(), true, wrongKey));
    QTRY_COMPARE_WITH_TIMEOUT(messenger->getDiscoverer()->getDiscovered().size(), std::size_t(1), 5000);
    QVERIFY(messenger->chooseUnit("127.0.0.1", "Secret", unit.port(), true, true));
    messenger->connect(600);

    QTRY_VERIFY_WITH_TIMEOUT(observer->lost.load() >= 1, 5000);
    QTest::qWait(300);
    QCOMPARE(observer->connected.load(), 0);
    QVERIFY(!messenger->isConnected());
    QCOMPARE(rec.greeted.load(), 0);
    std::lock_guard<std::mutex> lock(observer->mutex);
    QVERIFY(!observer->errors.empty()); // the failed handshake is reported
}

void TestMessagingCrypto::encryptedUnitWithoutKeyIsNotReachedInPlainText()
{
    const auto discoveryPort = freeUdpPort();
    auto options = unitOptions("Plain"); // a plain unit: a plain connection would succeed
    UnitEndpoint unit(options);
    UnitRecorder rec(unit);
    QVERIFY(unit.start());
    auto messenger = discoveringMessenger(discoveryPort);
    auto observer = std::make_shared<RecordingObserver>();
    messenger->AddObserver(observer);

    // Fixed host chosen as encrypted: the query is answered, without a key.
    QVERIFY(messenger->chooseUnit("127.0.0.1", "127.0.0.1", unit.port(), true, false));
    messenger->connect(500);
    QTRY_VERIFY_WITH_TIMEOUT(observer->lost.load() >= 1, 5000);

    // Discovered unit that claims to be encrypted but gives no key.
    sendDatagram(discoveryPort, announcementDatagram("Plain", unit.port(), true, ""));
    QTRY_COMPARE_WITH_TIMEOUT(messenger->getDiscoverer()->getDiscovered().size(), std::size_t(1), 5000);
    QVERIFY(messenger->chooseUnit("127.0.0.1", "Plain", unit.port(), false, true));
    const int lostBefore = observer->lost.load();
    QTRY_VERIFY_WITH_TIMEOUT(observer->lost.load() > lostBefore, 5000);

    QCOMPARE(observer->connected.load(), 0);
    QCOMPARE(rec.greeted.load(), 0);

    // The same unit chosen as plain (and announced as plain) is reached.
    messenger->chooseUnit("127.0.0.1", "127.0.0.1", unit.port(), false, false);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);
}

void TestMessagingCrypto::unansweredQueryFailsTheAttempt()
{
    auto messenger = discoveringMessenger(freeUdpPort());
    auto observer = std::make_shared<RecordingObserver>();
    messenger->AddObserver(observer);
    messenger->chooseUnit("127.0.0.1", "Nobody", freeUdpPort(), true, false);
    messenger->connect(400);
    QTRY_VERIFY_WITH_TIMEOUT(observer->lost.load() >= 2, 5000); // reported per attempt, retried
    QCOMPARE(observer->connected.load(), 0);
}

void TestMessagingCrypto::largestFrameCrossesAnEncryptedLink()
{
    UnitEndpoint unit(encryptedOptions("Secret"));
    UnitRecorder rec(unit);
    QVERIFY(unit.start());
    auto messenger = discoveringMessenger(freeUdpPort());
    auto observer = std::make_shared<RecordingObserver>();
    auto handler = std::make_shared<RecordingHandler>();
    messenger->AddObserver(observer);
    messenger->registerResponse("Big", 1, handler);
    QVERIFY(messenger->chooseUnit("127.0.0.1", "127.0.0.1", unit.port(), true, false));
    messenger->connect(3000);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);

    // Encryption makes each frame 33 bytes longer on the wire, where the 16 MiB limit applies.
    const std::string largest(Messenger::kMaxFrameBytes, 'x');
    QVERIFY(messenger->send(makeMessage("Big", largest)));
    QVERIFY(!messenger->send(makeMessage("Big", largest + 'x')));
    QTRY_COMPARE_WITH_TIMEOUT(rec.count("Big"), 1, 10000);
    QCOMPARE(rec.messages()[0]->body()->GetBuffer()->size(), Messenger::kMaxFrameBytes);

    unit.broadcast(makeMessage("Big", largest));
    QTRY_COMPARE_WITH_TIMEOUT(handler->count(), 1, 10000);
    QVERIFY(messenger->send(makeMessage("After")));
    QTRY_COMPARE_WITH_TIMEOUT(rec.count("After"), 1, 5000);
    QCOMPARE(observer->lost.load(), 0);

    // One byte more from the unit costs the connection: the limit is the real one.
    unit.broadcast(makeMessage("Big", largest + 'x'));
    QTRY_COMPARE_WITH_TIMEOUT(observer->lost.load(), 1, 8000);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 2, 8000);
    QCOMPARE(handler->count(), 1);
}

QTEST_GUILESS_MAIN(TestMessagingCrypto)
#include "tst_messaging_crypto.moc"
