// Every body that the application and the simulated unit really exchange (captured on loopback, see
// ProtocolCapture) must validate against its schema under docs/schemas/, and every schema must be used.

#include <algorithm>
#include <map>
#include <set>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QtTest>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "MessageNames.h"
#include "MessageTypeList.h"
#include "ProtocolCapture.h"
#include "RequestTypes.h"
#include "SchemaSet.h"

namespace T = Ulmar::Messaging::MessageType;

namespace {

QString schemaDir()
{
    return qEnvironmentVariable("VYRA_SOURCE_DIR") + "/docs/schemas";
}

// The schema file of a body: "<Type>.request" for what the application sends, "<Type>" for what the unit
// sends (notifications and answers alike reuse the request's type name).
QString schemaName(const CapturedMessage& m)
{
    return QString::fromStdString(m.type) + (m.direction == CapturedMessage::ToUnit ? ".request" : "");
}

// Messages that carry no body at all.
bool bodiless(const CapturedMessage& m)
{
    if (m.direction == CapturedMessage::ToUnit) {
        const auto isOneOf = [&m](const std::vector<std::string>& types) {
            return std::find(types.begin(), types.end(), m.type) != types.end();
        };
        return isOneOf(T::stateRequests()) || isOneOf(T::onDemandRequests());
    }
    return m.type == T::SetVyraName; // the unit's acknowledgement
}

QString shown(const std::string& body)
{
    return QString::fromUtf8(body.data(), int(std::min<size_t>(body.size(), 300)));
}

} // namespace

class TestProtocolSchemas : public QObject
{
    Q_OBJECT

