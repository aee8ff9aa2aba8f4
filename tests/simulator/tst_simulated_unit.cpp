// The simulated unit end to end: a unit on a free loopback port, Messengers as applications, every body
// decoded the way the application's handlers decode it.
#include <memory>
#include <mutex>
#include <thread>

#include <QDateTime>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "FreePorts.h"

#include <rapidjson/document.h>

#include "AppClient.h"
#include "ComponentRepository.h"
#include "Discoverer.h"
#include "KeyFile.h"
#include "KeyPinStore.h"
#include "MessageNames.h"
#include "QAutoDiscoveryComponent.h"
#include "Scenario.h"
#include "SimulatedUnit.h"
#include "UnitBodies.h"
#include "UnitEndpoint.h"

using namespace Ulmar::Simulator;
namespace Type = Ulmar::Messaging::MessageType;

namespace {

constexpr int Timeout = 10000;

std::unique_ptr<SimulatedUnit> makeUnit(const QString& name = QStringLiteral("Test Unit"),
                                        bool scenario = false)
{
    UnitConfig c;
    c.name = name;
    c.port = 0;
    c.announce = false;
    c.runScenario = scenario;
    c.seatCount = 3;
    auto unit = std::make_unique<SimulatedUnit>(c);
    QString error;
    if (!unit->start(&error))
        qFatal("unit did not start: %s", qPrintable(error));
    return unit;
}

rapidjson::Document parse(const std::string& body)
{
    rapidjson::Document doc;
    doc.Parse(body.c_str());
    return doc;
}

// The first member, as the settings handlers read it: its name must be the key and its value of the type.
bool firstMemberInt(const std::string& body, const char* key, int* value)
{
    auto doc = parse(body);
    if (doc.HasParseError() || !doc.IsObject() || doc.MemberCount() == 0)
        return false;
    const auto& first = *doc.MemberBegin();
    if (std::string(first.name.GetString()) != key || !first.value.IsInt())
        return false;
    *value = first.value.GetInt();
    return true;
}

QString firstMemberString(const std::string& body, const char* key)
{
    auto doc = parse(body);
    if (doc.HasParseError() || !doc.IsObject() || doc.MemberCount() == 0)
        return QStringLiteral("<none>");
    const auto& first = *doc.MemberBegin();
    if (std::string(first.name.GetString()) != key || !first.value.IsString())
        return QStringLiteral("<none>");
    return QString::fromUtf8(first.value.GetString(), int(first.value.GetStringLength()));
}

struct Seat
{
    int index = -1;
    bool muted = false, chained = false;
    double motion = 1, vibration = 1;
};

// Every member of the root, every "seat" array inside it, every element: the seat handler's walk.
QVector<Seat> decodeSeats(const std::string& body)
{
    QVector<Seat> seats;
    auto doc = parse(body);
    if (doc.HasParseError() || !doc.IsObject())
        return seats;
    for (const auto& outer : doc.GetObject()) {
        if (!outer.value.IsObject())
            continue;
        for (const auto& inner : outer.value.GetObject()) {
            if (std::string(inner.name.GetString()) != "seat" || !inner.value.IsArray())
                continue;
            for (const auto& e : inner.value.GetArray()) {
                Seat s;
                if (e.HasMember("index") && e["index"].IsInt())
                    s.index = e["index"].GetInt();
                if (e.HasMember("muted") && e["muted"].IsBool())
                    s.muted = e["muted"].GetBool();
                if (e.HasMember("chained") && e["chained"].IsBool())
                    s.chained = e["chained"].GetBool();
                if (e.HasMember("motion") && e["motion"].IsNumber())
                    s.motion = e["motion"].GetDouble();
                if (e.HasMember("vibration") && e["vibration"].IsNumber())
                    s.vibration = e["vibration"].GetDouble();
                seats.push_back(s);
            }
        }
    }
    return seats;
}

// The object of the first root member (upgrade, update), or null.
const rapidjson::Value* firstObject(const rapidjson::Document& doc)
{
    if (doc.HasParseError() || !doc.IsObject() || doc.MemberCount() == 0 ||
        !doc.MemberBegin()->value.IsObject())
        return nullptr;
    return &doc.MemberBegin()->value;
}

QString str(const rapidjson::Value* obj, const char* key)
{
    if (!obj || !obj->IsObject() || !obj->HasMember(key) || !(*obj)[key].IsString())
        return QStringLiteral("<none>");
    return QString::fromUtf8((*obj)[key].GetString());
}

// The media status keys as the handler scans them: string states, 32-bit integer offset and duration.
struct Media
{
    QString state, motionCode, title, image;
    int offset = -1, duration = -1;
};

Media decodeMedia(const std::string& body)
{
    Media m;
    auto doc = parse(body);
    if (doc.HasParseError() || !doc.IsObject())
        return m;
    for (const auto& outer : doc.GetObject()) {
        if (!outer.value.IsObject())
            continue;
        const auto* o = &outer.value;
        m.state = str(o, "mediaIdState");
        m.motionCode = str(o, "motionCodeState");
        m.title = str(o, "mediaTitle");
        m.image = str(o, "imageFilename");
        if (o->HasMember("mediaOffset") && (*o)["mediaOffset"].IsInt())
            m.offset = (*o)["mediaOffset"].GetInt();
        if (o->HasMember("mediaDuration") && (*o)["mediaDuration"].IsInt())
            m.duration = (*o)["mediaDuration"].GetInt();
    }
    return m;
}

bool wifiResult(const std::string& body, bool* result)
{
    auto doc = parse(body);
    if (doc.HasParseError() || !doc.IsObject())
        return false;
    bool found = false;
    for (const auto& outer : doc.GetObject())
        if (outer.value.IsObject() && outer.value.HasMember("result") && outer.value["result"].IsBool()) {
            *result = outer.value["result"].GetBool();
            found = true;
        }
    return found;
}

} // namespace

