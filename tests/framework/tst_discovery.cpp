// Discovery: the Discoverer's list, validation of announcement datagrams, live listening switched by the
// discovery component, and the component exports.

#include <QtTest>

#include <zmq.h>

#include "../../framework/messaging/DiscoveryListener.h"
#include "ComponentRepository.h"
#include "Discoverer.h"
#include "MessagingTestSupport.h"
#include "Messenger.h"
#include "QAutoDiscoveryComponent.h"
#include "UnitEndpoint.h"
#include "ZCommComponent.h"

using namespace Ulmar::Messaging;
using tavik::Messaging::Discovered;
using tavik::Messaging::Discoverer;

namespace {
std::shared_ptr<Messenger> discoveringMessenger(std::uint16_t discoveryPort, unsigned periodMs = 1500)
{
    auto strategy = std::make_shared<DiscoveryStrategyInfo>(DiscoveryStrategyInfo::LanDiscovery,
                                                            std::to_string(discoveryPort), periodMs);
    return std::make_shared<Messenger>(DiscoveryStrategyList{strategy}, "VYRA", ITransport::TransportZeroMQ);
}

const char* kValidKey = "rq:rM>}U?@Lns47E1%kR.o@n%FcmmsL/@{H8]yf7";
} // namespace

class TestDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Ulmar::QAutoDiscoveryComponent().Suspend(); }

    void announcementsAddAndRefreshUnits();
    void staleUnitsLeaveOneAtATime();
    void floodsAreBounded();
    void datagramValidation_data();
    void datagramValidation();
    void twoUnitsAreDiscoveredAndJunkIgnored();
    void messengersOfOneProcessShareThePort();
    void silentUnitIsDroppedAsTooOld();
    void nothingListensWithoutTheComponent();
    void exportsRegisterOneComponentEach();
};

void TestDiscovery::announcementsAddAndRefreshUnits()
{
    Discoverer discoverer("VYRA", std::chrono::milliseconds(4500));
    std::vector<int> added;
    discoverer.unitAdded.connect([&](int index) { added.push_back(index); });
    const auto past = Discovered::Clock::now() - std::chrono::seconds(2);
    discoverer.onAnnouncement(Discovered("A", "10.0.0.1", 12740, false, "", past));
    discoverer.onAnnouncement(Discovered("B", "10.0.0.2", 12740, true, kValidKey));
    discoverer.onAnnouncement(Discovered("A", "10.0.0.1", 12740, false, ""));
    // Same name and address on another port is another unit.
    discoverer.onAnnouncement(Discovered("A", "10.0.0.1", 12750, false, ""));
    QCOMPARE(added, (std::vector<int>{0, 1, 2}));
    const auto units = discoverer.getDiscovered();
    QCOMPARE(units.size(), std::size_t(3));
    QVERIFY(units[0].getLastSeen() > past); // refreshed in place
    QVERIFY(discoverer.hasItem("10.0.0.2", "B", 12740));
    QVERIFY(!discoverer.hasItem("10.0.0.2", "b", 12740));
    Discovered found;
    QVERIFY(discoverer.find("10.0.0.2", "B", 12740, found));
    QCOMPARE(found.getPublicKey(), std::string(kValidKey));
    QVERIFY(found.isEncrypted());
}

void TestDiscovery::staleUnitsLeaveOneAtATime()
{
    Discoverer discoverer("VYRA", std::chrono::milliseconds(1000));
    const auto now = Discovered::Clock::now();
    const auto old = now - std::chrono::seconds(5);
    discoverer.onAnnouncement(Discovered("Old0", "10.0.0.1", 1, false, "", old));
    discoverer.onAnnouncement(Discovered("New", "10.0.0.2", 1, false, "", now));
    discoverer.onAnnouncement(Discovered("Old2", "10.0.0.3", 1, false, "", old));
    std::vector<std::pair<int, std::size_t>> removed; // index, list size seen from the slot
    discoverer.unitRemoved.connect([&](int index) {
        // Raised after the removal and outside the lock: reading the list here must work.
        removed.emplace_back(index, discoverer.getDiscovered().size());
    });
    QCOMPARE(discoverer.removeTooOldOnes(), 2);
    QCOMPARE(removed, (std::vector<std::pair<int, std::size_t>>{{0, 2}, {1, 1}}));
    QCOMPARE(discoverer.getDiscovered().front().getName(), std::string("New"));
    QCOMPARE(discoverer.removeTooOldOnes(), 0);
}

