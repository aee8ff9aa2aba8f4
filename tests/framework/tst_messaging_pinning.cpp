// Remembered unit keys: the pin store's rules and file, and a Messenger that refuses a changed key.

#include <sys/stat.h>

#include <functional>

#include <QTemporaryDir>
#include <QtTest>

#include "Discoverer.h"
#include "KeyPinStore.h"
#include "MessagingTestSupport.h"
#include "Messenger.h"
#include "QAutoDiscoveryComponent.h"
#include "UnitEndpoint.h"

using namespace Ulmar::Messaging;

namespace {
class MismatchObserver : public RecordingObserver
{
public:
    void handleUnitKeyMismatch(const UnitKeyMismatch& m) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        mismatches.push_back(m);
    }
    std::vector<UnitKeyMismatch> snapshot()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return mismatches;
    }
    std::vector<UnitKeyMismatch> mismatches;
};

UnitEndpoint::Options encryptedUnit(const std::string& name, const std::string& unitId = {})
{
    auto o = unitOptions(name); // does not announce: the tests send the announcements themselves
    o.encrypted = true;
    const auto keys = UnitEndpoint::generateKeyPair();
    o.publicKey = keys.first;
    o.secretKey = keys.second;
    o.unitId = unitId;
    return o;
}

UnitEndpoint::Options withNewKey(UnitEndpoint::Options o, std::uint16_t port)
{
    const auto keys = UnitEndpoint::generateKeyPair();
    o.publicKey = keys.first;
    o.secretKey = keys.second;
    o.port = port;
    return o;
}

std::string announcement(const std::string& name, std::uint16_t port, const std::string& key,
                         const std::string& unitId = {})
{
    return "{\"v\":1,\"service\":\"VYRA\",\"name\":\"" + name + "\",\"port\":" + std::to_string(port) +
           ",\"encrypted\":true,\"key\":\"" + key + "\"" +
           (unitId.empty() ? std::string() : ",\"unitId\":\"" + unitId + "\"") + "}";
}

std::shared_ptr<Messenger> discoveringMessenger(std::uint16_t discoveryPort,
                                                std::shared_ptr<KeyPinStore> pins)
{
    auto strategy = std::make_shared<DiscoveryStrategyInfo>(DiscoveryStrategyInfo::LanDiscovery,
                                                            std::to_string(discoveryPort), 5000);
    auto m =
        std::make_shared<Messenger>(DiscoveryStrategyList{strategy}, "VYRA", ITransport::TransportZeroMQ);
    m->setAutoReconnect(100);
    m->setKeyPinStore(std::move(pins));
    return m;
}

UnitIdentity unit(const std::string& id, const std::string& name, const std::string& address,
                  std::uint16_t port = 12740)
{
    return UnitIdentity{id, name, address, port};
}

unsigned permissions(const QString& path)
{
    struct stat st
    {
    };
    return ::stat(path.toLocal8Bit().constData(), &st) == 0 ? unsigned(st.st_mode & 07777) : 0xFFFFu;
}
} // namespace