class TestSimulatedUnit : public QObject
{
    Q_OBJECT

private slots:
    void stateRequestsAnsweredInDecodableBodies();
    void networkRequestsAnsweredInDecodableBodies();
    void posterIsJpegOfPosterSizeAndUnknownNameGetsEmptyBody();
    void commandsChangeStateAndReachEveryApplication();
    void wifiSettingAnswersResultAndNotifiesNetwork();
    void credentialsRegisterUnitWithoutLeakingTokens();
    void rejectedCommandsKeepStateAndStillReport();
    void malformedInputDoesNotBreakTheUnit();
    void libraryTooLargeForOneMessageIsSentEmpty();
    void floodBeyondBacklogIsDroppedNotQueued();
    void stallStopsAnswersAndResumePushesState();
    void stalledScenarioWaitsEvenAcrossRestart();
    void restartOnSamePortAndDroppedConnectionsReconnect();
    void encryptedUnitWithKeyFile();
    void keyChangeIsRefusedByApplications();
    void twoUnitsOnOneMachineAreBothDiscovered();
    void scenarioPlaysThroughTheStatusLines();
};

void TestSimulatedUnit::stateRequestsAnsweredInDecodableBodies()
{
    auto unit = makeUnit();
    AppClient app(unit->port(), false);
    for (const auto& type : stateRequestTypes())
        QTRY_VERIFY2_WITH_TIMEOUT(app.log->count(type) >= 1, type.c_str(), Timeout);

    const QVector<Seat> seats = decodeSeats(app.log->last(Type::GetSeatStatusNotification));
    QCOMPARE(seats.size(), 3);
    for (int i = 0; i < seats.size(); ++i) {
        QCOMPARE(seats[i].index, i);
        QVERIFY(seats[i].motion >= -20 && seats[i].motion <= 0);
        QVERIFY(seats[i].vibration >= -20 && seats[i].vibration <= 0);
    }

    QCOMPARE(firstMemberString(app.log->last(Type::GetVyraNameNotification), "vyraName"),
             QStringLiteral("Test Unit"));
    int value = 1000;
    QVERIFY(firstMemberInt(app.log->last(Type::GetMotionDelayNotification), "motionDelay", &value));
    QVERIFY(value >= -200 && value <= 200);
    QVERIFY(firstMemberInt(app.log->last(Type::GetRecognitionToleranceNotification), "recognitionTolerance",
                           &value));
    QVERIFY(value >= 0 && value <= 100);

    const Media media = decodeMedia(app.log->last(Type::GetMediaStatusNotification));
    QVERIFY2(Scenario::mediaIdStates().contains(media.state), qPrintable(media.state));
    QVERIFY(Scenario::motionCodeStates().contains(media.motionCode));
    QVERIFY(media.offset >= 0 && media.duration >= 0);

    // The library: "media" arrays inside the root members, every value a string.
    auto library = parse(app.log->last(Type::GetMediaListNotification));
    QVERIFY(library.IsObject());
    int titles = 0;
    bool chinese = false;
    for (const auto& outer : library.GetObject()) {
        QVERIFY(outer.value.IsObject());
        QVERIFY(outer.value.HasMember("media") && outer.value["media"].IsArray());
        for (const auto& m : outer.value["media"].GetArray()) {
            for (const char* key : {"title", "releaseDate", "imdbRef", "duration", "cut", "language"})
                QVERIFY2(m.HasMember(key) && m[key].IsString(), key);
            chinese = chinese || QString::fromUtf8(m["title"].GetString()) == QStringLiteral("卧虎藏龙");
            ++titles;
        }
    }
    QCOMPARE(titles, unit->library().size());
    QVERIFY(titles >= 300);
    QVERIFY2(chinese, "UTF-8 titles survive the trip");

    auto upgrade = parse(app.log->last(Type::GetUpgradeNotification));
    const auto* u = firstObject(upgrade);
    QVERIFY(u && u->HasMember("last") && (*u)["last"].IsObject());
    QVERIFY(Scenario::upgradeStatuses().contains(str(&(*u)["last"], "status")));
    QCOMPARE(str(&(*u)["current"], "version"), unit->state().upgrade.currentVersion);

    auto update = parse(app.log->last(Type::GetUpdateNotification));
    const auto* d = firstObject(update);
    QVERIFY(d && d->HasMember("current"));
    QVERIFY(QDateTime::fromString(str(&(*d)["current"], "updatedTimestamp"), Qt::ISODate).isValid());
    QVERIFY(Scenario::updateStatuses().contains(str(&(*d)["last"], "status")));

    // The login status is a flat object.
    auto login = parse(app.log->last(Type::GetLibraryServiceLoginStatus));
    QVERIFY(login.IsObject() && login["isRegistered"].IsBool() && login["username"].IsString());
    QVERIFY(
        QString::fromUtf8(login["serviceURI"].GetString()).startsWith(QStringLiteral("http://127.0.0.1:")));
}

