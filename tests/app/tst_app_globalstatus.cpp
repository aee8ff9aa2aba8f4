#include <thread>
#include <vector>

#include <QSignalSpy>
#include <QtTest>

#include "AppTestSupport.h"
#include "GlobalStatus.h"

using Ulmar::GlobalStatus;

class TestGlobalStatus : public QObject
{
    Q_OBJECT

private slots:
    void repeatedConnectLogsAndSignalsOnce()
    {
        AppTest::MessageLog log;
        GlobalStatus status;
        AppTest::KeyValueRecorder recorder;
        status.keyValueSignal().connect(std::ref(recorder));
        QSignalSpy spy(&status, &GlobalStatus::connectionStateChanged);

        status.handleConnected();
        status.handleConnected();

        QVERIFY(status.isConnected());
        QCOMPARE(spy.count(), 1);
        QCOMPARE(log.count("Connection with VYRA established"), 1);
        QCOMPARE(recorder.pairs().size(), std::size_t(1));
    }

    void lossBeforeAnyConnectionDoesNothing()
    {
        AppTest::MessageLog log;
        GlobalStatus status;
        AppTest::KeyValueRecorder recorder;
        status.keyValueSignal().connect(std::ref(recorder));
        QSignalSpy spy(&status, &GlobalStatus::connectionStateChanged);

        status.handleConnectionLost();

        QVERIFY(!status.isConnected());
        QCOMPARE(spy.count(), 0);
        QVERIFY(recorder.pairs().empty());
        QCOMPARE(log.count("Connection with VYRA lost"), 0);
    }

    void establishedThenLostForwardsBothStates()
    {
        AppTest::MessageLog log;
        GlobalStatus status;
        AppTest::KeyValueRecorder recorder;
        status.keyValueSignal().connect(std::ref(recorder));

        status.handleConnected();
        status.handleConnectionLost();

        QVERIFY(!status.isConnected());
        const auto pairs = recorder.pairs();
        QCOMPARE(pairs.size(), std::size_t(2));
        QCOMPARE(pairs[0].first.toString(), QString("connection"));
        QCOMPARE(pairs[0].second.type(), QVariant::Bool);
        QCOMPARE(pairs[0].second.toBool(), true);
        QCOMPARE(pairs[1].first.toString(), QString("connection"));
        QCOMPARE(pairs[1].second.toBool(), false);
        QCOMPARE(log.count("Connection with VYRA lost"), 1);
    }

    void resetKeepsTheState()
    {
        GlobalStatus status;
        QSignalSpy spy(&status, &GlobalStatus::connectionStateChanged);
        status.handleDisconnected();
        QVERIFY(!status.isConnected());
        status.handleConnected();
        status.handleDisconnected();
        QVERIFY(status.isConnected());
        QCOMPARE(spy.count(), 1);
    }

    void propertyWriteSignalsOnlyOnChange()
    {
        GlobalStatus status;
        QSignalSpy spy(&status, &GlobalStatus::connectionStateChanged);
        QVERIFY(status.setProperty("isConnected", false));
        QCOMPARE(spy.count(), 0);
        QVERIFY(status.setProperty("isConnected", true));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(status.property("isConnected").toBool(), true);
        // After a write the next real event of the same sense is a repeat.
        status.handleConnected();
        QCOMPARE(spy.count(), 1);
    }

    // Events can come from more than one messaging thread; racing repeats must still count once.
    void racingConnectEventsCountOnce()
    {
        GlobalStatus status;
        AppTest::KeyValueRecorder recorder;
        status.keyValueSignal().connect(std::ref(recorder));
        std::vector<std::thread> threads;
        for (int i = 0; i < 8; ++i)
            threads.emplace_back([&status] {
                for (int j = 0; j < 200; ++j)
                    status.handleConnected();
            });
        for (auto& t : threads)
            t.join();
        QCOMPARE(recorder.pairs().size(), std::size_t(1));
        QVERIFY(status.isConnected());
    }
};

QTEST_GUILESS_MAIN(TestGlobalStatus)
#include "tst_app_globalstatus.moc"
