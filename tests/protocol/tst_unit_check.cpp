// vyra_unit_check, the program, against simulated units on loopback: one that keeps every rule, one found by
// its announcements, one that breaks rules on purpose, and no unit at all.

#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include "FreePorts.h"
#include "Scenario.h"
#include "SimulatedUnit.h"
#include "UnitEndpoint.h"

using namespace Ulmar::Simulator;

namespace {

const int ToolTimeout = 60000;

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

UnitConfig encryptedUnit()
{
    UnitConfig c;
    c.port = 0;
    c.announce = false;
    c.encrypted = true;
    const auto pair = Ulmar::Messaging::UnitEndpoint::generateKeyPair();
    c.publicKey = QString::fromStdString(pair.first);
    c.secretKey = QString::fromStdString(pair.second);
    c.serviceUri = QStringLiteral("http://127.0.0.1:9/mcls"); // never called by the checker
    return c;
}

// A title playing for a day, so that the unit sends its progress every second.
Scenario playing()
{
    Scenario s;
    QString error;
    const bool ok = Scenario::fromJson(
        R"({"loop":false,"steps":[{"duration":86400,"mediaIdState":"ident_success","motionCodeState":"available",)"
        R"("media":"next","offset":60}]})",
        &s, &error);
    Q_ASSERT_X(ok, "playing", qPrintable(error));
    return s;
}

// A line of the report: the result word, the check's name, then its reason and section.
bool hasLine(const QString& out, const QString& result, const QString& what, const QString& reason,
             const QString& section)
{
    for (const QString& line : out.split('\n')) {
        if (line.simplified().startsWith(result + " " + what + " ") && line.contains(reason) &&
            line.endsWith("(section " + section + ")"))
            return true;
    }
    return false;
}

} // namespace

class TestUnitCheck : public QObject
{
    Q_OBJECT

    QString m_tool;

