// Network state and Wi-Fi: the three answers' decoding and the wizard's requests on the wire.

#include <QtTest>

#include "ConnectionWizardSender.h"
#include "ControllerTestSupport.h"
#include "GetVYRANetworkStateHandler.h"
#include "GetWifiListHandler.h"
#include "MessageNames.h"
#include "WifiSettingHandler.h"

using namespace Ulmar::Messaging;
using ControllerTest::arg;
using ControllerTest::response;

class TestNetwork : public QObject
{
    Q_OBJECT

private slots:
    // Network state ---------------------------------------------------------------------------------------

    void networkStateDefaultsAndTypes_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QVariantList>("expected"); // wifi, lan, hotspot, ssid, number of interfaces
        const QVariantList defaults{false, false, false, "---", 0};
        QTest::newRow("lan only") << R"({"network":{"online":true}})"
                                  << QVariantList{false, true, false, "---", 0};
        QTest::newRow("number is not true") << R"({"network":{"online":1,"wifi_online":"true"}})" << defaults;
        QTest::newRow("no body") << "" << defaults;
        QTest::newRow("invalid") << R"({"network":)" << defaults;
        QTest::newRow("array root") << R"([{"online":true}])" << defaults;
        QTest::newRow("members not objects") << R"({"a":true,"b":[{"online":true}],"c":"x"})" << defaults;
        QTest::newRow("all set") << "{\"n\":{\"wifi_online\":true,\"hotspot_active\":true,\"ssid\":\"Home "
                                    "\\\"5G\\\"\",\"online\":false}}"
                                 << QVariantList{true, false, true, "Home \"5G\"", 0};
        QTest::newRow("later wins across members")
            << R"({"a":{"ssid":"one","online":true},"b":{"ssid":"two","ssid":3,"online":false}})"
            << QVariantList{false, false, false, "two", 0};
    }

    void networkStateDefaultsAndTypes()
    {
        QFETCH(QString, body);
        QFETCH(QVariantList, expected);
        GetVYRANetworkStateHandler handler;
        QSignalSpy state(&handler, &GetVYRANetworkStateHandler::vyraNetworkStateChangedSignal);
        QSignalSpy hotspot(&handler, &GetVYRANetworkStateHandler::isHotspotActiveSignal);
        handler.handleResponse(response(MessageType::GetNetworkState, body.toStdString()));
        QCOMPARE(state.count(), 1);
        QCOMPARE(hotspot.count(), 1);
        QCOMPARE(arg(state, 0, 0).toBool(), expected[0].toBool());
        QCOMPARE(arg(state, 0, 1).toBool(), expected[1].toBool());
        QCOMPARE(arg(state, 0, 2).toBool(), expected[2].toBool());
        QCOMPARE(arg(hotspot, 0, 0).toBool(), expected[2].toBool());
        QCOMPARE(arg(state, 0, 3).toString(), expected[3].toString());
        QCOMPARE(arg(state, 0, 4).toList().size(), expected[4].toInt());
    }

    void interfacesKeepOnlyStringMembers()
    {
        GetVYRANetworkStateHandler handler;
        QSignalSpy state(&handler, &GetVYRANetworkStateHandler::vyraNetworkStateChangedSignal);
        handler.handleResponse(
            response(MessageType::GetNetworkState,
                     R"({"a":{"addresses":[{"ip":"10.0.0.2","netmask":"255.0.0.0"},7,"x",)"
                     R"({"interface_name":"eth0","hardware_address":"aa:bb","broadcast":5,"mtu":"1500"}]},)"
                     R"("b":{"addresses":[{}],"addresses":{"ip":"1.2.3.4"}}})"));
        const QVariantList interfaces = arg(state, 0, 4).toList();
        QCOMPARE(interfaces.size(), 3); // arrays accumulate; non-objects give no entry
        const QVariantMap first = interfaces[0].toMap();
        QCOMPARE(first.keys(), (QStringList{"ip", "netmask"}));
        QCOMPARE(first.value("ip").toString(), QString("10.0.0.2"));
        const QVariantMap second = interfaces[1].toMap();
        QCOMPARE(second.keys(), (QStringList{"hardware_address", "interface_name"}));
        QVERIFY(interfaces[2].toMap().isEmpty());
    }

    // Wi-Fi list --------------------------------------------------------------------------------------------

    void wifiListKeepsDuplicatesAndLastStatusWins()
    {
        GetWifiListHandler handler;
        QSignalSpy list(&handler, &GetWifiListHandler::wifiNetworkListChangedSignal);
        QSignalSpy status(&handler, &GetWifiListHandler::wifiNetworkStatusListChangedSignal);
        handler.handleResponse(response(
            MessageType::GetWifiList,
            R"({"wifi":[{"ssid":"Home","active":true},{"ssid":"Cafe"},{"ssid":"Home","active":false}],)"
            R"("more":[{"active":1},3,["x"]],"obj":{"ssid":"no"},"num":4})"));
        QCOMPARE(arg(list, 0, 0).toString(), QString("wifiNetworkList"));
        QCOMPARE(arg(list, 0, 1).toStringList(), (QStringList{"Home", "Cafe", "Home", ""}));
        QCOMPARE(arg(status, 0, 0).toString(), QString("wifiNetworkStatus"));
        const QVariantMap map = arg(status, 0, 1).toMap();
        QCOMPARE(map.size(), 3);
        QCOMPARE(map.value("Home").toBool(), false);
        QCOMPARE(map.value("Cafe").toBool(), false);
        QVERIFY(map.contains(""));
    }

    void wifiListWithoutDocumentIsEmpty()
    {
        GetWifiListHandler handler;
        QSignalSpy list(&handler, &GetWifiListHandler::wifiNetworkListChangedSignal);
        QSignalSpy status(&handler, &GetWifiListHandler::wifiNetworkStatusListChangedSignal);
        handler.handleResponse(response(MessageType::GetWifiList, "not json"));
        QCOMPARE(list.count(), 1);
        QVERIFY(arg(list, 0, 1).toStringList().isEmpty());
        QVERIFY(arg(status, 0, 1).toMap().isEmpty());
    }

    // Wi-Fi setting answer -------------------------------------------------------------------------------

    void wifiSettingEmitsEachBooleanResult()
    {
        WifiSettingHandler handler;
        QSignalSpy spy(&handler, &WifiSettingHandler::wifiSettingResponseReceived);
        handler.handleResponse(response(MessageType::SetWifiSetting,
                                        R"({"a":{"result":true},"b":{"result":false,"result":"yes"}})"));
        QCOMPARE(spy.count(), 2);
        QCOMPARE(arg(spy, 0, 0).toString(), QString("wifiSettings"));
        QCOMPARE(arg(spy, 0, 1).toBool(), true);
        QCOMPARE(arg(spy, 1, 1).toBool(), false);
        for (const char* body : {"", "{", R"({"a":{"result":1}})", R"({"a":true,"b":[{"result":true}]})"})
            handler.handleResponse(response(MessageType::SetWifiSetting, body));
        QCOMPARE(spy.count(), 2);
    }

    // Requests ----------------------------------------------------------------------------------------------

    void bodiesAreCompactAndEscaped()
    {
        const QString escaped = "{\"setWifi\":{\"ssid\":\"a\\\"b\\\\c\",\"key\":\"k\"}}";
        QCOMPARE(QString::fromStdString(ConnectionWizardSender::wifiChangeBody("a\"b\\c", "k")), escaped);
        QCOMPARE(QString::fromStdString(ConnectionWizardSender::hotspotBody()),
                 QString(R"({"setWifi":{"clear":true}})"));
    }

    void requestsReachTheUnit()
    {
        ControllerTest::LogCapture log;
        ControllerTest::LoopbackUnit unit;
        QVERIFY(unit.connect());
        ConnectionWizardSender sender(unit.messenger());
        sender.triggerWifiChange(QVariant(), QString("secret")); // invalid ssid: nothing
        sender.triggerWifiChange(QString(""), QString("k1"));
        sender.triggerWifiChange(QString::fromUtf8("Café \"x\""), QString::fromUtf8("pä\\ss"));
        sender.triggerWifiList();
        sender.triggerNetworkState();
        sender.requestHotspotActivation();
        QTRY_COMPARE_WITH_TIMEOUT(unit.count(), 5, 10000);
        const auto all = unit.received();
        QCOMPARE(QString::fromStdString(all[0]->getMessageType()), QString("SetWifiSetting"));
        const QStringList expected{
            R"({"setWifi":{"ssid":"","key":"k1"}})",
            QString::fromUtf8("{\"setWifi\":{\"ssid\":\"Café \\\"x\\\"\",\"key\":\"pä\\\\ss\"}}"),
            R"({"setWifi":{"clear":true}})"};
        QCOMPARE(unit.bodies(MessageType::SetWifiSetting), expected);
        QCOMPARE(QString::fromStdString(all[2]->getMessageType()), QString("GetWifiList"));
        QVERIFY(!all[2]->body());
        QCOMPARE(QString::fromStdString(all[3]->getMessageType()), QString("GetNetworkState"));
        QVERIFY(!all[3]->body());
        // The key reached the unit, and no log line anywhere carries it.
        QVERIFY(!log.contains("k1"));
        QVERIFY(!log.contains(QString::fromUtf8("pä")));
        QVERIFY(!log.contains("secret"));
    }

    // A unit reached in plain text gets everything but the network key.
    void noKeyOnAPlainLink()
    {
        ControllerTest::LogCapture log;
        ControllerTest::LoopbackUnit unit(ControllerTest::LoopbackUnit::Plain);
        QVERIFY(unit.connect());
        ConnectionWizardSender sender(unit.messenger());
        sender.triggerWifiChange(QString("Home"), QString("plain-secret"));
        sender.requestHotspotActivation();
        QTRY_COMPARE_WITH_TIMEOUT(unit.count(), 1, 10000);
        QTest::qWait(200);
        QCOMPARE(unit.bodies(MessageType::SetWifiSetting), QStringList{R"({"setWifi":{"clear":true}})"});
        QVERIFY(log.contains("Wi-Fi settings not sent"));
        QVERIFY(!log.contains("plain-secret"));
    }
};

QTEST_MAIN(TestNetwork)
#include "tst_network.moc"