// Made-up announcements cannot grow the list without end: one address adds a burst of new units and then a
// few a second, the list holds at most kMaxUnits, and on a full list only a unit that went silent makes room.
void TestDiscovery::floodsAreBounded()
{
    Discoverer discoverer("VYRA");
    std::vector<std::pair<char, int>> changes;
    discoverer.unitAdded.connect([&](int index) { changes.emplace_back('+', index); });
    discoverer.unitRemoved.connect([&](int index) { changes.emplace_back('-', index); });
    std::vector<std::string> inserted;
    discoverer.unitInserted.connect([&](int, const Discovered& u) { inserted.push_back(u.getName()); });

    // One sender, a hundred names at once: the burst only.
    for (int i = 0; i < 100; ++i)
        discoverer.onAnnouncement(Discovered("flood" + std::to_string(i), "10.9.9.9", 1, false, ""));
    const auto burst = static_cast<std::size_t>(Discoverer::kNewUnitBurst);
    QCOMPARE(discoverer.count(), burst);
    QCOMPARE(inserted.size(), burst);
    // Those listed are refreshed as often as they like; another sender is not held back.
    discoverer.onAnnouncement(Discovered("flood0", "10.9.9.9", 1, false, ""));
    discoverer.onAnnouncement(Discovered("Living room", "10.0.0.20", 12740, false, ""));
    QCOMPARE(discoverer.count(), burst + 1);
    QVERIFY(discoverer.hasItem("10.0.0.20", "Living room", 12740));

    // Many senders fill the list to its cap, and no further.
    for (int i = 0; i < 400; ++i)
        discoverer.onAnnouncement(
            Discovered("many" + std::to_string(i),
                       "10.8." + std::to_string(i / 200) + "." + std::to_string(i % 200 + 1), 1, false, ""));
    QCOMPARE(discoverer.count(), Discoverer::kMaxUnits);

    // Full, and every unit heard just now: a newcomer is not listed.
    discoverer.onAnnouncement(Discovered("Cinema", "10.0.0.21", 12740, false, ""));
    QVERIFY(!discoverer.hasItem("10.0.0.21", "Cinema", 12740));

    // Once the made-up ones have gone silent, a newcomer takes the place of the quietest, and the units still
    // announcing (the burst refreshed above, the real one) keep theirs.
    const auto past = Discovered::Clock::now() - Discoverer::kSilentAfter - std::chrono::milliseconds(500);
    for (const auto& u : discoverer.getDiscovered())
        if (u.getName().compare(0, 4, "many") == 0)
            discoverer.onAnnouncement(Discovered(u.getName(), u.getAddress(), u.getPort(), false, "", past));
    changes.clear();
    discoverer.onAnnouncement(Discovered("Cinema", "10.0.0.21", 12740, false, ""));
    QVERIFY(discoverer.hasItem("10.0.0.21", "Cinema", 12740));
    QCOMPARE(discoverer.count(), Discoverer::kMaxUnits);
    const int firstMade = int(burst) + 1; // the first "many" unit: the quietest
    QCOMPARE(changes,
             (std::vector<std::pair<char, int>>{{'-', firstMade}, {'+', int(Discoverer::kMaxUnits) - 1}}));
    QVERIFY(discoverer.hasItem("10.0.0.20", "Living room", 12740));
    QCOMPARE(discoverer.getDiscovered().back().getName(), std::string("Cinema"));
}