    // The unit lives on this thread: the test's event loop must turn while the tool runs.
    Run runTool(const QStringList& args)
    {
        QProcess process;
        QSignalSpy finished(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
        process.start(m_tool, args);
        Run run;
        if (!process.waitForStarted(10000))
            return run;
        [&] { QTRY_VERIFY_WITH_TIMEOUT(finished.count() == 1, ToolTimeout); }();
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<QProcess::ExitStatus>();
        m_tool = qEnvironmentVariable("VYRA_BUILD_DIR") + "/bin/vyra_unit_check";
        QVERIFY2(QFileInfo(m_tool).isExecutable(), qPrintable(m_tool));
    }

    // Every state request, every harmless command, the progress of a playing title, the heartbeats: all
    // pass, and the commands leave the unit as it was.
    void passesOnTheSimulatedUnitAndChangesNothing()
    {
        SimulatedUnit unit(encryptedUnit());
        unit.setScenario(playing());
        QVERIFY(unit.start());
        QTRY_COMPARE(unit.state().media.mediaIdState, QStringLiteral("ident_success"));
        const UnitState before = unit.state();

        const Run run = runTool({"-a", QString("127.0.0.1:%1").arg(unit.port()), "--commands"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
        QVERIFY2(!run.out.contains("FAIL"), qPrintable(run.out));
        for (const char* type :
             {"GetMediaListNotification", "GetMediaStatusNotification", "GetUpgradeNotification",
              "GetUpdateNotification", "GetSeatStatusNotification", "GetVyraNameNotification",
              "GetMotionDelayNotification", "GetRecognitionToleranceNotification",
              "GetLibraryServiceLoginStatus", "GetNetworkState", "GetWifiList"})
            QVERIFY2(hasLine(run.out, "PASS", type, "answered in", "8, 9"),
                     qPrintable(QString(type) + "\n" + run.out));
        for (const char* command : {"SetVyraName", "SetMotionDelay", "SetRecognitionTolerance",
                                    "SetSeatSetting", "GetImageData", "SetLibraryServiceCredentials"})
            QVERIFY2(
                hasLine(run.out, "PASS", command, " in ", command == QString("GetImageData") ? "11" : "8"),
                qPrintable(QString(command) + "\n" + run.out));
        QVERIFY2(hasLine(run.out, "PASS", "query answer", "valid", "6"), qPrintable(run.out));
        QVERIFY2(hasLine(run.out, "PASS", "link", "CURVE", "3"), qPrintable(run.out));
        QVERIFY2(hasLine(run.out, "PASS", "heartbeats", "link up", "4"), qPrintable(run.out));
        QVERIFY2(hasLine(run.out, "PASS", "progress", "while identified", "9"), qPrintable(run.out));
        QVERIFY2(hasLine(run.out, "SKIP", "SetWifiSetting", "not sent", "8"), qPrintable(run.out));

        // The commands really went out, with the unit's own values, and no Wi-Fi setting did.
        QStringList received;
        for (const ReceivedCommand& c : unit.commands())
            received << c.type;
        for (const char* command : {"SetVyraName", "SetMotionDelay", "SetRecognitionTolerance",
                                    "SetSeatSetting", "GetImageData", "SetLibraryServiceCredentials"})
            QVERIFY2(received.contains(command), command);
        QVERIFY(!received.contains("SetWifiSetting"));
        const UnitState& after = unit.state();
        QCOMPARE(after.name, before.name);
        QCOMPARE(after.motionDelay, before.motionDelay);
        QCOMPARE(after.recognitionTolerance, before.recognitionTolerance);
        QCOMPARE(after.seats.size(), before.seats.size());
        for (int i = 0; i < after.seats.size(); ++i) {
            QCOMPARE(after.seats[i].motion, before.seats[i].motion);
            QCOMPARE(after.seats[i].muted, before.seats[i].muted);
        }
        QCOMPARE(after.network.ssid, before.network.ssid);
    }

    // Found by its announcements, a plain unit is reached in plain text; the announcement period is checked.
    void findsAPlainUnitByItsAnnouncements()
    {
        UnitConfig c;
        c.port = 0;
        c.announcePort = freeUdpPort();
        c.runScenario = false;
        SimulatedUnit unit(c);
        QVERIFY(unit.start());
        const Run run = runTool({"--discovery-port", QString::number(c.announcePort)});
        QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
        QVERIFY2(run.out.contains(QString("\"VYRA Living Room\" at 127.0.0.1:%1 (plain)").arg(unit.port())),
                 qPrintable(run.out));
        QVERIFY2(hasLine(run.out, "PASS", "announcement", "valid", "7"), qPrintable(run.out));
        QVERIFY2(hasLine(run.out, "PASS", "announcement period", "apart", "7"), qPrintable(run.out));
        QVERIFY2(hasLine(run.out, "PASS", "link", "plain", "3"), qPrintable(run.out));
        QVERIFY2(hasLine(run.out, "SKIP", "progress", "not checked", "9"), qPrintable(run.out));
        QVERIFY2(!run.out.contains("SetSeatSetting"), "commands only with --commands");
    }

    // Each broken rule is named with its reason and section; what the unit does right still passes.
    void failsWithTheReasonOfEachBrokenRule()
    {
        UnitConfig c = encryptedUnit();
        c.runScenario = false;
        for (const auto& fault : SimulatedUnit::faultNames())
            c.faults << fault.first;
        SimulatedUnit unit(c);
        QVERIFY(unit.start());
        const Run run = runTool({"-a", QString("127.0.0.1:%1").arg(unit.port())});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(hasLine(run.out, "FAIL", "GetMotionDelayNotification", "#/motionDelay fails \"type\"", "9"),
                 qPrintable(run.out));
        QVERIFY2(hasLine(run.out, "FAIL", "GetVyraNameNotification", "fails \"", "9"), qPrintable(run.out));
        QVERIFY2(run.out.contains(R"(body: {"name":"VYRA Living Room"})"), qPrintable(run.out));
        QVERIFY2(hasLine(run.out, "FAIL", "GetUpgradeNotification", "no answer to the request within 2000 ms",
                         "8"),
                 qPrintable(run.out));
        QVERIFY2(hasLine(run.out, "PASS", "GetSeatStatusNotification", "valid", "8, 9"), qPrintable(run.out));
        QVERIFY2(run.out.contains("3 of "), qPrintable(run.out));
    }

    void usageAndUnreachableUnitsExitWithTwo()
    {
        Run run = runTool({"--no-such-option"});
        QCOMPARE(run.exitCode, 2);
        run = runTool({"--plain"});
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.contains("--plain goes with -a"));
        run = runTool({"-a", "127.0.0.1:70000"});
        QCOMPARE(run.exitCode, 2);
        // Nobody answers the query on a free port.
        const quint16 port = freeUdpPort();
        run = runTool({"-a", QString("127.0.0.1:%1").arg(port)});
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(
            run.err.contains(
                QString("no answer to the query {\"v\":1,\"query\":\"VYRA\"} on UDP 127.0.0.1:%1").arg(port)),
            qPrintable(run.err));
    }
};

QTEST_MAIN(TestUnitCheck)
#include "tst_unit_check.moc"
