// Library service login: the login status request and answer, and the credentials sent to the unit.

#include <QtTest>

#include "ControllerTestSupport.h"
#include "GetLibraryServiceLoginStatusHandler.h"
#include "MessageNames.h"
#include "SetLibraryServiceCredentialsSender.h"

using namespace Ulmar::Messaging;
using ControllerTest::args;
using ControllerTest::response;

class TestLibraryService : public QObject
{
    Q_OBJECT

private slots:
    void loginStatusAnswers_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("status"); // empty: unsupported
        QTest::newRow("full")
            << R"({"username":"ann","isRegistered":true,"serviceURI":"https://127.0.0.1/x"})"
            << QStringList{"true", "ann", "https://127.0.0.1/x"};
        QTest::newRow("registered false only") << R"({"isRegistered":false})" << QStringList{"false", "", ""};
        QTest::newRow("numeric username") << R"({"username":5})" << QStringList();
        QTest::newRow("numeric registered") << R"({"isRegistered":1,"Username":"x"})" << QStringList();
        QTest::newRow("nested is not read") << R"({"status":{"username":"ann"}})" << QStringList();
        QTest::newRow("empty object") << "{}" << QStringList();
        QTest::newRow("invalid") << R"({"username":)" << QStringList();
        QTest::newRow("no body") << "" << QStringList();
        QTest::newRow("array") << R"([{"username":"ann"}])" << QStringList();
        QTest::newRow("later wins") << R"({"username":"a","username":"b","username":null})"
                                    << QStringList{"false", "b", ""};
    }

    void loginStatusAnswers()
    {
        QFETCH(QString, body);
        QFETCH(QStringList, status);
        GetLibraryServiceLoginStatusHandler handler;
        QSignalSpy received(&handler, &GetLibraryServiceLoginStatusHandler::loginStatusReceivedSignal);
        QSignalSpy unsupported(&handler, &GetLibraryServiceLoginStatusHandler::unsupportedByVYRASignal);
        handler.handleResponse(response(MessageType::GetLibraryServiceLoginStatus, body.toStdString()));
        if (status.isEmpty()) {
            QCOMPARE(received.count(), 0);
            QCOMPARE(unsupported.count(), 1);
        } else {
            QCOMPARE(unsupported.count(), 0);
            QCOMPARE(received.count(), 1);
            QCOMPARE(args(received, 0), status);
            QCOMPARE(ControllerTest::arg(received, 0, 0).userType(), int(QMetaType::Bool));
        }
    }

    void otherTypesAreIgnored()
    {
        GetLibraryServiceLoginStatusHandler handler;
        QSignalSpy received(&handler, &GetLibraryServiceLoginStatusHandler::loginStatusReceivedSignal);
        QSignalSpy unsupported(&handler, &GetLibraryServiceLoginStatusHandler::unsupportedByVYRASignal);
        handler.handleResponse(response("getLibraryServiceLoginStatus", R"({"isRegistered":true})"));
        handler.handleResponse(response(MessageType::SetLibraryServiceCredentials, ""));
        QCOMPARE(received.count() + unsupported.count(), 0);
    }

    void requestNeedsAMessenger()
    {
        ControllerTest::LoopbackUnit unit;
        QVERIFY(unit.connect());
        GetLibraryServiceLoginStatusHandler handler;
        QTest::ignoreMessage(QtDebugMsg, "No messenger set. ");
        handler.requestLoginStatus();
        handler.setMessenger(unit.messenger());
        handler.setMessenger(nullptr); // keeps the current one
        handler.requestLoginStatus();
        QTRY_COMPARE_WITH_TIMEOUT(unit.count(MessageType::GetLibraryServiceLoginStatus), 1, 10000);
        const auto request = unit.received(MessageType::GetLibraryServiceLoginStatus).front();
        QVERIFY(!request->body());
        QVERIFY(request->getText().empty());
    }

    void credentialsReachTheUnitButNotTheLog()
    {
        ControllerTest::LogCapture log;
        ControllerTest::LoopbackUnit unit;
        QVERIFY(unit.connect());
        SetLibraryServiceCredentialsSender sender(unit.messenger());
        sender.triggerSendCredentials(QString("ann"), QString("ACCESS-abc.def"), QString("REFRESH-\"q\""));
        sender.triggerSendCredentials(QVariant(), QVariant(), QVariant());
        QTRY_COMPARE_WITH_TIMEOUT(unit.count(MessageType::SetLibraryServiceCredentials), 2, 10000);
        const QStringList expected{"{\"username\":\"ann\",\"access_token\":\"ACCESS-abc.def\",\"refresh_"
                                   "token\":\"REFRESH-\\\"q\\\"\"}",
                                   R"({"username":"","access_token":"","refresh_token":""})"};
        QCOMPARE(unit.bodies(MessageType::SetLibraryServiceCredentials), expected);
        QVERIFY(log.contains("Send MCLS credentials: ann"));
        QVERIFY(!log.contains("ACCESS"));
        QVERIFY(!log.contains("REFRESH"));
    }

    void noCredentialsOnAPlainLink()
    {
        ControllerTest::LogCapture log;
        ControllerTest::LoopbackUnit unit(ControllerTest::LoopbackUnit::Plain);
        QVERIFY(unit.connect());
        SetLibraryServiceCredentialsSender sender(unit.messenger());
        sender.triggerSendCredentials(QString("ann"), QString("ACCESS-plain"), QString("REFRESH-plain"));
        unit.messenger()->send(std::make_shared<IMessage>("Marker", 1, "", nullptr, 0));
        QTRY_COMPARE_WITH_TIMEOUT(unit.count("Marker"), 1, 10000);
        QCOMPARE(unit.count(MessageType::SetLibraryServiceCredentials), 0);
        QVERIFY(log.contains("Library service credentials not sent"));
        QVERIFY(!log.contains("ACCESS"));
        QVERIFY(!log.contains("REFRESH"));
    }

    void credentialsWithoutMessengerDoNothing()
    {
        ControllerTest::LogCapture log;
        SetLibraryServiceCredentialsSender sender(nullptr);
        sender.triggerSendCredentials(QString("ann"), QString("a"), QString("r"));
        QVERIFY(!log.contains("Send MCLS credentials"));
    }
};

QTEST_MAIN(TestLibraryService)
#include "tst_libraryservice.moc"