void TestDiscovery::datagramValidation_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<bool>("accepted");
    const QByteArray key(kValidKey);
    QTest::newRow("valid") << QByteArray("{\"v\":1,\"service\":\"VYRA\",\"name\":\"Den\",\"port\":12740,"
                                         "\"encrypted\":true,\"key\":\"" +
                                         key + "\"}")
                           << true;
    QTest::newRow("valid plain, no key member")
        << QByteArray("{\"v\":1,\"service\":\"VYRA\",\"name\":\"Den\",\"port\":12740}") << true;
    QTest::newRow("other service") << QByteArray(
                                          "{\"v\":1,\"service\":\"OTHER\",\"name\":\"Den\",\"port\":12740}")
                                   << false;
    QTest::newRow("version 2") << QByteArray("{\"v\":2,\"service\":\"VYRA\",\"name\":\"Den\",\"port\":12740}")
                               << false;
    QTest::newRow("version as text") << QByteArray(
                                            "{\"v\":\"1\",\"service\":\"VYRA\",\"name\":\"Den\",\"port\":1}")
                                     << false;
    QTest::newRow("port 0") << QByteArray("{\"v\":1,\"service\":\"VYRA\",\"name\":\"Den\",\"port\":0}")
                            << false;
    QTest::newRow("port too big") << QByteArray(
                                         "{\"v\":1,\"service\":\"VYRA\",\"name\":\"Den\",\"port\":70000}")
                                  << false;
    QTest::newRow("negative port") << QByteArray(
                                          "{\"v\":1,\"service\":\"VYRA\",\"name\":\"Den\",\"port\":-1}")
                                   << false;
    QTest::newRow("port as text") << QByteArray(
                                         "{\"v\":1,\"service\":\"VYRA\",\"name\":\"Den\",\"port\":\"12740\"}")
                                  << false;
    QTest::newRow("name missing") << QByteArray("{\"v\":1,\"service\":\"VYRA\",\"port\":12740}") << false;
    QTest::newRow("encrypted as number")
        << QByteArray("{\"v\":1,\"service\":\"VYRA\",\"name\":\"Den\",\"port\":1,\"encrypted\":1}") << false;
    QTest::newRow("key not Z85")
        << QByteArray("{\"v\":1,\"service\":\"VYRA\",\"name\":\"Den\",\"port\":1,\"key\":\"short\"}")
        << false;
    QTest::newRow("not JSON") << QByteArray("VYRA 12740") << false;
    QTest::newRow("truncated") << QByteArray("{\"v\":1,\"service\":\"VYRA\",\"name\":\"Den\",\"po") << false;
    QTest::newRow("array") << QByteArray("[1,2,3]") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("query") << QByteArray("{\"v\":1,\"query\":\"VYRA\"}") << false;
    QByteArray padded("{\"v\":1,\"service\":\"VYRA\",\"name\":\"Den\",\"port\":12740,\"pad\":\"");
    padded += QByteArray(1100, 'p') + "\"}";
    QTest::newRow("over 1 KiB") << padded << false;
}

void TestDiscovery::datagramValidation()
{
    QFETCH(QByteArray, datagram);
    QFETCH(bool, accepted);
    Discoverer discoverer("VYRA");
    QCOMPARE(DiscoveryListener::handleDatagram(
                 datagram.constData(), static_cast<std::size_t>(datagram.size()), "192.168.1.20", discoverer),
             accepted);
    QCOMPARE(discoverer.getDiscovered().size(), std::size_t(accepted ? 1 : 0));
    if (accepted) {
        // The address is the sender's, whatever the datagram says.
        QCOMPARE(discoverer.getDiscovered().front().getAddress(), std::string("192.168.1.20"));
        QCOMPARE(discoverer.getDiscovered().front().getPort(), std::uint16_t(12740));
    }
}

void TestDiscovery::twoUnitsAreDiscoveredAndJunkIgnored()
{
    Ulmar::QAutoDiscoveryComponent component;
    QCOMPARE(component.Resume(), Ulmar::Component::Success);
    QVERIFY(Ulmar::QAutoDiscoveryComponent::isListeningEnabled());
    const auto discoveryPort = freeUdpPort();
    auto messenger = discoveringMessenger(discoveryPort); // created while enabled: listens at once

    UnitEndpoint alpha(unitOptions("Alpha", discoveryPort));
    auto betaOptions = unitOptions("Beta", discoveryPort);
    betaOptions.encrypted = true;
    UnitEndpoint beta(betaOptions);
    QVERIFY(alpha.start());
    QVERIFY(beta.start());

    auto discoverer = messenger->getDiscoverer();
    QTRY_COMPARE_WITH_TIMEOUT(discoverer->getDiscovered().size(), std::size_t(2), 5000);
    QVERIFY(discoverer->hasItem("127.0.0.1", "Alpha", alpha.port()));
    QVERIFY(discoverer->hasItem("127.0.0.1", "Beta", beta.port()));
    Discovered b;
    QVERIFY(discoverer->find("127.0.0.1", "Beta", beta.port(), b));
    QVERIFY(b.isEncrypted());
    QCOMPARE(b.getPublicKey(), beta.options().publicKey);

    sendDatagram(discoveryPort, "{\"v\":1,\"service\":\"VYRA\",\"name\":\"Bad\",\"port\":");
    sendDatagram(discoveryPort, std::string(4000, '{'));
    sendDatagram(discoveryPort,
                 "{\"v\":1,\"service\":\"VYRA\",\"name\":\"" + std::string(1200, 'n') + "\",\"port\":12740}");
    // A valid one after the junk proves the listener is still alive.
    sendDatagram(discoveryPort, "{\"v\":1,\"service\":\"VYRA\",\"name\":\"Gamma\",\"port\":4242}");
    QTRY_VERIFY_WITH_TIMEOUT(discoverer->hasItem("127.0.0.1", "Gamma", 4242), 5000);
    QCOMPARE(discoverer->getDiscovered().size(), std::size_t(3));
    messenger->printDiscoveredUnits();
}