void TestSimulatedUnit::networkRequestsAnsweredInDecodableBodies()
{
    auto unit = makeUnit();
    AppClient app(unit->port(), false);
    QTRY_VERIFY_WITH_TIMEOUT(app.isConnected(), Timeout);
    QVERIFY(app.send(Type::GetNetworkState));
    QVERIFY(app.send(Type::GetWifiList));
    QTRY_VERIFY_WITH_TIMEOUT(
        app.log->count(Type::GetNetworkState) == 1 && app.log->count(Type::GetWifiList) == 1, Timeout);

    auto net = parse(app.log->last(Type::GetNetworkState));
    const auto* n = firstObject(net);
    QVERIFY(n);
    QVERIFY((*n)["online"].IsBool() && (*n)["wifi_online"].IsBool() && (*n)["hotspot_active"].IsBool());
    QVERIFY((*n)["addresses"].IsArray() && !(*n)["addresses"].Empty());
    for (const auto& a : (*n)["addresses"].GetArray())
        for (const char* key : {"interface_name", "hardware_address", "ip", "netmask", "broadcast"})
            QVERIFY2(a.HasMember(key) && a[key].IsString(), key);
    // Data only, and private: 192.168/16 or 10/8.
    const QString ip = QString::fromUtf8((*n)["addresses"][0]["ip"].GetString());
    QVERIFY2(ip.startsWith(QStringLiteral("192.168.")) || ip.startsWith(QStringLiteral("10.")),
             qPrintable(ip));

    auto wifi = parse(app.log->last(Type::GetWifiList));
    QVERIFY(wifi.IsObject());
    int networks = 0;
    for (const auto& outer : wifi.GetObject()) {
        QVERIFY(outer.value.IsArray());
        for (const auto& w : outer.value.GetArray()) {
            QVERIFY(w["ssid"].IsString() && w["active"].IsBool());
            ++networks;
        }
    }
    QCOMPARE(networks, unit->state().network.visible.size());
}

void TestSimulatedUnit::posterIsJpegOfPosterSizeAndUnknownNameGetsEmptyBody()
{
    auto unit = makeUnit();
    AppClient app(unit->port(), false);
    QTRY_VERIFY_WITH_TIMEOUT(app.isConnected(), Timeout);
    // A Chinese title exercises the font fallback too.
    const MediaEntry* entry = nullptr;
    for (const auto& e : unit->library().entries())
        if (e.title == QStringLiteral("卧虎藏龙"))
            entry = &e;
    QVERIFY(entry);
    QVERIFY(app.send(Type::GetImageData, "{\"imageFileName\":\"" + entry->posterFile.toStdString() + "\"}"));
    QTRY_COMPARE_WITH_TIMEOUT(app.log->count(Type::GetImageData), 1, Timeout);
    const std::string jpeg = app.log->last(Type::GetImageData);
    QImage image;
    QVERIFY(image.loadFromData(reinterpret_cast<const uchar*>(jpeg.data()), int(jpeg.size()), "JPG"));
    QCOMPARE(image.size(), QSize(365, 475));

    QVERIFY(app.send(Type::GetImageData, "{\"imageFileName\":\"no-such-film.jpg\"}"));
    QVERIFY(app.send(Type::GetImageData, "{\"imageFileName\":\"_NotAvailable.jpg\"}"));
    QVERIFY(app.send(Type::GetImageData, "not json"));
    QTRY_COMPARE_WITH_TIMEOUT(app.log->count(Type::GetImageData), 4, Timeout);
    const auto all = app.log->all(Type::GetImageData);
    for (int i = 1; i < 4; ++i)
        QVERIFY2(all[size_t(i)].empty(), "no poster: no body");

    // The same poster again comes from the cache, byte for byte.
    QVERIFY(app.send(Type::GetImageData, "{\"imageFileName\":\"" + entry->posterFile.toStdString() + "\"}"));
    QTRY_COMPARE_WITH_TIMEOUT(app.log->count(Type::GetImageData), 5, Timeout);
    QVERIFY(app.log->last(Type::GetImageData) == jpeg);
}

void TestSimulatedUnit::commandsChangeStateAndReachEveryApplication()
{
    auto unit = makeUnit();
    AppClient a(unit->port(), false);
    AppClient b(unit->port(), false);
    QTRY_VERIFY_WITH_TIMEOUT(a.log->count(Type::GetSeatStatusNotification) == 1 &&
                                 b.log->count(Type::GetSeatStatusNotification) == 1,
                             Timeout);

    // Seats: what the application's model sends (doubles with ".0").
    QVERIFY(a.send(Type::SetSeatSetting,
                   R"({"seat":{"index":2,"muted":true,"chained":false,"motion":-12.5,"vibration":-3.0}})"));
    for (AppClient* app : {&a, &b})
        QTRY_COMPARE_WITH_TIMEOUT(app->log->count(Type::GetSeatStatusNotification), 2, Timeout);
    const QVector<Seat> seats = decodeSeats(b.log->last(Type::GetSeatStatusNotification));
    QCOMPARE(seats.size(), 3);
    QCOMPARE(seats[2].muted, true);
    QCOMPARE(seats[2].chained, false);
    QCOMPARE(seats[2].motion, -12.5);
    QCOMPARE(seats[2].vibration, -3.0);
    QCOMPARE(seats[0].muted, false); // other seats untouched
    QCOMPARE(unit->state().seats[2].motion, -12.5);

    // Settings, clamped to the unit's ranges.
    QVERIFY(b.send(Type::SetMotionDelay, R"({"motionDelay":-150})"));
    QVERIFY(b.send(Type::SetRecognitionTolerance, R"({"recognitionTolerance":250})"));
    for (AppClient* app : {&a, &b}) {
        QTRY_COMPARE_WITH_TIMEOUT(app->log->count(Type::GetMotionDelayNotification), 2, Timeout);
        QTRY_COMPARE_WITH_TIMEOUT(app->log->count(Type::GetRecognitionToleranceNotification), 2, Timeout);
        int v = 0;
        QVERIFY(firstMemberInt(app->log->last(Type::GetMotionDelayNotification), "motionDelay", &v));
        QCOMPARE(v, -150);
        QVERIFY(firstMemberInt(app->log->last(Type::GetRecognitionToleranceNotification),
                               "recognitionTolerance", &v));
        QCOMPARE(v, 100);
    }

    // Renaming: the sender gets the "SetVyraName" answer, everybody the new name, escaped properly.
    const QString name = QStringLiteral("Salle \"Lumière\" \\ 影院");
    const QByteArray body =
        QByteArray("{\"vyraName\":\"Salle \\\"Lumi\xC3\xA8re\\\" \\\\ \xE5\xBD\xB1\xE9\x99\xA2\"}");
    QVERIFY(a.send(Type::SetVyraName, body.toStdString()));
    for (AppClient* app : {&a, &b})
        QTRY_COMPARE_WITH_TIMEOUT(app->log->count(Type::GetVyraNameNotification), 2, Timeout);
    QCOMPARE(firstMemberString(b.log->last(Type::GetVyraNameNotification), "vyraName"), name);
    QCOMPARE(unit->state().name, name);
    QTRY_COMPARE_WITH_TIMEOUT(a.log->count(Type::SetVyraName), 1, Timeout);
    QCOMPARE(b.log->count(Type::SetVyraName), 0);

    // The unit records what it received, bodies parsed.
    const auto received = unit->commands(QString::fromStdString(Type::SetSeatSetting));
    QCOMPARE(received.size(), 1);
    QCOMPARE(received[0].json.object().value("seat").toObject().value("index").toInt(), 2);
    QVERIFY(received[0].handled);
}

