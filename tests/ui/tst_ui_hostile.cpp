// The real program, offscreen, against a unit that sends markup, oversized bodies and seat values no control
// shows as they are. The unit runs in this process (its test control API injects any body); the program is
// started by the shared fixture with the UI probe plugin. A loopback HTTP listener stands for the host that
// markup points at: rich text would fetch its images from it.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include "AppUnitFixture.h"
#include "MessageNames.h"
#include "SimulatedUnit.h"
#include "UnitBodies.h"
#include "UnitEndpoint.h"

using namespace Ulmar;

namespace Type = Ulmar::Messaging::MessageType;

class TestUiHostile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<Simulator::SimulatedUnit> m_unit;
    std::unique_ptr<AppUnitFixture> m_fx;
    QTcpServer m_http;
    QStringList m_httpRequests;
    QString m_markup;
    QStringList m_seatCommands; // bodies of the "SetSeatSetting" the unit received

    QJsonObject ask(const QJsonObject& request) { return m_fx->ask(request); }

    QVariant get(const QString& name, const QString& prop, bool visibleOnly = true)
    {
        return m_fx->get(name, prop, {}, visibleOnly);
    }

    bool click(const QString& name) { return ask({{"cmd", "click"}, {"name", name}}).value("ok").toBool(); }

    int count(const QString& prefix, const QString& under) { return m_fx->count(prefix, under); }

    QString appLog() const { return m_fx->appLog(); }

    void inject(const std::string& type, const std::string& body)
    {
        m_unit->injectMessage(QString::fromStdString(type), QByteArray::fromStdString(body));
    }

    // Every body the unit sends that holds text, each text the markup.
    void injectMarkupEverywhere()
    {
        using namespace Simulator;
        inject(Type::GetVyraNameNotification, UnitBodies::vyraName(m_markup));
        MediaStatus media;
        media.mediaIdState = "ident_success";
        media.motionCodeState = "available";
        media.mediaTitle = m_markup;
        media.mediaCutVersion = m_markup;
        media.mediaLanguage = m_markup;
        media.message = m_markup;
        media.mediaDuration = 100;
        inject(Type::GetMediaStatusNotification, UnitBodies::mediaStatus(media));
        UpgradeState upgrade;
        upgrade.lastVersion = m_markup;
        upgrade.lastStatus = "in_progress";
        upgrade.currentVersion = m_markup;
        inject(Type::GetUpgradeNotification, UnitBodies::upgrade(upgrade));
        NetworkState network;
        network.ssid = m_markup;
        network.addresses.append({m_markup, m_markup, m_markup, m_markup, m_markup});
        network.visible.append({m_markup, true});
        inject(Type::GetNetworkState, UnitBodies::networkState(network));
        inject(Type::GetWifiList, UnitBodies::wifiList(network));
        LoginState login;
        login.username = m_markup;
        login.isRegistered = true;
        login.serviceUri = "http://127.0.0.1:" + QString::number(m_http.serverPort());
        inject(Type::GetLibraryServiceLoginStatus, UnitBodies::loginStatus(login));
        const QJsonObject title{{"title", m_markup},
                                {"cut", m_markup},
                                {"releaseDate", m_markup},
                                {"duration", m_markup},
                                {"language", m_markup}};
        inject(Type::GetMediaListNotification,
               QJsonDocument(QJsonObject{{"mediaList", QJsonObject{{"media", QJsonArray{title}}}}})
                   .toJson(QJsonDocument::Compact)
                   .toStdString());
    }

