// What a unit can make the application hold: texts cut on character boundaries, counts capped, and one log
// line per body that was cut.
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

#include "ControllerTestSupport.h"
#include "GetLibraryServiceLoginStatusHandler.h"
#include "GetMediaListNotificationHandler.h"
#include "GetMediaStatusNotificationHandler.h"
#include "GetSeatStatusNotificationHandler.h"
#include "GetVYRANetworkStateHandler.h"
#include "GetWifiListHandler.h"
#include "InputLimits.h"
#include "MessageNames.h"

using namespace Ulmar;
using namespace Ulmar::Messaging;
using ControllerTest::response;

namespace {

QStringList g_warnings;

void recordWarnings(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtWarningMsg)
        g_warnings << message;
}

// Warnings written while `body` runs.
template <typename F> QStringList warningsOf(F body)
{
    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordWarnings);
    body();
    qInstallMessageHandler(previous);
    return g_warnings;
}

std::string repeated(const std::string& item, int n, const char* separator = ",")
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += (i ? separator : "") + item;
    return out;
}

} // namespace

class TestInputLimits : public QObject
{
    Q_OBJECT

private slots:
    void textIsCutOnCharacterBoundaries_data()
    {
        QTest::addColumn<QByteArray>("utf8");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("cut");
        const QString cjk(5, QChar(0x4e2d));
        const QString emoji = QString::fromUtf8("\xf0\x9f\x8e\xac"); // two UTF-16 code units
        QTest::newRow("ascii under") << QByteArray("abc") << 4 << "abc" << false;
        QTest::newRow("ascii at") << QByteArray("abcd") << 4 << "abcd" << false;
        QTest::newRow("ascii over") << QByteArray("abcde") << 4 << "abcd" << true;
        QTest::newRow("three-byte characters at") << cjk.toUtf8() << 5 << cjk << false;
        QTest::newRow("three-byte characters over") << cjk.toUtf8() << 3 << cjk.left(3) << true;
        QTest::newRow("pair not split") << (QString("ab") + emoji).toUtf8() << 3 << "ab" << true;
        QTest::newRow("pair kept whole")
            << (QString("ab") + emoji).toUtf8() << 4 << QString("ab") + emoji << false;
        QTest::newRow("invalid bytes")
            << QByteArray("\xff\xfe\xfd\xfc", 4) << 2 << QString(2, QChar(0xfffd)) << true;
        QTest::newRow("huge") << QByteArray(15 * 1024 * 1024, 'x') << 256 << QString(256, 'x') << true;
    }

    void textIsCutOnCharacterBoundaries()
    {
        QFETCH(QByteArray, utf8);
        QFETCH(int, limit);
        QFETCH(QString, expected);
        QFETCH(bool, cut);
        InputLimits limits("Test");
        QCOMPARE(limits.text(utf8.constData(), std::size_t(utf8.size()), limit, "field"), expected);
        QCOMPARE(limits.cut(), cut);
        const std::string kept = limits.utf8(utf8.constData(), std::size_t(utf8.size()), limit, "field");
        QCOMPARE(QString::fromStdString(kept), expected);
        QVERIFY(!warningsOf([&] { InputLimits quiet("Quiet"); }).size());
        if (cut)
            QCOMPARE(limits.summary(),
                     QString("Message \"Test\" from the unit cut to the application's limits: "
                             "field over %1")
                         .arg(limit));
    }

    // A thousand seats listed from the highest index down: the 256 lowest stay, and one line says so.
    void seatsKeepTheLowestIndexes()
    {
        std::string entries;
        for (int i = 999; i >= 0; --i)
            entries += std::string(i == 999 ? "" : ",") + "{\"index\":" + std::to_string(i) + "}";
        const auto message =
            response(MessageType::GetSeatStatusNotification, "{\"s\":{\"seat\":[" + entries + "]}}");
        SeatMap seats;
        const QStringList warnings =
            warningsOf([&] { seats = GetSeatStatusNotificationHandler::decodeSeats(message); });
        QCOMPARE(int(seats.size()), InputLimits::MaxSeats);
        QCOMPARE(seats.begin()->first, 0);
        QCOMPARE(seats.rbegin()->first, InputLimits::MaxSeats - 1);
        QCOMPARE(warnings, QStringList{"Message \"GetSeatStatusNotification\" from the unit cut to the "
                                       "application's limits: seats over 256"});
    }