void TestSimulatedUnit::wifiSettingAnswersResultAndNotifiesNetwork()
{
    auto unit = makeUnit();
    AppClient a(unit->port(), false);
    AppClient b(unit->port(), false);
    QTRY_VERIFY_WITH_TIMEOUT(a.isConnected() && b.isConnected(), Timeout);
    QTRY_VERIFY_WITH_TIMEOUT(a.log->count(Type::GetSeatStatusNotification) &&
                                 b.log->count(Type::GetSeatStatusNotification),
                             Timeout);

    struct Case
    {
        std::string body;
        bool result;
    };
    const std::vector<Case> cases{
        {R"({"setWifi":{"ssid":"HomeNet","key":"short"}})", false},       // key under 8 characters
        {R"({"setWifi":{"ssid":"Nowhere","key":"longenough1"}})", false}, // not a visible network
        {R"({"setWifi":{"ssid":"HomeNet"}})", false},                     // no key
        {R"({"setWifi":{"clear":false}})", false},
        {R"({"setWifi":{"ssid":"Café Wi-Fi","key":"correct horse"}})", true},
    };
    int answers = 0;
    for (const Case& c : cases) {
        QVERIFY(a.send(Type::SetWifiSetting, c.body));
        ++answers;
        QTRY_COMPARE_WITH_TIMEOUT(a.log->count(Type::SetWifiSetting), answers, Timeout);
        bool result = !c.result;
        QVERIFY(wifiResult(a.log->last(Type::SetWifiSetting), &result));
        QVERIFY2(result == c.result, c.body.c_str());
    }
    QCOMPARE(b.log->count(Type::SetWifiSetting), 0); // the answer goes to the asker only
    QTRY_COMPARE_WITH_TIMEOUT(b.log->count(Type::GetNetworkState), answers, Timeout);
    auto net = parse(b.log->last(Type::GetNetworkState));
    const auto* n = firstObject(net);
    QVERIFY(n && (*n)["wifi_online"].GetBool() && !(*n)["hotspot_active"].GetBool());
    QCOMPARE(str(n, "ssid"), QStringLiteral("Café Wi-Fi"));
    QCOMPARE((*n)["addresses"].Size(), 2u);

    QVERIFY(a.send(Type::SetWifiSetting, R"({"setWifi":{"clear":true}})"));
    QTRY_COMPARE_WITH_TIMEOUT(b.log->count(Type::GetNetworkState), answers + 1, Timeout);
    net = parse(b.log->last(Type::GetNetworkState));
    n = firstObject(net);
    QVERIFY(n && !(*n)["wifi_online"].GetBool() && (*n)["hotspot_active"].GetBool());
    QTRY_COMPARE_WITH_TIMEOUT(b.log->count(Type::GetWifiList), answers + 1, Timeout);
    QVERIFY(b.log->last(Type::GetWifiList).find("true") == std::string::npos); // no network active
}

void TestSimulatedUnit::credentialsRegisterUnitWithoutLeakingTokens()
{
    auto unit = makeUnit();
    // Log lines come from the messaging threads too.
    static std::mutex mutex;
    static QStringList lines;
    auto keep = [](const QString& line) {
        std::lock_guard<std::mutex> lock(mutex);
        lines << line;
    };
    connect(
        unit.get(), &SimulatedUnit::messageReceived,
        [keep](const QString&, const QString& type, const QString& summary) { keep(type + ' ' + summary); });
    connect(unit.get(), &SimulatedUnit::messageSent,
            [keep](const QString&, const QString& type, const QString& summary, bool) {
                keep(type + ' ' + summary);
            });
    const auto previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) {
        std::lock_guard<std::mutex> lock(mutex);
        lines << m;
    });

    AppClient a(unit->port(), false);
    AppClient b(unit->port(), false);
    QTRY_VERIFY_WITH_TIMEOUT(a.log->count(Type::GetLibraryServiceLoginStatus) &&
                                 b.log->count(Type::GetLibraryServiceLoginStatus),
                             Timeout);
    QVERIFY(a.send(
        Type::SetLibraryServiceCredentials,
        R"({"username":"ada","access_token":"AT-0123456789-secret","refresh_token":"RT-9876543210-secret"})"));
    QVERIFY(a.send(Type::SetWifiSetting, R"({"setWifi":{"ssid":"HomeNet","key":"wifi-PASSPHRASE-42"}})"));
    QTRY_COMPARE_WITH_TIMEOUT(b.log->count(Type::GetLibraryServiceLoginStatus), 2, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(a.log->count(Type::SetWifiSetting), 1, Timeout);
    qInstallMessageHandler(previous);
    QStringList captured;
    {
        std::lock_guard<std::mutex> lock(mutex);
        captured = lines;
    }

    auto login = parse(b.log->last(Type::GetLibraryServiceLoginStatus));
    QVERIFY(login["isRegistered"].GetBool());
    QCOMPARE(QString::fromUtf8(login["username"].GetString()), QStringLiteral("ada"));
    QCOMPARE(unit->accessToken(), QStringLiteral("AT-0123456789-secret"));
    QCOMPARE(unit->refreshToken(), QStringLiteral("RT-9876543210-secret"));
    // The test API sees the key; no log line does.
    QCOMPARE(
        unit->commands(QString::fromStdString(Type::SetWifiSetting))[0].json["setWifi"]["key"].toString(),
        QStringLiteral("wifi-PASSPHRASE-42"));
    QVERIFY(captured.filter(QStringLiteral("ada")).size() > 0);
    for (const char* secret : {"0123456789", "9876543210", "PASSPHRASE", "AT-0", "RT-9"})
        QVERIFY2(captured.filter(QString::fromLatin1(secret)).isEmpty(), secret);

    // Empty credentials sign the unit out.
    QVERIFY(a.send(Type::SetLibraryServiceCredentials,
                   R"({"username":"","access_token":"","refresh_token":""})"));
    QTRY_COMPARE_WITH_TIMEOUT(b.log->count(Type::GetLibraryServiceLoginStatus), 3, Timeout);
    login = parse(b.log->last(Type::GetLibraryServiceLoginStatus));
    QVERIFY(!login["isRegistered"].GetBool());
}