private slots:
    void initTestCase()
    {
#if defined(__SANITIZE_THREAD__)
        QSKIP("Cross-thread Qt signals cannot be checked against an uninstrumented Qt");
#endif
        QVERIFY(m_dir.isValid());
        if (qEnvironmentVariableIsSet("VYRA_E2E_KEEP")) {
            m_dir.setAutoRemove(false);
            qInfo("logs in %s", qPrintable(m_dir.path()));
        }
        if (!AppUnitFixture::programsBuilt())
            QFAIL("the application is not built");

        QVERIFY(m_http.listen(QHostAddress::LocalHost, 0));
        connect(&m_http, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_http.nextPendingConnection()) {
                m_httpRequests << QStringLiteral("connection");
                connect(s, &QTcpSocket::readyRead, this,
                        [this, s] { m_httpRequests << QString::fromLatin1(s->readAll().left(200)); });
            }
        });
        const QString host = QStringLiteral("http://127.0.0.1:%1").arg(m_http.serverPort());
        m_markup =
            QStringLiteral("<b>Unit</b><img src=\"%1/x.png\"><a href=\"%1/a\">a</a><u>&amp;</u>").arg(host);

        Simulator::UnitConfig config;
        config.name = m_markup;
        config.port = 0;
        config.announce = false;
        config.encrypted = true;
        const auto keys = Messaging::UnitEndpoint::generateKeyPair();
        config.publicKey = QString::fromStdString(keys.first);
        config.secretKey = QString::fromStdString(keys.second);
        config.seatCount = 3;
        config.runScenario = false;
        m_unit = std::make_unique<Simulator::SimulatedUnit>(config);
        QString error;
        QVERIFY2(m_unit->start(&error), qPrintable(error));
        connect(m_unit.get(), &Simulator::SimulatedUnit::commandReceived, this,
                [this](const QString& type, const QByteArray& body) {
                    if (type == QLatin1String(Type::SetSeatSetting.c_str()))
                        m_seatCommands << QString::fromUtf8(body);
                });

        m_fx = std::make_unique<AppUnitFixture>(m_dir.path());
        QVERIFY(m_fx->startApp({"-a", QString("127.0.0.1:%1").arg(m_unit->port())}));
        QVERIFY(m_fx->resize(1280));
        QTRY_COMPARE_WITH_TIMEOUT(get("controllerStatusText", "text").toString(), QString("VYRA Online"),
                                  60000);
        QTRY_COMPARE_WITH_TIMEOUT(count("seatCard", "statusPageSeats"), 3, 60000);
        // From here on only injected bodies reach the program: the unit's own answers would replace them.
        m_unit->stall();
    }

    void cleanupTestCase()
    {
        m_fx.reset();
        m_unit.reset();
    }

    // Markup in every text is shown as typed, and nothing is fetched, whichever page is open.
    void markupIsShownAsTyped()
    {
        injectMarkupEverywhere();
        QTRY_COMPARE_WITH_TIMEOUT(get("movieTitle", "text").toString(), m_markup, 30000);
        QCOMPARE(get("movieTitle", "textFormat").toInt(), 0 /* Text.PlainText */);
        QTRY_COMPARE_WITH_TIMEOUT(get("versionControllerName", "text", false).toString(), m_markup, 30000);
        QCOMPARE(get("versionControllerName", "textFormat", false).toInt(), 0);
        for (const char* tab : {"libraryTab", "networkTab", "seatsTab", "statusTab"}) {
            if (!click(tab))
                continue; // a tab the width folds away
            QTest::qWait(1500);
        }
        QTRY_COMPARE_WITH_TIMEOUT(get("text_interface_name", "text", false).toString(), m_markup, 30000);
        // Time for any image load that rich text would have started.
        QTest::qWait(2000);
        QVERIFY2(m_httpRequests.isEmpty(), qPrintable(m_httpRequests.join('\n')));
    }

    // Oversized bodies are cut to the documented limits, with one line in the log per body.
    void oversizedBodiesAreCut()
    {
        QVector<Simulator::SeatState> seats(1000);
        for (int i = 0; i < seats.size(); ++i)
            seats[i].index = seats.size() - 1 - i; // the unit may list them in any order
        inject(Type::GetSeatStatusNotification, Simulator::UnitBodies::seats(seats));
        // 15 MiB: three UTF-8 bytes per character.
        inject(Type::GetVyraNameNotification,
               Simulator::UnitBodies::vyraName(QString(5 * 1024 * 1024, QChar(0x4e2d))));
        QTRY_COMPARE_WITH_TIMEOUT(get("versionControllerName", "text", false).toString().size(), 256, 60000);
        QVERIFY(get("versionControllerName", "text", false).toString().startsWith(QChar(0x4e2d)));
        QVERIFY(click("statusTab"));
        QTRY_COMPARE_WITH_TIMEOUT(count("seatCard", "statusPageSeats"), 256, 60000);
        // The lowest indexes stay.
        QCOMPARE(get("seatCard1", "seatIndex").toInt(), 1);
        QCOMPARE(get("seatCard256", "seatIndex").toInt(), 256);
        QVERIFY(!ask({{"cmd", "get"}, {"name", "seatCard257"}, {"prop", "seatIndex"}}).value("ok").toBool());
        const QString log = appLog();
        QCOMPARE(log.count("\"GetSeatStatusNotification\" from the unit cut to the application's limits: "
                           "seats over 256"),
                 1);
        QCOMPARE(log.count("\"GetVyraNameNotification\" from the unit cut to the application's limits: unit "
                           "name over 256"),
                 1);
        // The seats go away with their cards.
        inject(Type::GetSeatStatusNotification, Simulator::UnitBodies::seats(seats.mid(997)));
        QTRY_COMPARE_WITH_TIMEOUT(count("seatCard", "statusPageSeats"), 3, 60000);
    }

    // Seat values no control shows as they are: fractions, values beyond the sliders' -20..0, chained seats
    // whose two values differ, negative zero, numbers far out. The window stays up and shows them as
    // reported, the number boxes rounded and held to their range, and nobody touched anything: nothing goes
    // back to the unit. The first seat is an ordinary one; a click on its Muted ends the wait, as its command
    // leaves with the same send timer that a command caused by the reports would have started earlier.
    void seatValuesNoControlShows()
    {
        struct Reported
        {
            const char* chained;
            const char* motion; // as the unit writes it
            const char* vibration;
            double value[2];  // the card's value, motion and vibration
            double slider[2]; // where the sliders stand
            int box[2];       // what the number boxes show
            const char* label[2];
        };
        const QVector<Reported> table{
            {"false", "-7.5", "-2.25", {-7.5, -2.25}, {-7.5, -2.25}, {-7, -2}, {"-7.5", "-2.25"}},
            {"true", "-7.5", "-2.25", {-7.5, -2.25}, {-7.5, -2.25}, {-7, -2}, {"-7.5", "-2.25"}},
            {"false", "5", "-30", {5, -30}, {0, -20}, {0, -20}, {"5", "-30"}},
            {"true", "5", "-30", {5, -30}, {0, -20}, {0, -20}, {"5", "-30"}},
            {"true", "-0.0", "-0.0", {0, 0}, {0, 0}, {0, 0}, {"0", "0"}},
            {"false", "-0.0", "-20.5", {0, -20.5}, {0, -20}, {0, -20}, {"0", "-20.5"}},
            {"true", "-5", "-10", {-5, -10}, {-5, -10}, {-5, -10}, {"-5", "-10"}},
            {"true", "1e300", "-1e300", {1e300, -1e300}, {0, -20}, {0, -20}, {"1e+300", "-1e+300"}},
            {"true", "-19.5", "-0.5", {-19.5, -0.5}, {-19.5, -0.5}, {-19, 0}, {"-19.5", "-0.5"}},
        };
        // Written by hand: the unit's own writer would turn -0.0 into 0. Seat 0 is the ordinary one.
        const auto report = [&](bool reversed) {
            QStringList seats{R"({"index":0,"muted":false,"chained":false,"motion":-5,"vibration":-5})"};
            for (int i = 0; i < table.size(); ++i) {
                const Reported& r = table[reversed ? table.size() - 1 - i : i];
                seats << QStringLiteral(
                             R"({"index":%1,"muted":false,"chained":%2,"motion":%3,"vibration":%4})")
                             .arg(i + 1)
                             .arg(r.chained, r.motion, r.vibration);
            }
            return QStringLiteral(R"({"seats":{"seat":[%1]}})").arg(seats.join(',')).toStdString();
        };
        // Empty when the card of `seat` shows `r`, else what it shows and what it should.
        const auto mismatch = [&](int seat, const Reported& r) {
            const QString card = QStringLiteral("statusPageSeats/seatCard%1").arg(seat + 1);
            QStringList got;
            QStringList want;
            for (int c = 0; c < 2; ++c) {
                const QString control = c == 0 ? "motion" : "vibration";
                const QString under = card + "/" + control + "Slider";
                got << QStringLiteral("%1 slider %2 box %3 %4")
                           .arg(m_fx->get(control + "Slider", "value", card).toDouble())
                           .arg(m_fx->get("slider", "value", under).toDouble())
                           .arg(m_fx->get("spinbox", "value", under).toInt())
                           .arg(m_fx->get(control + "Label", "text", card).toString());
                want << QStringLiteral("%1 slider %2 box %3 %4: %5 dB")
                            .arg(r.value[c])
                            .arg(r.slider[c])
                            .arg(r.box[c])
                            .arg(c == 0 ? "Motion" : "Vibration", r.label[c]);
            }
            return got == want ? QString() : got.join(" | ") + "\n   wanted " + want.join(" | ");
        };

        // The first card and its switch in the window, without the start-up dialog over them.
        QVERIFY(m_fx->resize(1280, 1400));
        if (m_fx->exists("startupDialogCloseButton")) {
            QVERIFY(m_fx->click("startupDialogCloseButton"));
            QTRY_VERIFY_WITH_TIMEOUT(!m_fx->exists("startupDialogCloseButton"), 10000);
        }
        QVERIFY(click("statusTab"));
        m_seatCommands.clear();
        // A program that went down fails at once, with the end of its log.
        const auto down = [&] { return !m_fx->appRunning(); };
        const auto logTail = [&] { return "the program ended:\n" + appLog().right(3000); };
        for (bool reversed : {false, true}) {
            // A list of another length first (its cards are made for it), then one of the same length (the
            // rows change in place).
            inject(Type::GetSeatStatusNotification, report(reversed));
            QTRY_VERIFY_WITH_TIMEOUT(down() || count("seatCard", "statusPageSeats") == table.size() + 1,
                                     60000);
            QVERIFY2(!down(), qPrintable(logTail()));
            for (int i = 0; i < table.size(); ++i) {
                const Reported& r = table[reversed ? table.size() - 1 - i : i];
                QTRY_VERIFY_WITH_TIMEOUT(down() || mismatch(i + 1, r).isEmpty(), 20000);
                QVERIFY2(!down(), qPrintable(logTail()));
                QCOMPARE(mismatch(i + 1, r), QString());
            }
        }
        QVERIFY(m_fx->reveal("mutedSwitch", "controllerFlickable", "statusPageSeats/seatCard1"));
        QVERIFY(m_fx->click("mutedSwitch", 0.5, 0.5, "statusPageSeats/seatCard1"));
        QTRY_VERIFY_WITH_TIMEOUT(down() || !m_seatCommands.isEmpty(), 20000);
        QVERIFY2(!down(), qPrintable(logTail()));
        QCOMPARE(m_seatCommands,
                 QStringList{
                     R"({"seat":{"index":0,"muted":true,"chained":false,"motion":-5.0,"vibration":-5.0}})"});
        const QString log = appLog();
        for (const char* sign : {"call stack", "Binding loop", "TypeError", "RangeError"})
            QVERIFY2(!log.contains(QLatin1String(sign)), qPrintable(log.right(2000)));
    }
};

QTEST_MAIN(TestUiHostile)
#include "tst_ui_hostile.moc"