    SchemaSet m_schemas;
    Capture m_capture;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QString error;
        QVERIFY2(m_schemas.load(schemaDir(), error), qPrintable(error));
        QVERIFY2(captureTraffic(m_capture, error), qPrintable(error));
    }

    // The application's and the unit's bodies, each against the schema of its type and direction.
    void everyCapturedBodyMatchesItsSchema()
    {
        std::set<QString> used;
        std::set<std::pair<int, std::string>> seen;
        for (const CapturedMessage& m : m_capture.messages) {
            const QString what =
                QString("%1 %2").arg(m.direction == CapturedMessage::ToUnit ? "app->unit" : "unit->app",
                                     QString::fromStdString(m.type));
            seen.emplace(int(m.direction), m.type);
            if (bodiless(m)) {
                QVERIFY2(m.body.empty(), qPrintable(what + " carries a body: " + shown(m.body)));
                continue;
            }
            if (m.type == T::GetImageData && m.direction == CapturedMessage::ToApp) {
                // The poster itself: the bytes of a JPEG file (or none).
                QVERIFY2(m.body.empty() || m.body.compare(0, 3, "\xFF\xD8\xFF") == 0,
                         qPrintable(what + " is not a JPEG"));
                continue;
            }
            const QString name = schemaName(m);
            QVERIFY2(m_schemas.has(name), qPrintable(what + ": no schema " + name));
            const QString failure = m_schemas.validate(name, m.body);
            QVERIFY2(failure.isEmpty(), qPrintable(what + ": " + failure + "\n  body: " + shown(m.body)));
            used.insert(name);
        }
        // State requests carry the text "1", except the library's, which is empty; commands carry none.
        for (const CapturedMessage& m : m_capture.messages) {
            if (m.direction != CapturedMessage::ToUnit)
                continue;
            const bool stateRequest = bodiless(m) && m.type != T::GetNetworkState && m.type != T::GetWifiList;
            if (stateRequest && m.type != T::GetMediaListNotification && !m.text.empty())
                QCOMPARE(QString::fromStdString(m.text), QString("1"));
            else if (!stateRequest)
                QVERIFY2(m.text.empty(), qPrintable(QString::fromStdString(m.type)));
        }

        // Every family travelled in every direction it has.
        const std::vector<std::string>& toUnit = MessageTypeList::all();
        // The unit sends every type but the app's commands.
        const std::set<std::string> appOnly = {T::SetSeatSetting, T::SetMotionDelay,
                                               T::SetRecognitionTolerance, T::SetLibraryServiceCredentials};
        std::vector<std::string> toApp;
        for (const auto& type : toUnit)
            if (!appOnly.count(type))
                toApp.push_back(type);
        for (const auto& type : toUnit)
            QVERIFY2(seen.count({int(CapturedMessage::ToUnit), type}),
                     ("never sent by the app: " + type).c_str());
        for (const auto& type : toApp)
            QVERIFY2(seen.count({int(CapturedMessage::ToApp), type}),
                     ("never sent by the unit: " + type).c_str());

        // The datagrams and the greeting.
        for (const std::string& a : m_capture.announcements) {
            const QString failure = m_schemas.validate("announcement", a);
            QVERIFY2(failure.isEmpty(), qPrintable("announcement: " + failure + "\n  " + shown(a)));
        }
        for (const std::string& q : m_capture.queries) {
            const QString failure = m_schemas.validate("query", q);
            QVERIFY2(failure.isEmpty(), qPrintable("query: " + failure + "\n  " + shown(q)));
        }
        QCOMPARE(QString::fromStdString(m_capture.hello.type), QString("$HELLO"));
        QCOMPARE(QString::fromStdString(m_capture.hello.text), QString("1"));
        const QString helloFailure = m_schemas.validate("HELLO", m_capture.hello.body);
        QVERIFY2(helloFailure.isEmpty(), qPrintable("$HELLO: " + helloFailure));
        used.insert({"announcement", "query", "HELLO"});

        // No schema describes a body that never travels.
        for (const QString& name : m_schemas.names())
            QVERIFY2(used.count(name), qPrintable("schema not used by any captured body: " + name));
    }

    // The schemas are as strict as the decoders: bodies that a decoder ignores or cannot use are invalid.
    void schemasRefuseWhatDecodersIgnore_data()
    {
        QTest::addColumn<QString>("schema");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("delay as text")
            << "GetMotionDelayNotification" << QByteArray(R"({"motionDelay":"40"})");
        QTest::newRow("delay fraction")
            << "GetMotionDelayNotification" << QByteArray(R"({"motionDelay":12.5})");
        QTest::newRow("delay not first")
            << "GetMotionDelayNotification" << QByteArray(R"({"other":1,"motionDelay":40})");
        QTest::newRow("tolerance beyond int32")
            << "GetRecognitionToleranceNotification" << QByteArray(R"({"recognitionTolerance":2147483648})");
        QTest::newRow("name beyond the limit") << "GetVyraNameNotification"
                                               << "{\"vyraName\":\"" + QByteArray(257, 'n') + "\"}";
        QTest::newRow("name as number") << "GetVyraNameNotification" << QByteArray(R"({"vyraName":7})");
        QTest::newRow("seat index fraction")
            << "GetSeatStatusNotification" << QByteArray(R"({"seats":{"seat":[{"index":1.5}]}})");
        QTest::newRow("seat list not array")
            << "GetSeatStatusNotification" << QByteArray(R"({"seats":{"seat":{"index":1}}})");
        QTest::newRow("offset fraction")
            << "GetMediaStatusNotification"
            << QByteArray(R"({"s":{"mediaIdState":"started","mediaOffset":1.5}})");
        QTest::newRow("unknown state")
            << "GetMediaStatusNotification" << QByteArray(R"({"s":{"mediaIdState":"Started"}})");
        QTest::newRow("duration as number")
            << "GetMediaListNotification" << QByteArray(R"({"l":{"media":[{"title":"A","duration":90}]}})");
        QTest::newRow("upgrade status unknown")
            << "GetUpgradeNotification" << QByteArray(R"({"u":{"last":{"version":"2","status":"done"}}})");
        QTest::newRow("online as number") << "GetNetworkState" << QByteArray(R"({"n":{"online":1}})");
        QTest::newRow("wifi list of objects")
            << "GetWifiList" << QByteArray(R"({"networks":{"ssid":"A","active":true}})");
        QTest::newRow("result as text") << "SetWifiSetting" << QByteArray(R"({"setWifi":{"result":"true"}})");
        QTest::newRow("login nothing known")
            << "GetLibraryServiceLoginStatus" << QByteArray(R"({"user":"x"})");
        QTest::newRow("wifi key missing")
            << "SetWifiSetting.request" << QByteArray(R"({"setWifi":{"ssid":"HomeNet"}})");
        QTest::newRow("clear false") << "SetWifiSetting.request"
                                     << QByteArray(R"({"setWifi":{"clear":false}})");
        QTest::newRow("poster name missing")
            << "GetImageData.request" << QByteArray(R"({"imageFilename":"a.jpg"})");
        QTest::newRow("announcement port 0")
            << "announcement" << QByteArray(R"({"v":1,"service":"VYRA","name":"A","port":0})");
        QTest::newRow("announcement short key")
            << "announcement" << QByteArray(R"({"v":1,"service":"VYRA","name":"A","port":1,"key":"abc"})");
        QTest::newRow("query version 2") << "query" << QByteArray(R"({"v":2,"query":"VYRA"})");
    }
    void schemasRefuseWhatDecodersIgnore()
    {
        QFETCH(QString, schema);
        QFETCH(QByteArray, body);
        QVERIFY2(m_schemas.has(schema), qPrintable(schema));
        QVERIFY2(!m_schemas.validate(schema, body.toStdString()).isEmpty(), body.constData());
    }
};

QTEST_MAIN(TestProtocolSchemas)
#include "tst_protocol_schemas.moc"