void TestSimulatedUnit::rejectedCommandsKeepStateAndStillReport()
{
    auto unit = makeUnit();
    AppClient app(unit->port(), false);
    QTRY_VERIFY_WITH_TIMEOUT(app.log->count(Type::GetVyraNameNotification) == 1, Timeout);
    const UnitState before = unit->state();

    // Each is refused, and the unchanged state is reported back so the application stays truthful.
    const std::vector<std::pair<std::string, std::string>> commands{
        {Type::SetSeatSetting, R"({"seat":{"index":7,"muted":true}})"},
        {Type::SetSeatSetting, R"({"seat":{"index":"1","muted":true}})"},
        {Type::SetSeatSetting, R"({"seat":{"index":1,"motion":"loud","muted":"yes"}})"},
        {Type::SetMotionDelay, R"({"motionDelay":12.5})"},
        {Type::SetMotionDelay, R"({"motionDelay":"40"})"},
        {Type::SetRecognitionTolerance, R"([1,2,3])"},
        {Type::SetVyraName, R"({"vyraName":"   "})"},
        {Type::SetVyraName, R"({"vyraName":42})"},
    };
    for (const auto& c : commands)
        QVERIFY(app.send(c.first, c.second));
    QTRY_COMPARE_WITH_TIMEOUT(app.log->count(Type::GetSeatStatusNotification), 4, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(app.log->count(Type::GetMotionDelayNotification), 3, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(app.log->count(Type::GetRecognitionToleranceNotification), 2, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(app.log->count(Type::GetVyraNameNotification), 3, Timeout);
    QCOMPARE(unit->state().name, before.name);
    QCOMPARE(unit->state().motionDelay, before.motionDelay);
    QCOMPARE(unit->state().recognitionTolerance, before.recognitionTolerance);
    for (int i = 0; i < before.seats.size(); ++i) {
        QCOMPARE(unit->state().seats[i].muted, before.seats[i].muted);
        QCOMPARE(unit->state().seats[i].motion, before.seats[i].motion);
    }
    // Out of range values are held at the limits the user interface offers.
    QVERIFY(app.send(Type::SetSeatSetting, R"({"seat":{"index":0,"motion":-99,"vibration":7}})"));
    QTRY_COMPARE_WITH_TIMEOUT(app.log->count(Type::GetSeatStatusNotification), 5, Timeout);
    const auto seats = decodeSeats(app.log->last(Type::GetSeatStatusNotification));
    QCOMPARE(seats[0].motion, -20.0);
    QCOMPARE(seats[0].vibration, 0.0);
}

void TestSimulatedUnit::malformedInputDoesNotBreakTheUnit()
{
    auto unit = makeUnit();
    AppClient app(unit->port(), false);
    QTRY_VERIFY_WITH_TIMEOUT(app.log->count(Type::GetVyraNameNotification) == 1, Timeout);

    const QList<QByteArray> bodies{"{",
                                   QByteArray("\xFF\xFE\x00\x01", 4),
                                   "null",
                                   "[]",
                                   "{\"seat\":[]}",
                                   "{\"setWifi\":null}",
                                   "{\"seat\":{\"index\":1e400}}"};
    for (const auto& type : allMessageTypes())
        for (const QByteArray& body : bodies)
            unit->receiveMessage(QString::fromStdString(type), body);
    // Nesting deep enough to overflow a recursive parser, and a large body, for every command with a body.
    const QByteArray deep = QByteArray(1000000, '[') + QByteArray(1000000, ']');
    const QByteArray large(4 * 1024 * 1024, 'x');
    for (const std::string& type :
         {Type::SetSeatSetting, Type::SetVyraName, Type::SetMotionDelay, Type::SetRecognitionTolerance,
          Type::SetWifiSetting, Type::SetLibraryServiceCredentials, Type::GetImageData}) {
        unit->receiveMessage(QString::fromStdString(type), deep);
        unit->receiveMessage(QString::fromStdString(type), large);
    }
    // What the unit keeps of what it received stays bounded.
    for (const auto& c : unit->commands())
        QVERIFY(c.body.size() <= 256 * 1024);
    unit->receiveMessage(QStringLiteral("NoSuchMessage"), "{}");
    QVERIFY(!unit->commands(QStringLiteral("NoSuchMessage")).last().handled);
    QCOMPARE(unit->state().name, QStringLiteral("Test Unit"));

    // Malformed messages to the application, and raw frames outside the envelope.
    unit->injectMessage(QString::fromStdString(Type::GetSeatStatusNotification), "{\"seats\":");
    unit->injectRawFrames({"only one frame"});
    unit->injectRawFrames({"GetVyraNameNotification", "x", "", "", "extra"});

    // Both sides still work.
    app.log->clear();
    QVERIFY(app.send(Type::SetMotionDelay, R"({"motionDelay":33})"));
    QTRY_COMPARE_WITH_TIMEOUT(app.log->count(Type::GetMotionDelayNotification), 1, Timeout);
    int v = 0;
    QVERIFY(firstMemberInt(app.log->last(Type::GetMotionDelayNotification), "motionDelay", &v));
    QCOMPARE(v, 33);
}

void TestSimulatedUnit::libraryTooLargeForOneMessageIsSentEmpty()
{
    auto unit = makeUnit();
    unit->setLibrary(MediaLibrary::generated(150000));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("too large for one message")));
    AppClient app(unit->port(), false);
    QTRY_COMPARE_WITH_TIMEOUT(app.log->count(Type::GetMediaListNotification), 1, Timeout);
    auto library = parse(app.log->last(Type::GetMediaListNotification));
    QVERIFY(library.IsObject() && library.MemberBegin()->value["media"].IsArray());
    QCOMPARE(library.MemberBegin()->value["media"].Size(), 0u);
    QVERIFY(app.isConnected());
    QCOMPARE(app.log->lost.load(), 0);
}

void TestSimulatedUnit::floodBeyondBacklogIsDroppedNotQueued()
{
    UnitConfig c;
    c.port = 0;
    c.announce = false;
    c.runScenario = false;
    c.maxPendingMessages = 50;
    SimulatedUnit unit(c);
    QVERIFY(unit.start());
    AppClient app(unit.port(), false);
    // Every state request of the connection answered (the login status is asked last) and none still waiting:
    // one left in the backlog would take a place of the flood's and make the counts below one off.
    QTRY_VERIFY_WITH_TIMEOUT(
        app.log->count(Type::GetLibraryServiceLoginStatus) >= 1 && unit.pendingMessages() == 0, Timeout);
    unit.clearCommands();

    // The unit's thread (this one) is busy while the messages arrive.
    for (int i = 0; i < 400; ++i)
        QVERIFY(app.send(Type::GetWifiList));
    QElapsedTimer waited;
    waited.start();
    while ((unit.pendingMessages() < 50 || unit.droppedMessages() < 350) && waited.elapsed() < 30000)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    QCOMPARE(unit.pendingMessages(), 50);
    QCOMPARE(unit.droppedMessages(), 350);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("messages dropped")));
    QTRY_COMPARE_WITH_TIMEOUT(unit.commands().size(), 50, Timeout);
    QCOMPARE(unit.droppedMessages(), 0); // reported

    // Once the backlog is gone the unit answers again.
    QVERIFY(app.send(Type::GetNetworkState));
    QTRY_COMPARE_WITH_TIMEOUT(app.log->count(Type::GetNetworkState), 1, Timeout);
}