class TestMessagingPinning : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_discovery.Resume(); }
    void cleanupTestCase() { m_discovery.Shutdown(); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void storeRules();
    void storeFileIsOwnerOnlyAndSurvives();
    void damagedStoreFileIsKeptAside();
    void linksAreNeverFollowed();
    void pinsAreNeverPushedOut();
    void fingerprintsAreShortAndDistinct();
    void announcedUnitId();

    void firstUseSameKeyAndChangedKey();
    void changedKeyAcceptedAfterConfirmation();
    void forgedAnnouncementIsRefused();
    void fixedHostWithChangedKeyIsRefused();
    void sameNameElsewhereIsRefused();
    void confidentialSendsNeedThePinnedKey();

private:
    QString storePath() const { return m_dir->filePath(QStringLiteral("trust/unit-keys.json")); }
    Ulmar::QAutoDiscoveryComponent m_discovery;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestMessagingPinning::storeRules()
{
    KeyPinStore store{std::string()};
    const auto a = UnitEndpoint::generateKeyPair().first;
    const auto b = UnitEndpoint::generateKeyPair().first;

    QCOMPARE(store.check(unit("", "Living", "10.0.0.5"), a).verdict, KeyPinStore::Verdict::FirstUse);
    QVERIFY(store.pin(unit("", "Living", "10.0.0.5"), a));
    QCOMPARE(store.check(unit("", "Living", "10.0.0.5"), a).verdict, KeyPinStore::Verdict::Match);
    const auto refused = store.check(unit("", "Living", "10.0.0.5"), b);
    QCOMPARE(refused.verdict, KeyPinStore::Verdict::Mismatch);
    QCOMPARE(refused.pinnedKey, a);
    // Another name is another unit, at any address.
    QCOMPARE(store.check(unit("", "Kitchen", "10.0.0.5"), b).verdict, KeyPinStore::Verdict::FirstUse);
    QCOMPARE(store.check(unit("", "Kitchen", "10.0.0.6", 12760), b).verdict, KeyPinStore::Verdict::FirstUse);
    // The same name elsewhere must be the remembered unit, moved: its key, or refused (with no id, an
    // invented one, on another port).
    QCOMPARE(store.check(unit("", "Living", "10.0.0.66"), a).verdict, KeyPinStore::Verdict::Match);
    QCOMPARE(store.check(unit("", "Living", "10.0.0.66"), b).verdict, KeyPinStore::Verdict::Mismatch);
    QCOMPARE(store.check(unit("", "Living", "10.0.0.66"), b).pinnedKey, a);
    QCOMPARE(store.check(unit("new-id", "Living", "10.0.0.66"), b).verdict, KeyPinStore::Verdict::Mismatch);
    QCOMPARE(store.check(unit("", "Living", "10.0.0.5", 12760), b).verdict, KeyPinStore::Verdict::Mismatch);

    // An id the store does not know does not get around the pin of that name and address.
    QCOMPARE(store.check(unit("forged-1", "Living", "10.0.0.5"), b).verdict, KeyPinStore::Verdict::Mismatch);

    // With an id, the unit is recognised after a rename or an address change; the id decides.
    QVERIFY(store.pin(unit("unit-7", "Cinema", "10.0.0.9"), b));
    QCOMPARE(store.check(unit("unit-7", "Renamed", "10.0.0.44"), b).verdict, KeyPinStore::Verdict::Match);
    QCOMPARE(store.check(unit("unit-7", "Renamed", "10.0.0.44"), a).verdict, KeyPinStore::Verdict::Mismatch);
    // Dropping the id from a forged announcement falls back to the name and address, still pinned.
    QCOMPARE(store.check(unit("", "Cinema", "10.0.0.9"), a).verdict, KeyPinStore::Verdict::Mismatch);
    // Two units of the same name that swapped addresses: each is known by its id.
    QVERIFY(store.pin(unit("unit-8", "Cinema", "10.0.0.10"), a));
    QCOMPARE(store.check(unit("unit-8", "Cinema", "10.0.0.9"), a).verdict, KeyPinStore::Verdict::Match);

    // A unit reached at an address the user named is known by that address: whatever name (a look-alike,
    // another one) or id it reports there, it must hold the key remembered there.
    auto named = [](const std::string& id, const std::string& name) {
        UnitIdentity u{id, name, "10.0.0.7", 12740, true};
        return u;
    };
    QCOMPARE(store.check(named("", "Fixed"), a).verdict, KeyPinStore::Verdict::FirstUse);
    QVERIFY(store.pin(named("", "Fixed"), a));
    for (const std::string name : {"Fixed", "F\xd1\x96xed" /* Cyrillic i */, "Something else"}) {
        for (const std::string id : {"", "made-up"}) {
            QCOMPARE(store.check(named(id, name), a).verdict, KeyPinStore::Verdict::Match);
            const auto other = store.check(named(id, name), b);
            QCOMPARE(other.verdict, KeyPinStore::Verdict::Mismatch);
            QCOMPARE(other.pinnedKey, a);
        }
    }
    // A listed unit's name means nothing at a named address, and the other way round only the address counts.
    QCOMPARE(store.check(named("", "Living"), b).verdict, KeyPinStore::Verdict::Mismatch);
    QCOMPARE(store.check(UnitIdentity{"", "Fixed", "10.0.0.8", 12740, true}, b).verdict,
             KeyPinStore::Verdict::FirstUse);

    // Accepting a new key replaces the pin rather than adding one.
    const auto before = store.size();
    QVERIFY(store.pin(unit("", "Living", "10.0.0.5"), b));
    QCOMPARE(store.size(), before);
    QCOMPARE(store.check(unit("", "Living", "10.0.0.5"), b).verdict, KeyPinStore::Verdict::Match);
}

void TestMessagingPinning::storeFileIsOwnerOnlyAndSurvives()
{
    const auto key = UnitEndpoint::generateKeyPair().first;
    {
        KeyPinStore store(storePath().toStdString());
        QCOMPARE(store.size(), std::size_t(0));
        QVERIFY(store.pin(unit("id-1", "Living", "127.0.0.1"), key));
    }
    QCOMPARE(permissions(storePath()), 0600u);
    QCOMPARE(permissions(QFileInfo(storePath()).absolutePath()), 0700u);

    // Another instance (a later start, or a second window) sees it, and its pins merge with the first's.
    KeyPinStore second(storePath().toStdString());
    QCOMPARE(second.check(unit("id-1", "Living", "127.0.0.1"), key).verdict, KeyPinStore::Verdict::Match);
    KeyPinStore third(storePath().toStdString());
    QVERIFY(second.pin(unit("id-2", "Kitchen", "127.0.0.1"), key));
    QVERIFY(third.pin(unit("id-3", "Garage", "127.0.0.1"), key));
    QCOMPARE(KeyPinStore(storePath().toStdString()).size(), std::size_t(3));

    // A folder that cannot be made: the pin holds in memory, and the failure is reported.
    QFile blocker(m_dir->filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    KeyPinStore unwritable(m_dir->filePath(QStringLiteral("file/trust/unit-keys.json")).toStdString());
    QVERIFY(!unwritable.pin(unit("", "Living", "127.0.0.1"), key));
    QCOMPARE(unwritable.check(unit("", "Living", "127.0.0.1"), key).verdict, KeyPinStore::Verdict::Match);
}

// A damaged file is never overwritten: it is kept aside under a dated name, the user is told (the notice),
// and what it still held that is valid stays trusted.
void TestMessagingPinning::damagedStoreFileIsKeptAside()
{
    const auto key = UnitEndpoint::generateKeyPair().first;
    const QByteArray validEntry = "{\"unitId\":\"\",\"name\":\"A\",\"address\":\"h\",\"port\":1,\"key\":\"" +
                                  QByteArray::fromStdString(key) + "\",\"pinnedAt\":1}";
    QDir folder(QFileInfo(storePath()).absolutePath());
    struct Case
    {
        QByteArray content;
        std::size_t kept;
    };
    const QList<Case> cases = {
        {"not json", 0},
        {"{\"v\":2,\"units\":[]}", 0},
        {"{\"v\":1,\"units\":[{\"unitId\":\"\",\"name\":\"A\",\"address\":\"h\",\"port\":70000,\"key\":\"" +
             QByteArray::fromStdString(key) + "\"}]}",
         0},
        {"{\"v\":1,\"units\":[{\"unitId\":\"\",\"name\":\"A\",\"address\":\"h\",\"port\":1,\"key\":\"short\"}"
         "]}",
         0},
        {"{\"v\":1,\"units\":[17,{\"name\":3}]}", 0},
        {QByteArray(2 * 1024 * 1024, '{'), 0},
        {"{\"v\":1,\"units\":[{\"name\":3}," + validEntry + "]}", 1},
    };
    for (const Case& c : cases) {
        QVERIFY(folder.removeRecursively() && QDir().mkpath(folder.path()));
        QFile file(storePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(c.content);
        file.close();

        KeyPinStore store(storePath().toStdString());
        QCOMPARE(store.size(), c.kept);
        const auto notice = store.notice();
        QCOMPARE(notice.kind, KeyPinStore::Notice::Damaged);
        const QStringList aside = folder.entryList({"unit-keys.json.damaged-*"}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QCOMPARE(QString::fromStdString(notice.path), folder.filePath(aside.front()));
        QVERIFY(
            QRegularExpression("^unit-keys\\.json\\.damaged-\\d{8}-\\d{6}$").match(aside.front()).hasMatch());
        QFile kept(folder.filePath(aside.front()));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), c.content);
        kept.close();
        // What was still valid is written back at once; the next pin adds to it and leaves the copy alone.
        QCOMPARE(QFileInfo::exists(storePath()), c.kept > 0);
        QVERIFY(store.pin(unit("", "B", "h", 2), key));
        QCOMPARE(KeyPinStore(storePath().toStdString()).size(), c.kept + 1);
        QCOMPARE(KeyPinStore(storePath().toStdString()).notice().kind, KeyPinStore::Notice::None);
        QCOMPARE(folder.entryList({"unit-keys.json.damaged-*"}, QDir::Files), aside);
        QCOMPARE(QFileInfo(kept).size(), qint64(c.content.size()));
    }
}

// The file and its folder are written as new files renamed into place: a symbolic link is never written
// through nor has its target's mode changed; the pins then last until the program ends, and the user is told.
void TestMessagingPinning::linksAreNeverFollowed()
{
    const auto key = UnitEndpoint::generateKeyPair().first;
    const QString outside = m_dir->filePath(QStringLiteral("outside"));
    QVERIFY(QDir().mkpath(outside));
    QFile precious(outside + "/precious.txt");
    QVERIFY(precious.open(QIODevice::WriteOnly));
    precious.write("keep me");
    precious.close();
    QVERIFY(QFile::setPermissions(precious.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                           QFileDevice::ReadGroup | QFileDevice::ReadOther));
    QVERIFY(QFile::setPermissions(outside, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                               QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                               QFileDevice::ExeOther));
    const QString trust = QFileInfo(storePath()).absolutePath();

    // The file is a link (to a file, and dangling), then the folder is.
    const QList<std::function<bool()>> links = {
        [&] { return QDir().mkpath(trust) && QFile::link(precious.fileName(), storePath()); },
        [&] { return QDir().mkpath(trust) && QFile::link(outside + "/absent.json", storePath()); },
        [&] { return QFile::link(outside, trust); },
    };
    for (const auto& makeLink : links) {
        QVERIFY(QDir(trust).removeRecursively() || QFile::remove(trust) || !QFileInfo(trust).isSymLink());
        QVERIFY(makeLink());
        KeyPinStore store(storePath().toStdString());
        QCOMPARE(store.size(), std::size_t(0));
        QCOMPARE(store.notice().kind, KeyPinStore::Notice::SymbolicLink);
        QVERIFY(!store.pin(unit("", "Living", "127.0.0.1"), key));
        QCOMPARE(store.check(unit("", "Living", "127.0.0.1"), key).verdict, KeyPinStore::Verdict::Match);

        QVERIFY(precious.open(QIODevice::ReadOnly));
        QCOMPARE(precious.readAll(), QByteArray("keep me"));
        precious.close();
        QCOMPARE(permissions(precious.fileName()), 0644u);
        QCOMPARE(permissions(outside), 0755u);
        QCOMPARE(QDir(outside).entryList(QDir::Files | QDir::Hidden), QStringList{"precious.txt"});
        QVERIFY(QFileInfo(storePath()).isSymLink() || QFileInfo(trust).isSymLink());
        QFile::remove(storePath());
        QFile::remove(trust);
    }

    // A folder that was there already keeps its owner's mode; the file is a new one of ours.
    QVERIFY(QDir(trust).removeRecursively());
    QVERIFY(QDir().mkpath(trust));
    QVERIFY(QFile::setPermissions(trust, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                             QFileDevice::ExeGroup));
    KeyPinStore store(storePath().toStdString());
    QVERIFY(store.pin(unit("", "Living", "127.0.0.1"), key));
    QCOMPARE(permissions(trust), 0750u);
    QCOMPARE(permissions(storePath()), 0600u);
    QCOMPARE(QDir(trust).entryList(QDir::Files | QDir::Hidden), QStringList{"unit-keys.json"});
}

// Pins made by traffic never push a unit's pin out: past the cap a new unit is not remembered, and says so.
void TestMessagingPinning::pinsAreNeverPushedOut()
{
    KeyPinStore store{std::string()};
    const auto realKey = UnitEndpoint::generateKeyPair().first;
    const auto otherKey = UnitEndpoint::generateKeyPair().first;
    QVERIFY(store.pin(unit("", "Living room", "127.0.0.1"), realKey));
    for (std::size_t i = 1; i < KeyPinStore::kMaxPins; ++i)
        QVERIFY(store.pin(unit("", "name" + std::to_string(i), "127.0.0.1", 20000), otherKey));
    QCOMPARE(store.size(), KeyPinStore::kMaxPins);

    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("unit keys are remembered already; the key of unit "
                                            "\"one more\" at 127.0.0.1:20000 is not remembered"));
    QVERIFY(!store.pin(unit("", "one more", "127.0.0.1", 20000), otherKey));
    QCOMPARE(store.size(), KeyPinStore::kMaxPins);
    QCOMPARE(store.check(unit("", "one more", "127.0.0.1", 20000), otherKey).verdict,
             KeyPinStore::Verdict::FirstUse);
    QCOMPARE(store.check(unit("", "Living room", "127.0.0.1"), realKey).verdict, KeyPinStore::Verdict::Match);
    QCOMPARE(store.check(unit("", "Living room", "127.0.0.1"), otherKey).verdict,
             KeyPinStore::Verdict::Mismatch);
    // A unit already remembered may still have its key replaced.
    QVERIFY(store.pin(unit("", "name1", "127.0.0.1", 20000), realKey));
    QCOMPARE(store.size(), KeyPinStore::kMaxPins);
}

void TestMessagingPinning::fingerprintsAreShortAndDistinct()
{
    const auto a = UnitEndpoint::generateKeyPair().first;
    const auto b = UnitEndpoint::generateKeyPair().first;
    const QString fa = QString::fromStdString(KeyPinStore::fingerprint(a));
    QVERIFY2(QRegularExpression(QStringLiteral("^[0-9a-f]{4}( [0-9a-f]{4}){7}$")).match(fa).hasMatch(),
             qPrintable(fa));
    QCOMPARE(KeyPinStore::fingerprint(a), KeyPinStore::fingerprint(a));
    QVERIFY(KeyPinStore::fingerprint(a) != KeyPinStore::fingerprint(b));
    QVERIFY(KeyPinStore::fingerprint("").empty());
    QVERIFY(KeyPinStore::fingerprint(std::string(40, ' ')).empty());
    // The fingerprint is of the key's 32 bytes, not of its text: the all-zero key has a known digest.
    QCOMPARE(KeyPinStore::fingerprint("0000000000000000000000000000000000000000"),
             std::string("6668 7aad f862 bd77 6c8f c18b 8e9f 8e20"));
}

void TestMessagingPinning::announcedUnitId()
{
    const auto discoveryPort = freeUdpPort();
    auto messenger = discoveringMessenger(discoveryPort, nullptr);
    auto options = encryptedUnit("Idle", "vyra-0042");
    options.announcePort = discoveryPort;
    options.announce = true;
    UnitEndpoint sender(options);
    QVERIFY(sender.start());
    auto discoverer = messenger->getDiscoverer();
    QTRY_COMPARE_WITH_TIMEOUT(discoverer->getDiscovered().size(), std::size_t(1), 5000);
    QCOMPARE(discoverer->getDiscovered().front().getUnitId(), std::string("vyra-0042"));
    sender.stop();

    // Units that send no id are still heard; an id that is not one makes the datagram invalid.
    sendDatagram(discoveryPort, announcement("Old", 1000, options.publicKey));
    sendDatagram(discoveryPort, announcement("Bad", 1001, options.publicKey, "has space"));
    sendDatagram(discoveryPort, announcement("Long", 1002, options.publicKey, std::string(65, 'a')));
    QTRY_COMPARE_WITH_TIMEOUT(discoverer->getDiscovered().size(), std::size_t(2), 5000);
    QTest::qWait(200);
    QCOMPARE(discoverer->getDiscovered().size(), std::size_t(2));
    QVERIFY(discoverer->hasItem("127.0.0.1", "Old", 1000));
    QVERIFY(discoverer->getDiscovered().back().getUnitId().empty());
}

void TestMessagingPinning::firstUseSameKeyAndChangedKey()
{
    const auto discoveryPort = freeUdpPort();
    auto pins = std::make_shared<KeyPinStore>(storePath().toStdString());
    auto messenger = discoveringMessenger(discoveryPort, pins);
    auto observer = std::make_shared<MismatchObserver>();
    messenger->AddObserver(observer);
    messenger->connect(800);

    auto options = encryptedUnit("Living");
    auto first = std::make_unique<UnitEndpoint>(options);
    QVERIFY(first->start());
    const auto port = first->port();
    sendDatagram(discoveryPort, announcement("Living", port, options.publicKey));
    QTRY_VERIFY_WITH_TIMEOUT(messenger->getDiscoverer()->hasItem("127.0.0.1", "Living", port), 5000);
    QVERIFY(messenger->chooseUnit("127.0.0.1", "Living", port, true, true));

    // First use: connected and remembered.
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);
    QCOMPARE(messenger->linkSecurity(), Messenger::LinkSecurity::Pinned);
    QCOMPARE(pins->size(), std::size_t(1));
    QCOMPARE(pins->check(unit("", "Living", "127.0.0.1", port), options.publicKey).verdict,
             KeyPinStore::Verdict::Match);

    // Same key after a restart: connected again.
    first.reset();
    QTRY_COMPARE_WITH_TIMEOUT(observer->lost.load(), 1, 5000);
    QCOMPARE(messenger->linkSecurity(), Messenger::LinkSecurity::Down);
    options.port = port;
    first = std::make_unique<UnitEndpoint>(options);
    QVERIFY(first->start());
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 2, 8000);
    QCOMPARE(messenger->linkSecurity(), Messenger::LinkSecurity::Pinned);

    // Restarted with another key, and announcing it: refused, reported once, never greeted.
    first.reset();
    QTRY_COMPARE_WITH_TIMEOUT(observer->lost.load(), 2, 5000);
    const auto renewed = withNewKey(options, port);
    UnitEndpoint second(renewed);
    UnitRecorder rec(second);
    QVERIFY(second.start());
    sendDatagram(discoveryPort, announcement("Living", port, renewed.publicKey));
    QTRY_COMPARE_WITH_TIMEOUT(observer->snapshot().size(), std::size_t(1), 5000);
    const auto mismatch = observer->snapshot().front();
    QCOMPARE(mismatch.pinnedKey, options.publicKey);
    QCOMPARE(mismatch.offeredKey, renewed.publicKey);
    QCOMPARE(mismatch.unit.name, std::string("Living"));
    QCOMPARE(mismatch.unit.port, port);
    const int lostBefore = observer->lost.load();
    QTRY_VERIFY_WITH_TIMEOUT(observer->lost.load() >= lostBefore + 2, 8000); // further attempts, refused too
    QCOMPARE(observer->snapshot().size(), std::size_t(1));
    QCOMPARE(observer->connected.load(), 2);
    QCOMPARE(rec.greeted.load(), 0);
    QCOMPARE(pins->check(unit("", "Living", "127.0.0.1", port), options.publicKey).verdict,
             KeyPinStore::Verdict::Match);
}

