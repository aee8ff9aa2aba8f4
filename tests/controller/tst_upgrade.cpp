// Upgrade and update: the two state machines of "GetUpgradeNotification" and "GetUpdateNotification".

#include <QtTest>

#include "ControllerTestSupport.h"
#include "GetUpgradeAndUpdateNotificationHandler.h"
#include "MessageNames.h"

using namespace Ulmar::Messaging;
using ControllerTest::args;
using ControllerTest::response;

namespace {

std::shared_ptr<IResponse> upgrade(const std::string& status, const std::string& version,
                                   const std::string& current = std::string())
{
    std::string body = R"({"upgrade":{"last":{"version":")" + version + R"(","status":")" + status + "\"}";
    if (!current.empty())
        body += R"(,"current":{"version":")" + current + "\"}";
    return response(MessageType::GetUpgradeNotification, body + "}}");
}

std::shared_ptr<IResponse> update(const std::string& status, const std::string& timestamp = std::string())
{
    std::string body = R"({"update":{"last":{"status":")" + status + "\"}";
    if (!timestamp.empty())
        body += R"(,"current":{"updatedTimestamp":")" + timestamp + "\"}";
    return response(MessageType::GetUpdateNotification, body + "}}");
}

struct Spies
{
    explicit Spies(GetUpgradeAndUpdateNotificationHandler& h)
        : upgrade(&h, &GetUpgradeAndUpdateNotificationHandler::upgradeStatusChanged),
          update(&h, &GetUpgradeAndUpdateNotificationHandler::updateStatusChanged),
          version(&h, &GetUpgradeAndUpdateNotificationHandler::vyraVersionReceived),
          timestamp(&h, &GetUpgradeAndUpdateNotificationHandler::lastUpdateTimestampReceived)
    {}
    QSignalSpy upgrade;
    QSignalSpy update;
    QSignalSpy version;
    QSignalSpy timestamp;
};

} // namespace

class TestUpgrade : public QObject
{
    Q_OBJECT

private slots:
    // Upgrade ---------------------------------------------------------------------------------------------

    void upgradeRunsAndEnds()
    {
        GetUpgradeAndUpdateNotificationHandler handler;
        Spies s(handler);
        handler.handleResponse(upgrade("in_progress", "2.1", "2.0"));
        QCOMPARE(s.upgrade.count(), 1);
        QCOMPARE(args(s.upgrade, 0), (QStringList{"true", "VYRA Updating to 2.1..."}));
        QCOMPARE(args(s.version, 0), QStringList{"2.0"});
        handler.handleResponse(upgrade("success", "2.1", "2.1"));
        QCOMPARE(args(s.upgrade, 1), (QStringList{"false", "VYRA Update Successful"}));
        handler.handleResponse(upgrade("success", "2.1"));
        QCOMPARE(s.upgrade.count(), 2); // idle: a finished upgrade is not announced again
        QCOMPARE(s.version.count(), 2);
    }

    void finishedUpgradeNeverSeenRunningIsSilent_data()
    {
        QTest::addColumn<QString>("status");
        QTest::newRow("failed") << "failed";
        QTest::newRow("cancelled") << "cancelled";
        QTest::newRow("success") << "success";
    }

    void finishedUpgradeNeverSeenRunningIsSilent()
    {
        QFETCH(QString, status);
        GetUpgradeAndUpdateNotificationHandler handler;
        Spies s(handler);
        handler.handleResponse(upgrade(status.toStdString(), "3.0", "2.9"));
        QCOMPARE(s.upgrade.count(), 0);
        QCOMPARE(args(s.version, 0), QStringList{"2.9"});
    }

