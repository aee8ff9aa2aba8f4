#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "FreePorts.h"

#include "AppTestSupport.h"

// The real program against the simulated unit, both on loopback.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private:
    // The unit and the program share a discovery port of their own.
    QProcessEnvironment environment() const
    {
        auto env = AppTest::programEnvironment(m_dir.path());
        env.insert("VYRA_DISCOVERY_PORT", QString::number(m_discoveryPort));
        return env;
    }

    std::unique_ptr<QProcess> startUnit(quint16 port, bool announce)
    {
        auto unit = std::make_unique<QProcess>();
        unit->setProcessEnvironment(environment());
        unit->setProcessChannelMode(QProcess::MergedChannels);
        QStringList arguments{"--bind",       "127.0.0.1", "--port",     QString::number(port),
                              "--name",       "E2E Unit",  "--key-file", m_dir.filePath("unit-key.txt"),
                              "--no-scenario"};
        if (announce)
            arguments << "--announce-address"
                      << "127.0.0.1"
                      << "--announce-port" << QString::number(m_discoveryPort);
        else
            arguments << "--no-announce";
        unit->start(AppTest::buildDir() + "/bin/vyra_simulated_unit", arguments);
        return unit;
    }

    std::unique_ptr<QProcess> startApp(const QStringList& arguments)
    {
        auto app = std::make_unique<QProcess>();
        app->setProcessEnvironment(environment());
        app->start(AppTest::buildDir() + "/bin/VYRA_Control_App", arguments);
        return app;
    }

    // Everything the program has written to standard output so far.
    static QString output(QProcess& process, QString& buffer)
    {
        buffer += QString::fromLocal8Bit(process.readAllStandardOutput());
        return buffer;
    }

    static void stopUnit(QProcess& unit)
    {
        unit.terminate();
        if (!unit.waitForFinished(20000)) {
            unit.kill();
            unit.waitForFinished();
        }
    }

    // SIGTERM must end the program through its normal shutdown, with exit code 0.
    static void quitApp(QProcess& app, QString& out)
    {
        app.terminate();
        QVERIFY(app.waitForFinished(60000));
        output(app, out);
        const QString err = QString::fromLocal8Bit(app.readAllStandardError());
        QVERIFY2(app.exitStatus() == QProcess::NormalExit, qPrintable(err));
        QVERIFY2(app.exitCode() == 0, qPrintable(out + err));
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void hostNameConnectsAndReconnects()
    {
        const quint16 port = freeTcpPort();
        auto unit = startUnit(port, false);
        QVERIFY(unit->waitForStarted(20000));
        QString unitOutput;
        QTRY_VERIFY2_WITH_TIMEOUT(
            (unitOutput += QString::fromLocal8Bit(unit->readAll())).contains("listening"),
            qPrintable(unitOutput), 20000);

        auto app = startApp({"-a", QString("127.0.0.1:%1").arg(port)});
        QVERIFY(app->waitForStarted(20000));
        QString out;
        QTRY_VERIFY2_WITH_TIMEOUT(output(*app, out).contains("Connection with VYRA established"),
                                  qPrintable(out + app->readAllStandardError()), 60000);

        stopUnit(*unit);
        QTRY_VERIFY_WITH_TIMEOUT(output(*app, out).contains("Connection with VYRA lost"), 60000);

        unit = startUnit(port, false);
        QVERIFY(unit->waitForStarted(20000));
        QTRY_VERIFY_WITH_TIMEOUT(output(*app, out).count("Connection with VYRA established") == 2, 60000);

        quitApp(*app, out);
        stopUnit(*unit);
    }

    // An empty host name leaves discovery on: the window chooses the first unit it hears of.
    void emptyHostNameDiscovers()
    {
        const quint16 port = freeTcpPort();
        auto unit = startUnit(port, true);
        QVERIFY(unit->waitForStarted(20000));

        auto app = startApp({"--hostname", ""});
        QVERIFY(app->waitForStarted(20000));
        QString out;
        QTRY_VERIFY2_WITH_TIMEOUT(output(*app, out).contains("Connection with VYRA established"),
                                  qPrintable(out + app->readAllStandardError() + unit->readAll()), 60000);
        quitApp(*app, out);
        stopUnit(*unit);
    }

private:
    QTemporaryDir m_dir;
    const quint16 m_discoveryPort = freeUdpPort();
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_app_endtoend.moc"