void TestDiscovery::messengersOfOneProcessShareThePort()
{
    Ulmar::QAutoDiscoveryComponent().Resume();
    const auto discoveryPort = freeUdpPort();
    auto first = discoveringMessenger(discoveryPort);
    auto second = discoveringMessenger(discoveryPort);
    // Unicast announcements: with one socket per Messenger only one of them would hear the unit.
    UnitEndpoint unit(unitOptions("Alpha", discoveryPort, 50));
    QVERIFY(unit.start());
    QTRY_COMPARE_WITH_TIMEOUT(first->getDiscoverer()->getDiscovered().size(), std::size_t(1), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(second->getDiscoverer()->getDiscovered().size(), std::size_t(1), 5000);

    // The port stays open for the Messenger that is left.
    first.reset();
    UnitEndpoint beta(unitOptions("Beta", discoveryPort, 50));
    QVERIFY(beta.start());
    QTRY_COMPARE_WITH_TIMEOUT(second->getDiscoverer()->getDiscovered().size(), std::size_t(2), 5000);
}

void TestDiscovery::silentUnitIsDroppedAsTooOld()
{
    Ulmar::QAutoDiscoveryComponent().Resume();
    const auto discoveryPort = freeUdpPort();
    auto messenger = discoveringMessenger(discoveryPort, 100); // too old after 300 ms
    auto discoverer = messenger->getDiscoverer();
    QCOMPARE(discoverer->maxAge(), std::chrono::milliseconds(300));

    UnitEndpoint alpha(unitOptions("Alpha", discoveryPort, 50));
    UnitEndpoint beta(unitOptions("Beta", discoveryPort, 50));
    QVERIFY(alpha.start());
    QVERIFY(beta.start());
    QTRY_COMPARE_WITH_TIMEOUT(discoverer->getDiscovered().size(), std::size_t(2), 5000);
    std::atomic<int> removedSignals{0};
    discoverer->unitRemoved.connect([&](int) { ++removedSignals; });

    alpha.stop();
    QTest::qWait(600);
    discoverer->removeTooOldOnes();
    QCOMPARE(removedSignals.load(), 1);
    QCOMPARE(discoverer->getDiscovered().size(), std::size_t(1));
    QCOMPARE(discoverer->getDiscovered().front().getName(), std::string("Beta"));
}

void TestDiscovery::nothingListensWithoutTheComponent()
{
    QVERIFY(!Ulmar::QAutoDiscoveryComponent::isListeningEnabled());
    const auto discoveryPort = freeUdpPort();
    auto messenger = discoveringMessenger(discoveryPort);
    UnitEndpoint unit(unitOptions("Alpha", discoveryPort, 50));
    QVERIFY(unit.start());
    QTest::qWait(500);
    QCOMPARE(messenger->getDiscoverer()->getDiscovered().size(), std::size_t(0));

    Ulmar::QAutoDiscoveryComponent component;
    component.Resume(); // starts the listener of the Messenger that already exists
    QTRY_COMPARE_WITH_TIMEOUT(messenger->getDiscoverer()->getDiscovered().size(), std::size_t(1), 5000);

    component.Suspend();
    QVERIFY(!Ulmar::QAutoDiscoveryComponent::isListeningEnabled());
    UnitEndpoint late(unitOptions("Late", discoveryPort, 50));
    QVERIFY(late.start());
    QTest::qWait(500);
    QVERIFY(!messenger->getDiscoverer()->hasItem("127.0.0.1", "Late", late.port()));
}

void TestDiscovery::exportsRegisterOneComponentEach()
{
    auto count = [](auto* typeTag) {
        using T = std::remove_pointer_t<decltype(typeTag)>;
        int n = 0;
        for (const auto& c : Ulmar::ComponentRepository::Components())
            n += std::dynamic_pointer_cast<T>(c) ? 1 : 0;
        return n;
    };
    QCOMPARE(UlmarExportQAutoDiscoveryComponent(), 0);
    QCOMPARE(UlmarExportQAutoDiscoveryComponent(), 0);
    QCOMPARE(UlmarExportZCommComponent(), 0);
    QCOMPARE(UlmarExportZCommComponent(), 0);
    QCOMPARE(count(static_cast<Ulmar::QAutoDiscoveryComponent*>(nullptr)), 1);
    QCOMPARE(count(static_cast<Ulmar::ZCommComponent*>(nullptr)), 1);
    auto transport = Ulmar::ComponentRepository::FindFirst<Ulmar::ZCommComponent>();
    QCOMPARE(transport->Init(),
             zmq_has("curve") ? Ulmar::Component::Success : Ulmar::Component::ConfigurationError);
}

QTEST_GUILESS_MAIN(TestDiscovery)
#include "tst_discovery.moc"
