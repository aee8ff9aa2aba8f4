// A first start of the real program as a new user makes it: no unit on the network and no OpenGL (offscreen
// without the software backend), then a unit that appears later, then a unit named by its address, typed
// with real key events. The probe plugin (tests/ui/probe) reads and drives the window.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "FreePorts.h"
#include "IsolatedEnvironment.h"
#include "UiProbeClient.h"

namespace {
const char* const kFilm = "The Godfather";
}

class TestUiFirstStart : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcessEnvironment m_env;
    std::vector<std::unique_ptr<QProcess>> m_units;
    std::unique_ptr<QProcess> m_app;
    UiProbeClient m_probe;

    QJsonObject ask(const QJsonObject& request) { return m_probe.ask(request); }

    QVariant get(const QString& name, const QString& prop)
    {
        return ask({{"cmd", "get"}, {"name", name}, {"prop", prop}}).value("value").toVariant();
    }

    // Whether the item exists and is visible (the probe finds visible items only).
    bool shown(const QString& name)
    {
        return ask({{"cmd", "get"}, {"name", name}, {"prop", "x"}}).value("ok").toBool();
    }

    bool click(const QString& name) { return ask({{"cmd", "click"}, {"name", name}}).value("ok").toBool(); }

    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        ask({{"cmd", "key"}, {"key", int(key)}, {"modifiers", int(modifiers)}});
    }

    QString appLog() const
    {
        QFile log(m_dir.filePath("app.log"));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    }

    // A simulated unit playing one film; its log goes to `name`.log.
    bool startUnit(const QString& name, quint16 port, const QStringList& extra)
    {
        QFile scenario(m_dir.filePath("scenario.json"));
        if (!scenario.exists()) {
            if (!scenario.open(QIODevice::WriteOnly))
                return false;
            scenario.write(
                QJsonDocument(QJsonObject{{"loop", false},
                                          {"steps", QJsonArray{QJsonObject{{"duration", 3600},
                                                                           {"mediaIdState", "ident_success"},
                                                                           {"motionCodeState", "available"},
                                                                           {"media", kFilm},
                                                                           {"offset", 100}}}}})
                    .toJson());
            scenario.close();
        }
        auto unit = std::make_unique<QProcess>();
        unit->setProcessEnvironment(m_env);
        unit->setProcessChannelMode(QProcess::MergedChannels);
        unit->setStandardOutputFile(m_dir.filePath(name + ".log"));
        unit->start(qEnvironmentVariable("VYRA_BUILD_DIR") + "/bin/vyra_simulated_unit",
                    QStringList{"--bind", "127.0.0.1", "--port", QString::number(port), "--name", name,
                                "--key-file", m_dir.filePath(name + "-key.txt"), "--scenario",
                                scenario.fileName(), "--no-library-service"} +
                        extra);
        if (!unit->waitForStarted(20000))
            return false;
        m_units.push_back(std::move(unit));
        const QString logPath = m_dir.filePath(name + ".log");
        QDeadlineTimer deadline(20000);
        while (!deadline.hasExpired()) {
            QFile log(logPath);
            if (log.open(QIODevice::ReadOnly) && log.readAll().contains("listening"))
                return true;
            QTest::qWait(50);
        }
        return false;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        if (qEnvironmentVariableIsSet("VYRA_E2E_KEEP")) {
            m_dir.setAutoRemove(false);
            qInfo("logs in %s", qPrintable(m_dir.path()));
        }
        const QString build = qEnvironmentVariable("VYRA_BUILD_DIR");
        if (!QFile::exists(build + "/bin/VYRA_Control_App") ||
            !QFile::exists(build + "/bin/vyra_simulated_unit"))
            QFAIL("the application or the simulated unit is not built");

        // Discovery on a port of our own (VYRA_DISCOVERY_PORT, for the units too). No OpenGL: offscreen
        // without a display and without the software backend, as on a machine without a graphics card.
        m_env = isolatedEnvironment(m_dir.path());
        m_env.remove("QT_QUICK_BACKEND");
        m_env.remove("DISPLAY");
        m_env.remove("WAYLAND_DISPLAY");

        QProcessEnvironment env = m_env;
        const QString socket = m_dir.filePath("probe.sock");
        env.insert("QT_PLUGIN_PATH", QStringLiteral(VYRA_UI_PROBE_PLUGIN_DIR));
        env.insert("QT_QPA_GENERIC_PLUGINS", "vyrauiprobe");
        env.insert("VYRA_UI_PROBE_SOCKET", socket);
        m_app = std::make_unique<QProcess>();
        m_app->setProcessEnvironment(env);
        m_app->setProcessChannelMode(QProcess::MergedChannels);
        m_app->setStandardOutputFile(m_dir.filePath("app.log"));
        m_app->start(build + "/bin/VYRA_Control_App", QStringList{});
        QVERIFY(m_app->waitForStarted(20000));
        QTRY_VERIFY_WITH_TIMEOUT(m_probe.connectTo(socket), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(ask({{"cmd", "window"}}).value("ok").toBool(), 30000);
        ask({{"cmd", "resize"}, {"width", 1280}, {"height", 800}});
        QTRY_VERIFY_WITH_TIMEOUT(get("startupDialogCloseButton", "visible").toBool(), 20000);
        QVERIFY(click("startupDialogCloseButton"));
        QTRY_VERIFY_WITH_TIMEOUT(!shown("startupDialogCloseButton"), 20000);
    }

    void cleanupTestCase()
    {
        m_probe.disconnect();
        std::vector<QProcess*> all{m_app.get()};
        for (const auto& unit : m_units)
            all.push_back(unit.get());
        for (QProcess* p : all) {
            if (!p)
                continue;
            p->terminate();
            if (!p->waitForFinished(20000)) {
                p->kill();
                p->waitForFinished();
            }
        }
    }

    void startsWithoutOpenGl()
    {
        QVERIFY2(
            appLog().contains("No OpenGL context could be made: Qt Quick draws with its software renderer."),
            qPrintable(appLog()));
        QCOMPARE(appLog().count("software renderer"), 1);
        QVERIFY(!appLog().contains("Failed to create OpenGL context"));
        QCOMPARE(m_app->state(), QProcess::Running);
        // Its frames are drawn: the whole journey below runs in this process, which Qt Quick would have ended
        // at the first frame.
    }

    // No unit: the program says it searches, then what to check; the library says it has no titles.
    void searchingThenNotFound()
    {
        QVERIFY(shown("unitSearchingText"));
        QCOMPARE(get("unitSearchingText", "text").toString(), QString("Searching for VYRA units…"));
        QCOMPARE(get("unitSearchingIndicator", "running").toBool(), true);
        QVERIFY(!shown("unitNotFoundPanel"));

        // About ten seconds without an answer.
        QTRY_VERIFY_WITH_TIMEOUT(shown("unitNotFoundPanel"), 30000);
        QCOMPARE(get("unitNotFoundTitle", "text").toString(), QString("No VYRA unit found"));
        QVERIFY(get("unitNotFoundCheck0", "text").toString().contains("switched on"));
        QVERIFY(get("unitNotFoundCheck1", "text").toString().contains("same subnet"));
        QVERIFY(get("unitNotFoundCheck2", "text")
                    .toString()
                    .contains("UDP port 12741 in and TCP port 12740 out"));
        QVERIFY(get("unitNotFoundCheck3", "text").toString().contains("\"VYRA\""));
        // The search goes on behind it.
        QVERIFY(shown("unitSearchingText"));
        QCOMPARE(get("unitSearchingIndicator", "running").toBool(), true);

        QVERIFY(click("libraryTab"));
        QTRY_VERIFY_WITH_TIMEOUT(shown("noTitlesText"), 20000);
        QCOMPARE(get("noTitlesText", "text").toString(), QString("No titles"));
        QVERIFY(!shown("moviesListView"));
        QVERIFY(click("statusTab"));
        QTRY_VERIFY_WITH_TIMEOUT(shown("unitNotFoundPanel"), 20000);
    }

    // A unit that starts announcing (on VYRA_DISCOVERY_PORT, without being told the port) is found,
    // connected, and the search states go away by themselves.
    void unitAppearingLaterIsConnected()
    {
        QVERIFY(startUnit("Later Unit", freeTcpPort(), {}));
        QTRY_VERIFY_WITH_TIMEOUT(!shown("unitNotFoundPanel"), 30000);
        QVERIFY(!shown("unitSearchingText"));
        QTRY_COMPARE_WITH_TIMEOUT(get("controllerStatusText", "text").toString(), QString("VYRA Online"),
                                  30000);
        QTRY_COMPARE_WITH_TIMEOUT(get("controllerNameComboBox", "displayText").toString(),
                                  QString("Later Unit"), 30000);
        QVERIFY(click("libraryTab"));
        QTRY_VERIFY_WITH_TIMEOUT(shown("moviesListView") && !shown("noTitlesText"), 30000);
        QVERIFY(click("statusTab"));
    }

    // A unit that does not announce, named in the address field with real key events: a wrong port is
    // refused inline, the right address connects with every handler (the page fills) and is kept.
    void addressTypedIsConnected()
    {
        const quint16 port = freeTcpPort();
        QVERIFY(startUnit("Typed Unit", port, {"--no-announce"}));

        QTRY_VERIFY_WITH_TIMEOUT(shown("connectToAddressLink"), 20000);
        QVERIFY(click("connectToAddressLinkArea"));
        QTRY_VERIFY_WITH_TIMEOUT(get("unitAddressField", "activeFocus").toBool(), 20000);

        ask({{"cmd", "type"}, {"text", "127.0.0.1:99999"}});
        QCOMPARE(get("unitAddressField", "text").toString(), QString("127.0.0.1:99999"));
        key(Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(shown("unitAddressError"), 20000);
        QCOMPARE(get("unitAddressError", "text").toString(),
                 QString("The port must be a number from 1 to 65535."));

        // Replaced as a user would: select all, type over it.
        key(Qt::Key_A, Qt::ControlModifier);
        const QString address = QString("127.0.0.1:%1").arg(port);
        ask({{"cmd", "type"}, {"text", address}});
        QCOMPARE(get("unitAddressField", "text").toString(), address);
        QVERIFY(!shown("unitAddressError"));
        key(Qt::Key_Return);

        QTRY_COMPARE_WITH_TIMEOUT(get("controllerNameComboBox", "displayText").toString(),
                                  QString("Typed Unit"), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(get("controllerStatusText", "text").toString(), QString("VYRA Online"),
                                  30000);
        QTRY_COMPARE_WITH_TIMEOUT(get("movieTitle", "text").toString(), QString(kFilm), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(shown("recentAddressButton0"), 30000);
        QCOMPARE(get("recentAddressButton0", "text").toString(), address);
        QCOMPARE(get("unitAddressField", "text").toString(), QString());
        QCOMPARE(m_app->state(), QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(TestUiFirstStart)
#include "tst_ui_firststart.moc"
