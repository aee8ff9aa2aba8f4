// What the application sends while no link can take it: one log line per message type until the link is up
// again, never a body, and the Wi-Fi page told that no answer will come.
#include <functional>

#include <QtTest>

#include "FreePorts.h"

#include "AppTestSupport.h"
#include "FacadeFixture.h"
#include "GetSeatStatusNotificationHandler.h"
#include "ImageDataRequestSender.h"
#include "MessageNames.h"
#include "UnitEndpoint.h"

using namespace Ulmar;
using namespace Ulmar::Messaging;

class TestRefusedSends : public QObject
{
    Q_OBJECT

private slots:
    void refusedSendsAreLoggedOncePerTypeAndLink()
    {
        UnitEndpoint::Options options;
        options.unitName = "Refusing";
        options.port = freeTcpPort();
        options.announce = false;
        options.encrypted = true;
        std::tie(options.publicKey, options.secretKey) = UnitEndpoint::generateKeyPair();
        UnitEndpoint unit(options);
        QVERIFY(unit.start());

        FacadeFixture f("127.0.0.1:" + std::to_string(options.port));
        f.facade->initMessageObservers();
        // Posters are asked for by the media status handler only while the unit is online; its sender is
        // driven directly here, on the same messenger.
        ImageDataRequestSender posters(f.facade->messenger());
        GetSeatStatusNotificationHandler seatReports(f.seats);
        seatReports.handleResponse(
            AppTest::response(MessageType::GetSeatStatusNotification, R"({"s":{"seat":[{"index":0}]}})"));
        QTRY_COMPARE(f.seats->rowCount(), 1);
        QSignalSpy wifiAnswers(f.facade.get(), &Facade::wifiChangeSuccess);

        int n = 0;
        struct Send
        {
            const char* type;
            std::function<void()> send;
        };
        const std::vector<Send> table = {
            {"SetSeatSetting",
             [&] { f.seats->setData(f.seats->index(0), -double(++n % 50), SeatPaneMgr::MotionRole); }},
            {"SetVyraName", [&] { f.facade->renameMotionController(QString("Private name %1").arg(++n)); }},
            {"SetMotionDelay", [&] { f.facade->sendMotionDelay(++n % 2 + 1); }},
            {"SetRecognitionTolerance", [&] { f.facade->sendRecognitionTolerance(++n % 2 + 1); }},
            {"GetLibraryServiceLoginStatus", [&] { f.facade->triggerGetLibraryServiceLoginStatus(); }},
            {"GetWifiList", [&] { f.facade->triggerWifiList(); }},
            {"GetNetworkState", [&] { f.facade->triggerNetworkState(); }},
            {"SetWifiSetting", [&] { f.facade->requestHotspotActivation(); }},
            {"GetImageData",
             [&] { posters.requestImageData("private-poster-" + std::to_string(++n) + ".jpg"); }},
        };

        AppTest::MessageLog log;
        const auto sendAll = [&] {
            for (const Send& row : table)
                row.send();
            // Secrets take the confidential path, which has lines of its own.
            f.facade->triggerWifiChange("Home", "wifi-secret-key");
            f.facade->sendLibraryServiceCredentials("me", "access-secret-token", "refresh-secret-token");
        };
        const auto lineOf = [](const char* type) {
            return QString(
                       "Message \"%1\" not sent: not connected to a unit (logged once until the link is up "
                       "again)")
                .arg(type);
        };
        const auto everyTypeLogged = [&](int times) {
            for (const Send& row : table)
                if (log.count(lineOf(row.type)) != times)
                    return false;
            return true;
        };

        // Before any link: one line per type, and none again for a second try.
        sendAll();
        QTRY_VERIFY2(everyTypeLogged(1), qPrintable(log.lines().join('\n')));
        sendAll();
        QTest::qWait(2 * SeatPaneMgr::SendDelayMs); // the seat model sends after its delay
        QVERIFY2(everyTypeLogged(1), qPrintable(log.lines().join('\n')));
        // The page waiting on a Wi-Fi change hears that it did not go out: hotspot and join, every time.
        QCOMPARE(wifiAnswers.count(), 4);
        for (const auto& answer : wifiAnswers)
            QCOMPARE(answer.at(0), QVariant(false));

        // A link up, then closed: the refusals are news again, once.
        f.facade->tryConnectToController();
        QTRY_VERIFY_WITH_TIMEOUT(f.facade->controllerIsConnected(), 30000);
        f.facade->messenger()->disconnect();
        QTRY_VERIFY_WITH_TIMEOUT(!f.facade->controllerIsConnected(), 30000);
        sendAll();
        sendAll();
        QTRY_VERIFY2(everyTypeLogged(2), qPrintable(log.lines().join('\n')));
        QTest::qWait(2 * SeatPaneMgr::SendDelayMs);
        QVERIFY2(everyTypeLogged(2), qPrintable(log.lines().join('\n')));

        // Nothing of a body reached the log: names, poster names, keys, tokens.
        for (const QString& line : log.lines())
            QVERIFY2(!line.contains("secret") && !line.contains("Private name") &&
                         !line.contains("private-poster"),
                     qPrintable(line));
    }
};

QTEST_MAIN(TestRefusedSends)
#include "tst_app_refusedsends.moc"