void TestMessagingPinning::changedKeyAcceptedAfterConfirmation()
{
    const auto discoveryPort = freeUdpPort();
    auto pins = std::make_shared<KeyPinStore>(storePath().toStdString());
    auto options = encryptedUnit("Cinema", "vyra-7");
    const auto oldKey = options.publicKey;
    options = withNewKey(options, 0);
    UnitEndpoint endpoint(options);
    UnitRecorder rec(endpoint);
    QVERIFY(endpoint.start());
    QVERIFY(pins->pin(unit("vyra-7", "Cinema", "127.0.0.1", endpoint.port()), oldKey));

    auto messenger = discoveringMessenger(discoveryPort, pins);
    auto observer = std::make_shared<MismatchObserver>();
    messenger->AddObserver(observer);
    messenger->connect(3000);
    sendDatagram(discoveryPort, announcement("Cinema", endpoint.port(), options.publicKey, "vyra-7"));
    QTRY_VERIFY_WITH_TIMEOUT(messenger->getDiscoverer()->hasItem("127.0.0.1", "Cinema", endpoint.port()),
                             5000);
    QVERIFY(messenger->chooseUnit("127.0.0.1", "Cinema", endpoint.port(), true, true));
    QTRY_COMPARE_WITH_TIMEOUT(observer->snapshot().size(), std::size_t(1), 5000);
    QCOMPARE(rec.greeted.load(), 0);

    // Accepting a key other than the one offered changes nothing.
    messenger->acceptUnitKey(UnitEndpoint::generateKeyPair().first);
    messenger->acceptUnitKey("not a key");
    QTest::qWait(300);
    QCOMPARE(observer->connected.load(), 0);
    QCOMPARE(observer->snapshot().size(), std::size_t(1));

    // The user accepts the offered key: connected at once (well before the 3 s window ends), remembered.
    messenger->acceptUnitKey(observer->snapshot().front().offeredKey);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 2500);
    QCOMPARE(messenger->linkSecurity(), Messenger::LinkSecurity::Pinned);
    QCOMPARE(pins->check(unit("vyra-7", "Other name", "10.1.1.1"), options.publicKey).verdict,
             KeyPinStore::Verdict::Match);
    QCOMPARE(KeyPinStore(storePath().toStdString()).size(), std::size_t(1));
}

