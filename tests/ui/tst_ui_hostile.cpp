// The real program, offscreen, against a unit that sends markup and oversized bodies. The unit runs in this
// process (its test control API injects any body); the program carries the UI probe plugin. A loopback HTTP
// listener stands for the host that markup points at: rich text would fetch its images from it.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include "FreePorts.h"
#include "IsolatedEnvironment.h"
#include "MessageNames.h"
#include "SimulatedUnit.h"
#include "UiProbeClient.h"
#include "UnitBodies.h"
#include "UnitEndpoint.h"

using namespace Ulmar;

namespace Type = Ulmar::Messaging::MessageType;

class TestUiHostile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<Simulator::SimulatedUnit> m_unit;
    std::unique_ptr<QProcess> m_app;
    UiProbeClient m_probe;
    QTcpServer m_http;
    QStringList m_httpRequests;
    QString m_markup;

    QJsonObject ask(const QJsonObject& request) { return m_probe.ask(request); }

    QVariant get(const QString& name, const QString& prop, bool visibleOnly = true)
    {
        return ask({{"cmd", "get"}, {"name", name}, {"prop", prop}, {"visibleOnly", visibleOnly}})
            .value("value")
            .toVariant();
    }

    bool click(const QString& name) { return ask({{"cmd", "click"}, {"name", name}}).value("ok").toBool(); }

    int count(const QString& prefix, const QString& under)
    {
        return ask({{"cmd", "count"}, {"prefix", prefix}, {"under", under}}).value("count").toInt();
    }

    QString appLog() const
    {
        QFile log(m_dir.filePath("app.log"));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    }

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
        const QString build = qEnvironmentVariable("VYRA_BUILD_DIR");
        if (!QFile::exists(build + "/bin/VYRA_Control_App"))
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

        QProcessEnvironment env = isolatedEnvironment(m_dir.path());
        const QString socket = m_dir.filePath("probe.sock");
        env.insert("QT_PLUGIN_PATH", QStringLiteral(VYRA_UI_PROBE_PLUGIN_DIR));
        env.insert("QT_QPA_GENERIC_PLUGINS", "vyrauiprobe");
        env.insert("VYRA_UI_PROBE_SOCKET", socket);
        m_app = std::make_unique<QProcess>();
        m_app->setProcessEnvironment(env);
        m_app->setProcessChannelMode(QProcess::MergedChannels);
        m_app->setStandardOutputFile(m_dir.filePath("app.log"));
        m_app->start(build + "/bin/VYRA_Control_App", {"-a", QString("127.0.0.1:%1").arg(m_unit->port())});
        QVERIFY(m_app->waitForStarted(20000));
        QTRY_VERIFY_WITH_TIMEOUT(m_probe.connectTo(socket), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(ask({{"cmd", "window"}}).value("ok").toBool(), 30000);
        ask({{"cmd", "resize"}, {"width", 1280}, {"height", 800}});
        QTRY_COMPARE_WITH_TIMEOUT(get("controllerStatusText", "text").toString(), QString("VYRA Online"),
                                  60000);
        QTRY_COMPARE_WITH_TIMEOUT(count("seatCard", "statusPageSeats"), 3, 60000);
        // From here on only injected bodies reach the program: the unit's own answers would replace them.
        m_unit->stall();
    }

    void cleanupTestCase()
    {
        m_probe.disconnect();
        if (m_app) {
            m_app->terminate();
            if (!m_app->waitForFinished(20000)) {
                m_app->kill();
                m_app->waitForFinished();
            }
        }
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
};

QTEST_MAIN(TestUiHostile)
#include "tst_ui_hostile.moc"
