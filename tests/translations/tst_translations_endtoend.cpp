// The real program, offscreen, in French, Chinese and an untranslated language, against the simulated
// unit on loopback; the interface probe plugin (tests/ui/probe) reads the window by objectName.
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "FreePorts.h"
#include "IsolatedEnvironment.h"
#include "UiProbeClient.h"

class TestTranslationsEndToEnd : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_build;
    quint16 m_port = 0;
    std::unique_ptr<QProcess> m_unit;
    QString m_unitLog;
    UiProbeClient m_probe;

    QProcessEnvironment environment(const QString& language) const
    {
        QProcessEnvironment env = isolatedEnvironment(m_dir.path());
        // The language comes from LANGUAGE alone: the locale stays "C", as on a machine without glibc
        // locales.
        env.remove("LC_ALL");
        env.remove("LC_MESSAGES");
        env.insert("LANGUAGE", language);
        return env;
    }

    QJsonObject ask(const QJsonObject& request) { return m_probe.ask(request); }

    // Hidden items too: the texts of other tabs are set whether shown or not.
    QString text(const QString& name, const QString& prop = "text")
    {
        return ask({{"cmd", "get"}, {"name", name}, {"prop", prop}, {"visibleOnly", false}})
            .value("value")
            .toString();
    }

    bool connectProbe(const QString& socket) { return m_probe.connectTo(socket); }

    QString unitLog()
    {
        m_unitLog += QString::fromLocal8Bit(m_unit->readAll());
        return m_unitLog;
    }

    static QString readFile(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    static void stop(QProcess* p)
    {
        if (!p || p->state() == QProcess::NotRunning)
            return;
        p->terminate();
        if (!p->waitForFinished(20000)) {
            p->kill();
            p->waitForFinished();
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        if (qEnvironmentVariableIsSet("VYRA_E2E_KEEP")) {
            m_dir.setAutoRemove(false);
            qInfo("logs in %s", qPrintable(m_dir.path()));
        }
        m_build = qEnvironmentVariable("VYRA_BUILD_DIR");
        if (!QFile::exists(m_build + "/bin/VYRA_Control_App") ||
            !QFile::exists(m_build + "/bin/vyra_simulated_unit"))
            QFAIL("the application or the simulated unit is not built");

        // Online at once: a unit playing one long title.
        QFile scenario(m_dir.filePath("scenario.json"));
        QVERIFY(scenario.open(QIODevice::WriteOnly));
        scenario.write(R"({"loop": false, "steps": [{"duration": 3600, "mediaIdState": "ident_success",
            "motionCodeState": "available", "media": "The Godfather", "offset": 100}]})");
        scenario.close();

        m_port = freeTcpPort();
        m_unit = std::make_unique<QProcess>();
        m_unit->setProcessEnvironment(environment(""));
        m_unit->setProcessChannelMode(QProcess::MergedChannels);
        m_unit->start(m_build + "/bin/vyra_simulated_unit",
                      {"--bind", "127.0.0.1", "--port", QString::number(m_port), "--seats", "2", "--key-file",
                       m_dir.filePath("unit-key.txt"), "--no-announce", "--scenario", scenario.fileName()});
        QVERIFY(m_unit->waitForStarted(20000));
        QTRY_VERIFY_WITH_TIMEOUT(unitLog().contains("listening"), 20000);
    }

    void cleanupTestCase() { stop(m_unit.get()); }

    void languageShown_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("logLine");
        QTest::addColumn<QString>("library");
        QTest::addColumn<QString>("cut");
        QTest::addColumn<QString>("online");
        QTest::addColumn<QString>("username");
        QTest::newRow("fr") << "fr"
                            << "Successfully loaded translation." << QString::fromUtf8("Bibliothèque")
                            << "Version"
                            << "VYRA en ligne"
                            << "Nom d'utilisateur";
        // A language and country finds the bare language's catalogue.
        QTest::newRow("zh_CN") << "zh_CN"
                               << "Successfully loaded translation." << QString::fromUtf8("库")
                               << QString::fromUtf8("剪辑") << QString::fromUtf8("在线 VYRA")
                               << QString::fromUtf8("电子邮件");
        // The first preferred language has no catalogue: the next one's is taken.
        QTest::newRow("de:zh_CN") << "de:zh_CN"
                                  << "Successfully loaded translation." << QString::fromUtf8("库")
                                  << QString::fromUtf8("剪辑") << QString::fromUtf8("在线 VYRA")
                                  << QString::fromUtf8("电子邮件");
        QTest::newRow("de") << "de"
                            << "Could not load translation."
                            << "Library"
                            << "Cut"
                            << "VYRA Online"
                            << "Username";
    }

    void languageShown()
    {
        QFETCH(QString, language);
        QFETCH(QString, logLine);
        QFETCH(QString, library);
        QFETCH(QString, cut);
        QFETCH(QString, online);
        QFETCH(QString, username);

        QProcessEnvironment env = environment(language);
        const QString tag = QString(QTest::currentDataTag()).replace(':', '-');
        const QString socket = m_dir.filePath("probe-" + tag + ".sock");
        const QString log = m_dir.filePath("app-" + tag + ".log");
        env.insert("QT_PLUGIN_PATH", QStringLiteral(VYRA_UI_PROBE_PLUGIN_DIR));
        env.insert("QT_QPA_GENERIC_PLUGINS", "vyrauiprobe");
        env.insert("VYRA_UI_PROBE_SOCKET", socket);
        QProcess app;
        app.setProcessEnvironment(env);
        // To a file: an unread pipe would fill up and stall the program.
        app.setProcessChannelMode(QProcess::MergedChannels);
        app.setStandardOutputFile(log);
        app.start(m_build + "/bin/VYRA_Control_App", {"-a", QString("127.0.0.1:%1").arg(m_port)});
        QVERIFY(app.waitForStarted(20000));
        auto guard = qScopeGuard([&] {
            m_probe.close();
            stop(&app);
        });
        QTRY_VERIFY_WITH_TIMEOUT(connectProbe(socket), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(ask({{"cmd", "window"}}).value("ok").toBool(), 30000);

        QVERIFY2(readFile(log).contains(logLine), qPrintable(readFile(log)));
        QCOMPARE(text("libraryTab"), library);
        // The library page is made when first shown (behind the start-up dialog, which takes the clicks).
        QTRY_VERIFY_WITH_TIMEOUT(
            ask({{"cmd", "get"}, {"name", "startupDialogCloseButton"}, {"prop", "visible"}})
                .value("value")
                .toBool(),
            20000);
        QVERIFY(ask({{"cmd", "click"}, {"name", "startupDialogCloseButton"}}).value("ok").toBool());
        QTRY_VERIFY_WITH_TIMEOUT(ask({{"cmd", "click"}, {"name", "libraryTab"}}).value("ok").toBool() &&
                                     !text("cutTitle").isEmpty(),
                                 20000);
        QTRY_COMPARE_WITH_TIMEOUT(text("cutTitle"), cut, 20000);
        // Made by a message handler from the unit's report, translated where it is made.
        QTRY_COMPARE_WITH_TIMEOUT(text("controllerStatusText"), online, 60000);
        // The sign-in fields are made once the unit answers for the library service.
        QTRY_COMPARE_WITH_TIMEOUT(text("usernameTextInput", "placeholderText"), username, 20000);
    }
};

QTEST_GUILESS_MAIN(TestTranslationsEndToEnd)
#include "tst_translations_endtoend.moc"