void TestMessagingPinning::forgedAnnouncementIsRefused()
{
    const auto discoveryPort = freeUdpPort();
    auto pins = std::make_shared<KeyPinStore>(storePath().toStdString());
    auto options = encryptedUnit("Living", "vyra-1");
    UnitEndpoint real(options);
    UnitRecorder rec(real);
    QVERIFY(real.start());
    auto messenger = discoveringMessenger(discoveryPort, pins);
    auto observer = std::make_shared<MismatchObserver>();
    messenger->AddObserver(observer);
    messenger->connect(800);
    sendDatagram(discoveryPort, announcement("Living", real.port(), options.publicKey, "vyra-1"));
    QTRY_VERIFY_WITH_TIMEOUT(messenger->getDiscoverer()->hasItem("127.0.0.1", "Living", real.port()), 5000);
    QVERIFY(messenger->chooseUnit("127.0.0.1", "Living", real.port(), true, true));
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);

    // Someone on the network announces the same unit with their own key, with the id, without it, and
    // with an invented one. Each time the link breaks, the next attempt is refused.
    const auto forgedKey = UnitEndpoint::generateKeyPair().first;
    const std::vector<std::string> ids = {"vyra-1", "", "vyra-999"};
    for (std::size_t i = 0; i < ids.size(); ++i) {
        sendDatagram(discoveryPort, announcement("Living", real.port(), forgedKey, ids[i]));
        QTRY_COMPARE_WITH_TIMEOUT(messenger->getDiscoverer()->getDiscovered().front().getPublicKey(),
                                  forgedKey, 5000);
        QCOMPARE(messenger->getDiscoverer()->getDiscovered().front().getUnitId(), ids[i]);
        real.dropAllPeers();
        QTRY_COMPARE_WITH_TIMEOUT(observer->snapshot().size(), i + 1, 5000);
        QCOMPARE(observer->snapshot().back().offeredKey, forgedKey);
        QCOMPARE(observer->snapshot().back().pinnedKey, options.publicKey);
        QCOMPARE(observer->connected.load(), int(i + 1));
        QVERIFY(!messenger->isConnected());

        // The real unit's next announcement restores its key: connected again without asking.
        sendDatagram(discoveryPort, announcement("Living", real.port(), options.publicKey, "vyra-1"));
        QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), int(i + 2), 8000);
    }
    QCOMPARE(pins->size(), std::size_t(1));
}

