#include <mutex>

#include <QtTest>

#include "AppTestSupport.h"
#include "GetMotionDelayNotificationHandler.h"
#include "GetRecognitionToleranceNotificationHandler.h"
#include "GetVyraNameNotificationHandler.h"
#include "Messenger.h"
#include "SetMotionDelayNotificationSender.h"
#include "SetRecognitionToleranceNotificationSender.h"
#include "SetVyraNameNotificationSender.h"
#include "UnitEndpoint.h"

using namespace Ulmar::Messaging;

namespace {
struct Received
{
    std::string type;
    std::uint32_t version;
    std::string text;
    std::string body;
};
} // namespace

class TestControllerSettings : public QObject
{
    Q_OBJECT

private slots:
    void motionDelayDecoding_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("why"); // of the log line when the value is not taken
        const QString notWhole = "not a whole number in the signed 32-bit range (12.0 and 1e3 are not)";
        const QString notFirst = "it is not the body's first member";
        const QString noObject = "the body is no JSON object with members";
        QTest::newRow("negative") << QByteArray(R"({"motionDelay":-150})") << -150 << QString();
        QTest::newRow("later members ignored")
            << QByteArray(R"({"motionDelay":40,"other":1})") << 40 << QString();
        QTest::newRow("not the first member")
            << QByteArray(R"({"other":1,"motionDelay":40})") << 0 << notFirst;
        QTest::newRow("text value") << QByteArray(R"({"motionDelay":"40"})") << 0 << notWhole;
        QTest::newRow("fraction") << QByteArray(R"({"motionDelay":12.5})") << 0 << notWhole;
        QTest::newRow("whole number written as a fraction")
            << QByteArray(R"({"motionDelay":12.0})") << 0 << notWhole;
        QTest::newRow("beyond 32 bits") << QByteArray(R"({"motionDelay":2147483648})") << 0 << notWhole;
        QTest::newRow("int32 minimum")
            << QByteArray(R"({"motionDelay":-2147483648})") << int(INT32_MIN) << QString();
        QTest::newRow("key differs in case") << QByteArray(R"({"MotionDelay":40})") << 0 << notFirst;
        QTest::newRow("empty body") << QByteArray() << 0 << noObject;
        QTest::newRow("invalid json") << QByteArray(R"({"motionDelay":)") << 0 << noObject;
        QTest::newRow("array") << QByteArray("[40]") << 0 << noObject;
        QTest::newRow("empty object") << QByteArray("{}") << 0 << noObject;
    }

    void motionDelayDecoding()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, expected);
        QFETCH(QString, why);
        if (!why.isEmpty())
            QTest::ignoreMessage(
                QtDebugMsg, qPrintable("Unit setting \"motionDelay\" ignored, shown as the default: " + why));
        GetMotionDelayNotificationHandler handler;
        AppTest::KeyValueRecorder recorder;
        handler.keyValueSignal().connect(std::ref(recorder));
        handler.handleResponse(AppTest::response("GetMotionDelayNotification", body.toStdString()));
        const auto pairs = recorder.pairs();
        QCOMPARE(pairs.size(), std::size_t(1));
        QCOMPARE(pairs[0].first.toString(), QString("motionDelay"));
        QCOMPARE(pairs[0].second.type(), QVariant::Int);
        QCOMPARE(pairs[0].second.toInt(), expected);
    }

    void recognitionToleranceDecoding()
    {
        GetRecognitionToleranceNotificationHandler handler;
        AppTest::KeyValueRecorder recorder;
        handler.keyValueSignal().connect(std::ref(recorder));
        handler.handleResponse(
            AppTest::response("GetRecognitionToleranceNotification", R"({"recognitionTolerance":7})"));
        handler.handleResponse(
            AppTest::response("GetRecognitionToleranceNotification", R"({"motionDelay":7})"));
        const auto pairs = recorder.pairs();
        QCOMPARE(pairs.size(), std::size_t(2));
        QCOMPARE(pairs[0].first.toString(), QString("recognitionTolerance"));
        QCOMPARE(pairs[0].second.toInt(), 7);
        QCOMPARE(pairs[1].second.toInt(), 0);
    }

    void nameDecoding_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("emitted");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("utf-8 name") << "GetVyraNameNotification"
                                    << QByteArray(R"({"vyraName":"Salle \u00e9 \u4e2d"})") << true
                                    << "GetVyraNameNotification" << QString::fromUtf8("Salle é 中");
        QTest::newRow("raw utf-8") << "GetVyraNameNotification"
                                   << QByteArray("{\"vyraName\":\"K\xc3\xbc\x63he\"}") << true
                                   << "GetVyraNameNotification" << QString::fromUtf8("Küche");
        QTest::newRow("number") << "GetVyraNameNotification" << QByteArray(R"({"vyraName":5})") << true
                                << "GetVyraNameNotification" << QString();
        QTest::newRow("empty body") << "GetVyraNameNotification" << QByteArray() << true
                                    << "GetVyraNameNotification" << QString();
        QTest::newRow("rename answer")
            << "SetVyraName" << QByteArray(R"({"vyraName":"X"})") << true << "SetVyraName" << QString();
        QTest::newRow("type in other case") << "getVyraNameNotification" << QByteArray(R"({"vyraName":"X"})")
                                            << false << QString() << QString();
        QTest::newRow("other type") << "SETVYRANAME" << QByteArray() << false << QString() << QString();
    }

    void nameDecoding()
    {
        QFETCH(QString, type);
        QFETCH(QByteArray, body);
        QFETCH(bool, emitted);
        QFETCH(QString, key);
        QFETCH(QString, value);
        GetVyraNameNotificationHandler handler;
        AppTest::KeyValueRecorder recorder;
        handler.keyValueSignal().connect(std::ref(recorder));
        handler.handleResponse(AppTest::response(type.toStdString(), body.toStdString()));
        const auto pairs = recorder.pairs();
        QCOMPARE(pairs.size(), std::size_t(emitted ? 1 : 0));
        if (!emitted)
            return;
        QCOMPARE(pairs[0].first.toString(), key);
        QCOMPARE(pairs[0].second.type(), QVariant::String);
        QCOMPARE(pairs[0].second.toString(), value);
    }

    // The senders against a unit on loopback: exactly the bytes the unit receives.
    void sendersWriteCompactBodies()
    {
        UnitEndpoint::Options options;
        options.port = 0;
        options.announce = false;
        UnitEndpoint unit(options);
        std::mutex mutex;
        std::vector<Received> received;
        unit.setMessageCallback([&](const UnitEndpoint::PeerId&, std::shared_ptr<IMessage> message) {
            std::lock_guard<std::mutex> lock(mutex);
            received.push_back({message->getMessageType(), message->getVersion(), message->getText(),
                                message->bodyAsString()});
        });
        QVERIFY(unit.start());

        DiscoveryStrategyList strategies{std::make_shared<DiscoveryStrategyInfo>(
            2, "plain;127.0.0.1;" + std::to_string(unit.port()), 1500)};
        auto messenger = std::make_shared<Messenger>(strategies, "VYRA", ITransport::TransportZeroMQ);
        messenger->setAutoReconnect(200);
        messenger->connect(3000);
        QTRY_VERIFY_WITH_TIMEOUT(messenger->isConnected(), 20000);

        SetMotionDelayNotificationSender motionDelay(messenger);
        SetRecognitionToleranceNotificationSender tolerance(messenger);
        SetVyraNameNotificationSender name(messenger);
        motionDelay.triggerSendMotionDelay(QVariant(-150));
        tolerance.triggerSendRecognitionTolerance(QVariant(QString("12")));
        name.triggerSendVyraName(QVariant(QString::fromUtf8("Say \"hi\" \\ é")));
        motionDelay.triggerSendMotionDelay(QVariant(120));

        auto count = [&] {
            std::lock_guard<std::mutex> lock(mutex);
            return received.size();
        };
        QTRY_COMPARE_WITH_TIMEOUT(count(), std::size_t(4), 20000);
        std::lock_guard<std::mutex> lock(mutex);
        QCOMPARE(received[0].type, std::string("SetMotionDelay"));
        QCOMPARE(received[0].body, std::string(R"({"motionDelay":-150})"));
        QCOMPARE(received[0].version, 1u);
        QCOMPARE(received[0].text, std::string());
        QCOMPARE(received[1].type, std::string("SetRecognitionTolerance"));
        QCOMPARE(received[1].body, std::string(R"({"recognitionTolerance":12})"));
        QCOMPARE(received[2].type, std::string("SetVyraName"));
        QCOMPARE(received[2].body, std::string("{\"vyraName\":\"Say \\\"hi\\\" \\\\ \xc3\xa9\"}"));
        QCOMPARE(received[3].body, std::string(R"({"motionDelay":120})"));
        QCOMPARE(received[3].body.size(), std::size_t(19));
    }
};

QTEST_GUILESS_MAIN(TestControllerSettings)
#include "tst_app_controllersettings.moc"