    // Many cuts of several kinds in one body still give one line.
    void listsAndNamesAreCapped()
    {
        const std::string longName(3000, 'n');
        GetWifiListHandler wifi;
        QSignalSpy names(&wifi, &GetWifiListHandler::wifiNetworkListChangedSignal);
        QStringList warnings = warningsOf([&] {
            wifi.handleResponse(
                response(MessageType::GetWifiList,
                         "{\"w\":[" + repeated("{\"ssid\":\"" + longName + "\"}", 300) + "]}"));
        });
        const QStringList list = ControllerTest::arg(names, 0, 1).toStringList();
        QCOMPARE(list.size(), InputLimits::MaxWifiNetworks);
        QCOMPARE(list.first(), QString(InputLimits::MaxNameLength, 'n'));
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings[0].endsWith("Wi-Fi network name over 256, Wi-Fi networks over 256"));

        GetVYRANetworkStateHandler network;
        QSignalSpy state(&network, &GetVYRANetworkStateHandler::vyraNetworkStateChangedSignal);
        warnings = warningsOf([&] {
            network.handleResponse(
                response(MessageType::GetNetworkState,
                         "{\"n\":{\"addresses\":[" + repeated("{\"ip\":\"" + longName + "\"}", 100) + "]}}"));
        });
        const QVariantList addresses = ControllerTest::arg(state, 0, 4).toList();
        QCOMPARE(addresses.size(), InputLimits::MaxInterfaces);
        QCOMPARE(addresses[0].toMap().value("ip").toString().size(), InputLimits::MaxNameLength);
        QCOMPARE(warnings.size(), 1);

        MediaList titles;
        warnings = warningsOf([&] {
            GetMediaListNotificationHandler::decodeMediaList(
                response(MessageType::GetMediaListNotification,
                         "{\"l\":{\"media\":[" + repeated("{}", InputLimits::MaxLibraryTitles + 5) + "]}}"),
                titles);
        });
        QCOMPARE(int(titles.size()), InputLimits::MaxLibraryTitles);
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings[0].endsWith("library titles over 100000"));
    }

    // The texts shown from a media status are bounded before they reach the window.
    void mediaStatusTextsAreBounded()
    {
        GetMediaStatusNotificationHandler handler(nullptr);
        handler.handleConnected();
        QSignalSpy title(&handler, &GetMediaStatusNotificationHandler::updateMediaInfoTitleLabelSignal);
        const QStringList warnings = warningsOf([&] {
            handler.handleResponse(response(MessageType::GetMediaStatusNotification,
                                            "{\"m\":{\"mediaIdState\":\"ident_success\",\"mediaTitle\":\"" +
                                                std::string(15 * 1024 * 1024, 't') + "\"}}"));
        });
        QCOMPARE(ControllerTest::arg(title, title.count() - 1, 1).toString(),
                 QString(InputLimits::MaxTextLength, 't'));
        QCOMPARE(warnings.size(), 1);
    }

    // A cut address would send the sign-in elsewhere: an over-long one is not used at all.
    void overlongServiceAddressIsDropped()
    {
        GetLibraryServiceLoginStatusHandler handler;
        QSignalSpy status(&handler, &GetLibraryServiceLoginStatusHandler::loginStatusReceivedSignal);
        const std::string uri = "http://127.0.0.1/" + std::string(InputLimits::MaxUriLength, 'u');
        warningsOf([&] {
            handler.handleResponse(response(MessageType::GetLibraryServiceLoginStatus,
                                            "{\"username\":\"" + std::string(300, 'a') +
                                                "\",\"serviceURI\":\"" + uri + "\",\"isRegistered\":true}"));
        });
        QCOMPARE(status.count(), 1);
        QCOMPARE(ControllerTest::arg(status, 0, 1).toString(), QString(InputLimits::MaxNameLength, 'a'));
        QCOMPARE(ControllerTest::arg(status, 0, 2).toString(), QString());
    }
};

QTEST_GUILESS_MAIN(TestInputLimits)
#include "tst_inputlimits.moc"