void TestMessagingPinning::fixedHostWithChangedKeyIsRefused()
{
    auto pins = std::make_shared<KeyPinStore>(storePath().toStdString());
    auto options = encryptedUnit("Fixed");
    auto endpoint = std::make_unique<UnitEndpoint>(options);
    QVERIFY(endpoint->start());
    const auto port = endpoint->port();
    auto messenger = discoveringMessenger(freeUdpPort(), pins);
    auto observer = std::make_shared<MismatchObserver>();
    messenger->AddObserver(observer);
    QVERIFY(messenger->chooseUnit("127.0.0.1", "127.0.0.1", port, true, false));
    messenger->connect(800);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);
    QCOMPARE(messenger->linkSecurity(), Messenger::LinkSecurity::Pinned);
    // Pinned under the name the unit announces, at the host it was reached at.
    QCOMPARE(pins->check(unit("", "Fixed", "127.0.0.1", port), options.publicKey).verdict,
             KeyPinStore::Verdict::Match);

    endpoint.reset();
    const auto renewed = withNewKey(options, port);
    endpoint = std::make_unique<UnitEndpoint>(renewed);
    QVERIFY(endpoint->start());
    QTRY_COMPARE_WITH_TIMEOUT(observer->snapshot().size(), std::size_t(1), 8000);
    QCOMPARE(observer->snapshot().front().offeredKey, renewed.publicKey);
    QCOMPARE(observer->connected.load(), 1);

    // Whatever name or id a device answering at the named address reports (a look-alike with a Cyrillic
    // letter, another name, a made-up id), it is held to the key remembered there: no link, no new pin.
    endpoint.reset();
    std::size_t reported = observer->snapshot().size();
    for (const std::string name : {"F\xd1\x96xed", "Other"}) {
        for (const std::string id : {"", "made-up-1"}) {
            auto forged = withNewKey(options, port);
            forged.unitName = name;
            forged.unitId = id;
            UnitEndpoint impostor(forged);
            UnitRecorder rec(impostor);
            QVERIFY(impostor.start());
            QTRY_COMPARE_WITH_TIMEOUT(observer->snapshot().size(), reported + 1, 8000);
            reported = observer->snapshot().size();
            QCOMPARE(observer->snapshot().back().offeredKey, forged.publicKey);
            QCOMPARE(observer->snapshot().back().pinnedKey, options.publicKey);
            QCOMPARE(rec.greeted.load(), 0);
            QCOMPARE(observer->connected.load(), 1);
        }
    }
    QCOMPARE(pins->size(), std::size_t(1));

    endpoint = std::make_unique<UnitEndpoint>(renewed);
    QVERIFY(endpoint->start());
    messenger->acceptUnitKey(renewed.publicKey);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 2, 5000);
    QCOMPARE(pins->size(), std::size_t(1));
}

