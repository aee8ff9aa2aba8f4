// Remembered unit keys in the real program, offscreen, against simulated units on loopback (a real one and a
// forged one, each a vyra_simulated_unit with its own key): what the program shows and what each unit
// receives. The probe plugin (tests/ui/probe) reads and drives the window's items by objectName.
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

// A program of the test with its merged output kept.
struct Running
{
    std::unique_ptr<QProcess> process;
    QString output;

    QString log()
    {
        if (process)
            output += QString::fromLocal8Bit(process->readAll());
        return output;
    }
    void stop()
    {
        if (!process)
            return;
        process->terminate();
        if (!process->waitForFinished(20000)) {
            process->kill();
            process->waitForFinished();
        }
        log();
        process.reset();
    }
    ~Running() { stop(); }
};

// What a unit printed about its key: "Key fingerprint xxxx ...".
QString fingerprintIn(const QString& log)
{
    const auto match =
        QRegularExpression(QStringLiteral("Key fingerprint ([0-9a-f]{4}(?: [0-9a-f]{4}){7})")).match(log);
    return match.hasMatch() ? match.captured(1) : QString();
}

int rememberedUnits(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return QJsonDocument::fromJson(file.readAll()).object().value("units").toArray().size();
}

} // namespace

class TestUiPinning : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_root;
    QProcessEnvironment m_env;
    Running m_app;
    UiProbeClient m_probe;

    QString storePath() const { return m_root + "/home/config/Tavik/trust/unit-keys.json"; }

    QVariant get(const QString& name, const QString& prop)
    {
        return m_probe.ask({{"cmd", "get"}, {"name", name}, {"prop", prop}, {"visibleOnly", false}})
            .value("value")
            .toVariant();
    }

    bool startUnit(Running& unit, const QStringList& arguments)
    {
        unit.stop();
        unit.output.clear();
        unit.process = std::make_unique<QProcess>();
        unit.process->setProcessEnvironment(m_env);
        unit.process->setProcessChannelMode(QProcess::MergedChannels);
        unit.process->start(qEnvironmentVariable("VYRA_BUILD_DIR") + "/bin/vyra_simulated_unit",
                            arguments + QStringList{"--no-scenario", "--library-service-port", "0"});
        if (!unit.process->waitForStarted(20000))
            return false;
        QDeadlineTimer deadline(20000);
        while (!deadline.hasExpired() && !unit.log().contains("listening"))
            QTest::qWait(50);
        return unit.log().contains("listening");
    }

    // A fresh home and discovery port for each case; `setUp` prepares the home before the program starts.
    void startApp(const QStringList& arguments, const std::function<void()>& setUp = {},
                  bool freshHome = true)
    {
        m_probe.disconnect();
        m_app.stop();
        if (freshHome) {
            m_root = m_dir.filePath(QString::number(++m_case));
            m_env = isolatedEnvironment(m_root);
        }
        if (setUp)
            setUp();
        QProcessEnvironment env = m_env;
        const QString socket = m_root + "/probe" + QString::number(++m_runs) + ".sock";
        env.insert("QT_PLUGIN_PATH", QStringLiteral(VYRA_UI_PROBE_PLUGIN_DIR));
        env.insert("QT_QPA_GENERIC_PLUGINS", "vyrauiprobe");
        env.insert("VYRA_UI_PROBE_SOCKET", socket);
        m_app.process = std::make_unique<QProcess>();
        m_app.process->setProcessEnvironment(env);
        m_app.process->setProcessChannelMode(QProcess::MergedChannels);
        m_app.process->setStandardOutputFile(m_root + "/app" + QString::number(m_runs) + ".log");
        m_app.process->start(qEnvironmentVariable("VYRA_BUILD_DIR") + "/bin/VYRA_Control_App", arguments);
        QVERIFY(m_app.process->waitForStarted(20000));
        QTRY_VERIFY_WITH_TIMEOUT(m_probe.connectTo(socket), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(m_probe.ask({{"cmd", "window"}}).value("ok").toBool(), 30000);
        m_probe.ask({{"cmd", "resize"}, {"width", 1280}, {"height", 800}});
    }

    int m_case = 0;
    int m_runs = 0;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        if (qEnvironmentVariableIsSet("VYRA_E2E_KEEP")) {
            m_dir.setAutoRemove(false);
            qInfo("logs in %s", qPrintable(m_dir.path()));
        }
    }

    void cleanupTestCase()
    {
        m_probe.disconnect();
        m_app.stop();
    }

    // The key file is damaged: it is kept aside and the user is told once. The unit named with -a is then
    // known by that address: a device answering there under a look-alike name with its own key is refused
    // with both fingerprints and receives nothing, and no key is remembered for it.
    void namedAddressIsTheUnitsIdentity()
    {
        startApp({}, [this] {
            QVERIFY(QDir().mkpath(QFileInfo(storePath()).absolutePath()));
            QFile damaged(storePath());
            QVERIFY(damaged.open(QIODevice::WriteOnly));
            damaged.write("{\"v\":1,\"units\":[");
        });
        QTRY_VERIFY_WITH_TIMEOUT(get("keyStoreNotice", "visible").toBool(), 30000);
        const QStringList aside =
            QDir(QFileInfo(storePath()).absolutePath()).entryList({"unit-keys.json.damaged-*"}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QVERIFY2(get("keyStoreNoticeText", "text").toString().contains(aside.front()),
                 qPrintable(get("keyStoreNoticeText", "text").toString()));
        // The start-up dialog is modal and takes the clicks: closed as the user would.
        QTRY_VERIFY_WITH_TIMEOUT(get("startupDialogCloseButton", "visible").toBool(), 20000);
        QVERIFY(m_probe.ask({{"cmd", "click"}, {"name", "startupDialogCloseButton"}}).value("ok").toBool());
        QTRY_VERIFY_WITH_TIMEOUT(!get("startupDialogCloseButton", "visible").toBool(), 20000);
        QVERIFY(m_probe.ask({{"cmd", "click"}, {"name", "keyStoreNoticeButton"}}).value("ok").toBool());
        QTRY_VERIFY_WITH_TIMEOUT(!get("keyStoreNotice", "visible").toBool(), 10000);

        // Now with a unit named by address (a fresh run of the program on the same home).
        const quint16 port = freeTcpPort();
        const QStringList common{"--bind", "127.0.0.1", "--port", QString::number(port), "--no-announce"};
        Running real;
        QVERIFY(startUnit(real,
                          common + QStringList{"--name", "Living room", "--key-file", m_root + "/real.key"}));
        startApp({"-a", QString("127.0.0.1:%1").arg(port)}, {}, false);
        // Told once: the file went aside, so the notice does not come back.
        QTRY_COMPARE_WITH_TIMEOUT(get("versionControllerName", "text").toString(), QString("Living room"),
                                  60000);
        QVERIFY(!get("keyStoreNotice", "visible").toBool());
        QVERIFY(!get("linkNotEncryptedText", "visible").toBool());
        QCOMPARE(rememberedUnits(storePath()), 1);
        const QString realFingerprint = fingerprintIn(real.log());
        real.stop();

        Running forged;
        QVERIFY(startUnit(forged, common + QStringList{"--name", QStringLiteral("Living r\u043e\u043em"),
                                                       "--key-file", m_root + "/forged.key"}));
        const QString forgedFingerprint = fingerprintIn(forged.log());
        QVERIFY(!forgedFingerprint.isEmpty() && forgedFingerprint != realFingerprint);
        QTRY_VERIFY_WITH_TIMEOUT(get("unitKeyPanel", "visible").toBool(), 60000);
        QVERIFY(get("pinnedKeyFingerprint", "text").toString().endsWith(realFingerprint));
        QVERIFY(get("offeredKeyFingerprint", "text").toString().endsWith(forgedFingerprint));
        // The forged unit never had a link, so not a single message reached it.
        QVERIFY(!forged.log().contains("connected"));
        QVERIFY(!forged.log().contains("<- "));
        QCOMPARE(rememberedUnits(storePath()), 1);
    }

    // Discovery: the chosen unit (no unit id) leaves and a device of the same name appears at another
    // address with its own key: the list shows it, so the program tries it, and refuses it. When it leaves
    // and the real unit is back, the program reaches the real unit again, not the address that went.
    void listedUnitFollowsTheList()
    {
        startApp({});
        const QString discoveryPort = m_env.value("VYRA_DISCOVERY_PORT");
        const QStringList announce{"--announce-port", discoveryPort, "--no-unit-id", "--name", "Living room"};
        const quint16 realPort = freeTcpPort();
        const QStringList realArguments =
            announce + QStringList{"--bind",     "127.0.0.1",         "--port", QString::number(realPort),
                                   "--key-file", m_root + "/real.key"};
        Running real;
        QVERIFY(startUnit(real, realArguments));
        QTRY_VERIFY_WITH_TIMEOUT(real.log().contains("connected"), 60000);
        QTRY_COMPARE_WITH_TIMEOUT(get("versionControllerName", "text").toString(), QString("Living room"),
                                  30000);
        const QString realFingerprint = fingerprintIn(real.log());
        real.stop();

        Running impostor;
        QVERIFY(startUnit(impostor, announce + QStringList{"--bind", "127.0.0.2", "--port",
                                                           QString::number(freeTcpPort()), "--key-file",
                                                           m_root + "/impostor.key"}));
        const QString impostorFingerprint = fingerprintIn(impostor.log());
        QTRY_VERIFY_WITH_TIMEOUT(get("unitKeyPanel", "visible").toBool(), 60000);
        QVERIFY(get("pinnedKeyFingerprint", "text").toString().endsWith(realFingerprint));
        QVERIFY(get("offeredKeyFingerprint", "text").toString().endsWith(impostorFingerprint));
        QVERIFY(!impostor.log().contains("connected"));
        QVERIFY(!impostor.log().contains("<- "));
        QCOMPARE(rememberedUnits(storePath()), 1);

        // The impostor leaves and the real unit returns: reached again, the refusal gone.
        impostor.stop();
        QVERIFY(startUnit(real, realArguments));
        QTRY_VERIFY_WITH_TIMEOUT(real.log().contains("connected"), 60000);
        QTRY_VERIFY_WITH_TIMEOUT(!get("unitKeyPanel", "visible").toBool(), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(get("versionControllerName", "text").toString(), QString("Living room"),
                                  30000);
        QVERIFY(!impostor.log().contains("<- "));
    }
};

QTEST_GUILESS_MAIN(TestUiPinning)
#include "tst_ui_pinning.moc"