    void endingTexts_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("cancelled") << "cancelled"
                                   << "VYRA Update Cancelled";
        QTest::newRow("failed") << "failed"
                                << "VYRA Update Failed";
        QTest::newRow("unknown status") << "exploded"
                                        << "VYRA Update: Unknown Status";
        QTest::newRow("wrong case") << "Success"
                                    << "VYRA Update: Unknown Status";
    }

    void endingTexts()
    {
        QFETCH(QString, status);
        QFETCH(QString, text);
        GetUpgradeAndUpdateNotificationHandler handler;
        Spies s(handler);
        handler.handleResponse(upgrade("scheduled", "4.0"));
        handler.handleResponse(upgrade(status.toStdString(), "4.0"));
        QCOMPARE(s.upgrade.count(), 2);
        QCOMPARE(args(s.upgrade, 1), (QStringList{"false", text}));
    }

    void versionChangeWhileRunningKeepsTheTarget()
    {
        GetUpgradeAndUpdateNotificationHandler handler;
        Spies s(handler);
        handler.handleResponse(upgrade("scheduled", "2.1"));
        handler.handleResponse(upgrade("in_progress", "2.2"));
        QCOMPARE(args(s.upgrade, 1), (QStringList{"true", "VYRA Updating to 2.2..."}));
        handler.handleConnectionLost();
        QCOMPARE(args(s.upgrade, 2), (QStringList{"true", "VYRA Updating to 2.1..."}));
        handler.handleConnected();
        handler.handleDisconnected();
        QCOMPARE(s.upgrade.count(), 3);
    }

    void connectionLossWhenIdleEmitsNothing()
    {
        GetUpgradeAndUpdateNotificationHandler handler;
        Spies s(handler);
        handler.handleConnectionLost();
        QCOMPARE(s.upgrade.count(), 0);
    }

    void missingOrMalformedEndsARunningUpgrade_data()
    {
        QTest::addColumn<QString>("body");
        QTest::newRow("empty version") << R"({"u":{"last":{"version":"","status":"in_progress"}}})";
        QTest::newRow("numeric version") << R"({"u":{"last":{"version":2,"status":"in_progress"}}})";
        QTest::newRow("last not object") << R"({"u":{"last":"in_progress"}})";
        QTest::newRow("first member not object")
            << R"({"u":[],"v":{"last":{"version":"9","status":"success"}}})";
        QTest::newRow("invalid json") << R"({"u":)";
        QTest::newRow("empty root") << "{}";
        QTest::newRow("no body") << "";
    }

    void missingOrMalformedEndsARunningUpgrade()
    {
        QFETCH(QString, body);
        GetUpgradeAndUpdateNotificationHandler handler;
        Spies s(handler);
        handler.handleResponse(upgrade("in_progress", "5.0"));
        handler.handleResponse(response(MessageType::GetUpgradeNotification, body.toStdString()));
        QCOMPARE(s.upgrade.count(), 2);
        QCOMPARE(args(s.upgrade, 1), (QStringList{"false", "VYRA Update: Unknown Status"}));
        QCOMPARE(s.version.count(), 0);
        handler.handleResponse(response(MessageType::GetUpgradeNotification, body.toStdString()));
        QCOMPARE(s.upgrade.count(), 2); // idle now
    }

    void onlyTheFirstRootMemberCounts()
    {
        GetUpgradeAndUpdateNotificationHandler handler;
        Spies s(handler);
        handler.handleResponse(response(
            MessageType::GetUpgradeNotification,
            R"({"a":{"last":{"version":"1","status":"in_progress"},"current":{"version":"0.9","version":"1.0"}},)"
            R"("b":{"last":{"version":"1","status":"failed"},"current":{"version":"7"}}})"));
        QCOMPARE(args(s.upgrade, 0), (QStringList{"true", "VYRA Updating to 1..."}));
        QCOMPARE(s.version.count(), 1);
        QCOMPARE(args(s.version, 0), QStringList{"1.0"}); // repeated key: the later one wins
    }

    void otherTypesAreIgnored()
    {
        GetUpgradeAndUpdateNotificationHandler handler;
        Spies s(handler);
        handler.handleResponse(
            response("getUpgradeNotification", R"({"a":{"last":{"version":"1","status":"in_progress"}}})"));
        handler.handleResponse(response("GetMediaStatusNotification",
                                        R"({"a":{"last":{"version":"1","status":"in_progress"}}})"));
        QCOMPARE(s.upgrade.count() + s.update.count() + s.version.count(), 0);
    }

    // Update ----------------------------------------------------------------------------------------------

    void updateRunsAndEnds()
    {
        GetUpgradeAndUpdateNotificationHandler handler;
        Spies s(handler);
        handler.handleResponse(update("success")); // never seen running
        QCOMPARE(s.update.count(), 0);
        handler.handleResponse(update("in_progress"));
        handler.handleResponse(update("in_progress"));
        QCOMPARE(s.update.count(), 2);
        QCOMPARE(args(s.update, 1), (QStringList{"true", "Motion Code Library Update in Progress..."}));
        handler.handleResponse(update("failed"));
        QCOMPARE(args(s.update, 2), (QStringList{"false", "Motion Code Library Update Failed"}));
        handler.handleResponse(update("scheduled")); // no "scheduled" for updates: unknown, idle
        QCOMPARE(s.update.count(), 3);
        handler.handleResponse(update("in_progress"));
        handler.handleResponse(update("scheduled"));
        QCOMPARE(args(s.update, 4), (QStringList{"false", "Motion Code Library Update: Unknown Status"}));
        handler.handleResponse(update("in_progress"));
        handler.handleResponse(update("cancelled"));
        QCOMPARE(args(s.update, 6), (QStringList{"false", "Motion Code Library Update Cancelled"}));
        handler.handleResponse(update("in_progress"));
        handler.handleResponse(update("success"));
        QCOMPARE(args(s.update, 8), (QStringList{"false", "Motion Code Library Update Successful"}));
        QCOMPARE(s.upgrade.count(), 0);
    }

    void timestampIsShownInItsOwnZone_data()
    {
        QTest::addColumn<QString>("timestamp");
        QTest::addColumn<QString>("shown");
        QTest::newRow("utc") << "2024-03-05T14:07:59Z"
                             << "2024-03-05 14:07";
        QTest::newRow("offset") << "2024-12-31T23:59:30+05:30"
                                << "2024-12-31 23:59";
        QTest::newRow("invalid") << "yesterday"
                                 << "";
        QTest::newRow("bad month") << "2024-13-05T14:07:59Z"
                                   << "";
    }

    void timestampIsShownInItsOwnZone()
    {
        QFETCH(QString, timestamp);
        QFETCH(QString, shown);
        GetUpgradeAndUpdateNotificationHandler handler;
        Spies s(handler);
        handler.handleResponse(update("success", timestamp.toStdString()));
        QCOMPARE(s.update.count(), 0);
        if (shown.isEmpty()) {
            QCOMPARE(s.timestamp.count(), 0);
        } else {
            QCOMPARE(s.timestamp.count(), 1);
            QCOMPARE(args(s.timestamp, 0), QStringList{shown});
        }
    }
};

QTEST_MAIN(TestUpgrade)
#include "tst_upgrade.moc"