// A listed unit that takes the name of a remembered unit from another address gets no link unless it holds
// that unit's key (the same unit, moved), with or without a unit id of its own.
void TestMessagingPinning::sameNameElsewhereIsRefused()
{
    const auto discoveryPort = freeUdpPort();
    auto pins = std::make_shared<KeyPinStore>(storePath().toStdString());
    auto options = encryptedUnit("Living");
    auto real = std::make_unique<UnitEndpoint>(options);
    QVERIFY(real->start());
    auto messenger = discoveringMessenger(discoveryPort, pins);
    auto observer = std::make_shared<MismatchObserver>();
    messenger->AddObserver(observer);
    messenger->connect(800);
    sendDatagram(discoveryPort, announcement("Living", real->port(), options.publicKey));
    QTRY_VERIFY_WITH_TIMEOUT(messenger->getDiscoverer()->hasItem("127.0.0.1", "Living", real->port()), 5000);
    QVERIFY(messenger->chooseUnit("127.0.0.1", "Living", real->port(), true, true));
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);
    real.reset();

    auto forged = withNewKey(options, 0);
    forged.bindAddress = "127.0.0.2";
    UnitEndpoint impostor(forged);
    UnitRecorder rec(impostor);
    QVERIFY(impostor.start());
    std::size_t reported = 0;
    for (const std::string id : {"", "made-up-2"}) {
        sendDatagram(discoveryPort, announcement("Living", impostor.port(), forged.publicKey, id),
                     "127.0.0.2");
        QTRY_VERIFY_WITH_TIMEOUT(messenger->getDiscoverer()->hasItem("127.0.0.2", "Living", impostor.port()),
                                 5000);
        QVERIFY(messenger->chooseUnit("127.0.0.2", "Living", impostor.port(), true, true));
        QTRY_COMPARE_WITH_TIMEOUT(observer->snapshot().size(), reported + 1, 8000);
        reported = observer->snapshot().size();
        QCOMPARE(observer->snapshot().back().offeredKey, forged.publicKey);
        QCOMPARE(observer->snapshot().back().pinnedKey, options.publicKey);
        QCOMPARE(observer->snapshot().back().unit.address, std::string("127.0.0.2"));
        QCOMPARE(rec.greeted.load(), 0);
        QCOMPARE(observer->connected.load(), 1);
        // The next announcement (with a made-up id) is another round.
        forged = withNewKey(forged, impostor.port());
    }
    QCOMPARE(pins->size(), std::size_t(1));

    // The real unit, moved to that address with its own key: known again without asking.
    auto moved = options;
    moved.bindAddress = "127.0.0.3";
    moved.port = 0;
    UnitEndpoint movedUnit(moved);
    QVERIFY(movedUnit.start());
    sendDatagram(discoveryPort, announcement("Living", movedUnit.port(), options.publicKey), "127.0.0.3");
    QTRY_VERIFY_WITH_TIMEOUT(messenger->getDiscoverer()->hasItem("127.0.0.3", "Living", movedUnit.port()),
                             5000);
    QVERIFY(messenger->chooseUnit("127.0.0.3", "Living", movedUnit.port(), true, true));
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 2, 8000);
    QCOMPARE(messenger->linkSecurity(), Messenger::LinkSecurity::Pinned);
}