void TestSimulatedUnit::stallStopsAnswersAndResumePushesState()
{
    auto unit = makeUnit();
    AppClient app(unit->port(), false);
    QTRY_VERIFY_WITH_TIMEOUT(app.log->count(Type::GetMotionDelayNotification) == 1, Timeout);

    unit->stall();
    QVERIFY(unit->isStalled());
    QVERIFY(app.send(Type::SetMotionDelay, R"({"motionDelay":77})"));
    QVERIFY(app.send(Type::GetVyraNameNotification));
    QTRY_COMPARE_WITH_TIMEOUT(unit->commands(QString::fromStdString(Type::GetVyraNameNotification)).size(), 2,
                              Timeout);
    // Received but neither applied nor answered.
    QVERIFY(!unit->commands().last().handled);
    QCOMPARE(unit->state().motionDelay, 0);
    QTest::qWait(300);
    QCOMPARE(app.log->count(Type::GetMotionDelayNotification), 1);
    QCOMPARE(app.log->count(Type::GetVyraNameNotification), 1);
    QVERIFY(app.isConnected()); // the transport stays up: only the unit is silent

    unit->resume();
    QTRY_COMPARE_WITH_TIMEOUT(app.log->count(Type::GetVyraNameNotification), 2, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(app.log->count(Type::GetSeatStatusNotification), 2, Timeout);
    QVERIFY(app.send(Type::SetMotionDelay, R"({"motionDelay":77})"));
    QTRY_COMPARE_WITH_TIMEOUT(unit->state().motionDelay, 77, Timeout);
}

void TestSimulatedUnit::stalledScenarioWaitsEvenAcrossRestart()
{
    UnitConfig c;
    c.port = 0;
    c.announce = false;
    c.timeScale = 0.01;
    SimulatedUnit unit(c);
    QSignalSpy steps(&unit, &SimulatedUnit::stepStarted);
    QVERIFY(unit.start());
    QTRY_VERIFY_WITH_TIMEOUT(steps.count() >= 3, Timeout);
    unit.stall();
    const int step = unit.scenarioStep();
    const int started = steps.count();
    unit.restart();
    QTest::qWait(300); // thirty scenario seconds: several steps if the clock ran
    QCOMPARE(unit.scenarioStep(), step);
    QCOMPARE(steps.count(), started);
    unit.resume();
    QTRY_VERIFY_WITH_TIMEOUT(steps.count() > started, Timeout);
}

void TestSimulatedUnit::restartOnSamePortAndDroppedConnectionsReconnect()
{
    auto unit = makeUnit();
    const quint16 port = unit->port();
    AppClient app(unit->port(), false);
    QTRY_VERIFY_WITH_TIMEOUT(app.log->count(Type::GetVyraNameNotification) == 1, Timeout);

    unit->stop();
    QVERIFY(!unit->isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(app.log->lost >= 1, Timeout);
    QVERIFY(unit->start());
    QCOMPARE(unit->port(), port);
    // After reconnecting the application asks again, and the unit answers again.
    QTRY_VERIFY_WITH_TIMEOUT(app.log->connected >= 2, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(app.log->count(Type::GetVyraNameNotification), 2, Timeout);

    const int connections = app.log->connected;
    unit->dropAllConnections();
    QTRY_VERIFY_WITH_TIMEOUT(app.log->connected > connections, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(app.log->count(Type::GetVyraNameNotification), 3, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(unit->peerCount(), 1, Timeout);
}

void TestSimulatedUnit::encryptedUnitWithKeyFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/unit-key.txt"));
    KeyFile keys, again;
    QString error;
    QVERIFY2(KeyFile::loadOrCreate(path, &keys, &error), qPrintable(error));
    QVERIFY(KeyFile::isZ85Key(keys.publicKey) && KeyFile::isZ85Key(keys.secretKey));
    QCOMPARE(QFile::permissions(path) &
                 (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
             QFile::Permissions());
    QVERIFY(KeyFile::loadOrCreate(path, &again, &error));
    QCOMPARE(again.publicKey, keys.publicKey); // kept, not regenerated
    QCOMPARE(again.secretKey, keys.secretKey);

    // A damaged file is an error, never silently replaced.
    const QString damaged = dir.filePath(QStringLiteral("damaged.txt"));
    QFile f(damaged);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("public=tooshort\nsecret=" + keys.secretKey.toLatin1() + "\n");
    f.close();
    QVERIFY(!KeyFile::loadOrCreate(damaged, &again, &error));
    QVERIFY(error.contains(QStringLiteral("damaged.txt")));
    QVERIFY(!error.contains(keys.secretKey));

    // The file keeps the unit id; a renewed pair keeps it too, as a factory reset keeps the serial number.
    QVERIFY(Ulmar::Messaging::UnitEndpoint::isUnitId(keys.unitId.toStdString()));
    QCOMPARE(again.unitId, keys.unitId);
    KeyFile renewed;
    QVERIFY2(KeyFile::renew(path, &renewed, &error), qPrintable(error));
    QVERIFY(renewed.publicKey != keys.publicKey && renewed.secretKey != keys.secretKey);
    QCOMPARE(renewed.unitId, keys.unitId);
    QVERIFY(KeyFile::loadOrCreate(path, &again, &error));
    QCOMPARE(again.publicKey, renewed.publicKey);
    // A file of an older version, without an id, gets one and keeps its keys.
    const QString old = dir.filePath(QStringLiteral("old.txt"));
    QFile o(old);
    QVERIFY(o.open(QIODevice::WriteOnly));
    o.write("public=" + keys.publicKey.toLatin1() + "\nsecret=" + keys.secretKey.toLatin1() + "\n");
    o.close();
    QVERIFY(KeyFile::loadOrCreate(old, &again, &error));
    QCOMPARE(again.publicKey, keys.publicKey);
    QVERIFY(!again.unitId.isEmpty() && again.unitId != keys.unitId);
    KeyFile reread;
    QVERIFY(KeyFile::load(old, &reread, &error));
    QCOMPARE(reread.unitId, again.unitId);

    UnitConfig c;
    c.port = 0;
    c.announce = false;
    c.runScenario = false;
    c.encrypted = true;
    c.publicKey = keys.publicKey;
    c.secretKey = keys.secretKey;
    SimulatedUnit unit(c);
    QVERIFY(unit.start());
    AppClient app(unit.port(), true);
    QTRY_VERIFY_WITH_TIMEOUT(app.log->count(Type::GetVyraNameNotification) == 1, Timeout);
    QCOMPARE(firstMemberString(app.log->last(Type::GetVyraNameNotification), "vyraName"),
             QStringLiteral("VYRA Living Room"));
}

namespace {
class MismatchWatcher : public Ulmar::Messaging::IMessengerObserver
{
public:
    void handleUnitKeyMismatch(const Ulmar::Messaging::UnitKeyMismatch& m) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        offered.push_back(m.offeredKey);
    }
    std::vector<std::string> snapshot()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return offered;
    }
    std::mutex mutex;
    std::vector<std::string> offered;
};
} // namespace

void TestSimulatedUnit::keyChangeIsRefusedByApplications()
{
    using namespace Ulmar::Messaging;
    UnitConfig c;
    c.port = 0;
    c.announce = false;
    c.runScenario = false;
    c.encrypted = true;
    const auto pair = UnitEndpoint::generateKeyPair();
    c.publicKey = QString::fromStdString(pair.first);
    c.secretKey = QString::fromStdString(pair.second);
    c.unitId = QStringLiteral("sim-unit-1");
    SimulatedUnit unit(c);
    QVERIFY(unit.start());
    const quint16 port = unit.port();

    AppClient app(port, true);
    auto pins = std::make_shared<KeyPinStore>(std::string());
    app.messenger->setKeyPinStore(pins);
    auto watcher = std::make_shared<MismatchWatcher>();
    app.messenger->AddObserver(watcher);
    QTRY_VERIFY_WITH_TIMEOUT(app.log->connected >= 1, Timeout);
    // Connected again with the store in place: the key is remembered under the unit id of the query answer.
    unit.dropAllConnections();
    QTRY_VERIFY_WITH_TIMEOUT(pins->size() == 1, Timeout);
    QCOMPARE(pins->check({"sim-unit-1", "another name", "10.9.9.9", 1}, pair.first).verdict,
             KeyPinStore::Verdict::Match);
    const int connections = app.log->connected;

    QVERIFY(!unit.changeKey(QStringLiteral("short"), c.secretKey));
    const auto next = UnitEndpoint::generateKeyPair();
    QString error;
    QVERIFY2(unit.changeKey(QString::fromStdString(next.first), QString::fromStdString(next.second), &error),
             qPrintable(error));
    QCOMPARE(unit.port(), port);
    QCOMPARE(unit.config().publicKey, QString::fromStdString(next.first));
    QTRY_COMPARE_WITH_TIMEOUT(watcher->snapshot().size(), std::size_t(1), Timeout);
    QCOMPARE(watcher->snapshot().front(), next.first);
    QCOMPARE(app.log->connected.load(), connections);

    app.messenger->acceptUnitKey(next.first);
    QTRY_VERIFY_WITH_TIMEOUT(app.log->connected > connections, Timeout);
    QCOMPARE(pins->check({"sim-unit-1", "", "", 0}, next.first).verdict, KeyPinStore::Verdict::Match);
}

void TestSimulatedUnit::twoUnitsOnOneMachineAreBothDiscovered()
{
    const quint16 discoveryPort = freeUdpPort();
    QVERIFY(discoveryPort != 0);
    auto makeAnnouncing = [&](const QString& name) {
        UnitConfig c;
        c.name = name;
        c.port = 0;
        c.announcePort = discoveryPort;
        c.announceIntervalMs = 100;
        c.runScenario = false;
        auto unit = std::make_unique<SimulatedUnit>(c);
        return unit;
    };
    auto living = makeAnnouncing(QStringLiteral("Living Room"));
    auto cinema = makeAnnouncing(QStringLiteral("Cinema"));

    Ulmar::QAutoDiscoveryComponent discovery;
    QCOMPARE(discovery.Init(), Ulmar::Component::Success);
    QCOMPARE(discovery.Resume(), Ulmar::Component::Success);
    using namespace Ulmar::Messaging;
    Messenger messenger({std::make_shared<DiscoveryStrategyInfo>(DiscoveryStrategyInfo::LanDiscovery,
                                                                 std::to_string(discoveryPort), 100)},
                        "VYRA", ITransport::TransportZeroMQ);
    QVERIFY(living->start());
    QVERIFY(cinema->start());
    auto discoverer = messenger.getDiscoverer();
    auto names = [&]() {
        QStringList out;
        for (const auto& d : discoverer->getDiscovered())
            out << QString::fromStdString(d.getName()) + ':' + QString::number(d.getPort());
        out.sort();
        return out;
    };
    const QStringList expected{QStringLiteral("Cinema:%1").arg(cinema->port()),
                               QStringLiteral("Living Room:%1").arg(living->port())};
    QTRY_COMPARE_WITH_TIMEOUT(names(), expected, Timeout);

    // A new name is announced from then on.
    cinema->receiveMessage(QString::fromStdString(MessageType::SetVyraName), R"({"vyraName":"Home Cinema"})");
    QTRY_VERIFY_WITH_TIMEOUT(names().contains(QStringLiteral("Home Cinema:%1").arg(cinema->port())), Timeout);
    discovery.Shutdown();
}

void TestSimulatedUnit::scenarioPlaysThroughTheStatusLines()
{
    UnitConfig c;
    c.port = 0;
    c.announce = false;
    c.timeScale = 0.01; // a second lasts 10 ms
    c.runScenario = false;
    SimulatedUnit unit(c);
    QVERIFY(unit.start());
    AppClient app(unit.port(), false);
    QTRY_VERIFY_WITH_TIMEOUT(app.log->count(Type::GetUpgradeNotification) == 1, Timeout);
    const QString firstVersion = unit.state().upgrade.currentVersion;

    // The application hears it all from the start: one whole loop, back at its first step.
    QSignalSpy steps(&unit, &SimulatedUnit::stepStarted);
    unit.setScenarioRunning(true);
    QTRY_VERIFY_WITH_TIMEOUT(steps.count() > unit.scenario().steps().size(), 20000);
    QCOMPARE(steps.at(unit.scenario().steps().size()).at(0).toInt(), unit.scenario().loopFrom());
    QVERIFY(unit.state().upgrade.currentVersion != firstVersion);
    unit.setScenarioRunning(false);

    QStringList states;
    QString title;
    int lastOffset = -1;
    bool advancing = false;
    for (const auto& body : app.log->all(Type::GetMediaStatusNotification)) {
        const Media m = decodeMedia(body);
        if (states.isEmpty() || states.last() != m.state)
            states << m.state;
        if (m.state == QLatin1String("ident_success")) {
            QVERIFY(!m.title.isEmpty() && m.image.endsWith(QStringLiteral(".jpg")));
            QVERIFY(m.offset >= 0 && m.offset <= m.duration);
            QVERIFY(unit.library().byPosterFile(m.image) != nullptr);
            advancing = advancing || (m.title == title && m.offset == lastOffset + 1);
            title = m.title;
            lastOffset = m.offset;
        } else {
            QVERIFY(m.title.isEmpty() && m.image.isEmpty());
        }
    }
    const QString played = states.join(QLatin1Char(' '));
    QVERIFY2(QRegularExpression(QStringLiteral("listening ident_success silence_detected listening "
                                               "ident_failure ident_success"))
                 .match(played)
                 .hasMatch(),
             qPrintable(played));
    QVERIFY2(advancing, "the offset advances one second at a time");

    QStringList upgrades;
    for (const auto& body : app.log->all(Type::GetUpgradeNotification)) {
        auto doc = parse(body);
        const QString status = str(&(*firstObject(doc))["last"], "status");
        if (upgrades.isEmpty() || upgrades.last() != status)
            upgrades << status;
    }
    QVERIFY2(upgrades.join(' ').contains(QStringLiteral("scheduled in_progress success")),
             qPrintable(upgrades.join(' ')));
    const auto updates = app.log->all(Type::GetUpdateNotification);
    QVERIFY(updates.size() >= 3); // state request, in_progress, success
    auto lastUpdate = parse(updates.back());
    QCOMPARE(str(&(*firstObject(lastUpdate))["last"], "status"), QStringLiteral("success"));
    QVERIFY(
        QDateTime::fromString(str(&(*firstObject(lastUpdate))["current"], "updatedTimestamp"), Qt::ISODate)
            .secsTo(QDateTime::currentDateTimeUtc()) < 120);
}

QTEST_MAIN(TestSimulatedUnit)
#include "tst_simulated_unit.moc"