void TestMessagingPinning::confidentialSendsNeedThePinnedKey()
{
    // Plain link: ordinary messages go, confidential ones do not.
    UnitEndpoint plain(unitOptions("Plain"));
    UnitRecorder plainRec(plain);
    QVERIFY(plain.start());
    auto pins = std::make_shared<KeyPinStore>(std::string());
    auto messenger = discoveringMessenger(freeUdpPort(), pins);
    auto observer = std::make_shared<RecordingObserver>();
    messenger->AddObserver(observer);
    QVERIFY(messenger->chooseUnit("127.0.0.1", "127.0.0.1", plain.port(), false, false));
    messenger->connect(3000);
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 1, 5000);
    QCOMPARE(messenger->linkSecurity(), Messenger::LinkSecurity::Plain);
    QVERIFY(!messenger->sendConfidential(makeMessage("Secret", "{}")));
    QVERIFY(messenger->send(makeMessage("Open", "{}")));
    QTRY_COMPARE_WITH_TIMEOUT(plainRec.count("Open"), 1, 5000);
    QCOMPARE(plainRec.count("Secret"), 0);

    // Encrypted without a store: not pinned, so still not confidential.
    auto options = encryptedUnit("Encrypted");
    UnitEndpoint encrypted(options);
    UnitRecorder rec(encrypted);
    QVERIFY(encrypted.start());
    auto unpinned = discoveringMessenger(freeUdpPort(), nullptr);
    auto unpinnedObserver = std::make_shared<RecordingObserver>();
    unpinned->AddObserver(unpinnedObserver);
    QVERIFY(unpinned->chooseUnit("127.0.0.1", "127.0.0.1", encrypted.port(), true, false));
    unpinned->connect(3000);
    QTRY_COMPARE_WITH_TIMEOUT(unpinnedObserver->connected.load(), 1, 5000);
    QCOMPARE(unpinned->linkSecurity(), Messenger::LinkSecurity::Encrypted);
    QVERIFY(!unpinned->sendConfidential(makeMessage("Secret", "{}")));

    // With the store: pinned, confidential messages go.
    QVERIFY(messenger->chooseUnit("127.0.0.1", "127.0.0.1", encrypted.port(), true, false));
    QTRY_COMPARE_WITH_TIMEOUT(observer->connected.load(), 2, 5000);
    QCOMPARE(messenger->linkSecurity(), Messenger::LinkSecurity::Pinned);
    QVERIFY(messenger->sendConfidential(makeMessage("Secret", "{\"k\":1}")));
    QTRY_COMPARE_WITH_TIMEOUT(rec.count("Secret"), 1, 5000);
    QCOMPARE(plainRec.count("Secret"), 0);
}

QTEST_GUILESS_MAIN(TestMessagingPinning)
#include "tst_messaging_pinning.moc"
