#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "AppTestSupport.h"

// The command line of the built program.
class TestCommandLine : public QObject
{
    Q_OBJECT

private:
    struct Run
    {
        int exitCode = -100;
        QString out;
        QString err;
    };

    Run run(const QStringList& arguments, bool display = true)
    {
        QProcess process;
        QProcessEnvironment env = AppTest::programEnvironment(m_dir.path());
        if (!display) {
            env.remove("DISPLAY");
            env.remove("WAYLAND_DISPLAY");
            env.remove("QT_QPA_PLATFORM");
        }
        process.setProcessEnvironment(env);
        process.start(AppTest::buildDir() + "/bin/VYRA_Control_App", arguments);
        Run result;
        if (!process.waitForStarted(20000))
            return result;
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            return result;
        }
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -200;
        result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        result.err = QString::fromLocal8Bit(process.readAllStandardError());
        return result;
    }

    static void verifyDescription(const QString& text)
    {
        QVERIFY2(text.contains("VYRA Control App Options:"), qPrintable(text));
        QVERIFY(text.contains("-a [ --hostname ] arg"));
        QVERIFY(text.contains("-s [ --serviceName ] arg (=VYRA)"));
        QVERIFY(text.contains("-h [ --help ]"));
        QVERIFY(text.contains("Show this usage/help display."));
        QVERIFY(text.contains("Hostname used to connect directly to the"));
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void help_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("-h") << QStringList{"-h"};
        QTest::newRow("--help") << QStringList{"--help"};
        QTest::newRow("--HELP") << QStringList{"--HELP"};
        QTest::newRow("-H") << QStringList{"-H"};
        QTest::newRow("help after a valid option") << QStringList{"-s", "Other", "--help"};
    }

    void help()
    {
        QFETCH(QStringList, arguments);
        const Run r = run(arguments);
        QCOMPARE(r.exitCode, 0);
        verifyDescription(r.out);
        // The description is the last thing written, and nothing of the window or the components follows.
        // The documented options, then the one added beside them.
        QVERIFY2(QRegularExpression("Show this usage/help display\\.\n +--version +Show the version of this "
                                    "application\\.\n\n$")
                     .match(r.out)
                     .hasMatch(),
                 qPrintable(r.out));
        QVERIFY(!r.err.contains("Error in command-line"));
    }

    void errors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("reason");
        QTest::newRow("unknown option") << QStringList{"--bogus"} << "unrecognised option '--bogus'";
        QTest::newRow("unknown before help")
            << QStringList{"--help", "--bogus"} << "unrecognised option '--bogus'";
        QTest::newRow("missing value")
            << QStringList{"--hostname"} << "the required argument for option '--hostname' is missing";
        QTest::newRow("missing short value") << QStringList{"-a"} << "is missing";
        QTest::newRow("ambiguous abbreviation") << QStringList{"--h", "x"} << "ambiguous";
        QTest::newRow("given twice") << QStringList{"-a", "x", "--hostname", "y"}
                                     << "cannot be specified more than once";
    }

    void errors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, reason);
        const Run r = run(arguments);
        QCOMPARE(r.exitCode, 255);
        const int at = r.err.indexOf("Error in command-line: ");
        QVERIFY2(at >= 0, qPrintable(r.err));
        const QString message = r.err.mid(at);
        const int blank = message.indexOf("\n\n");
        QVERIFY(blank > 0);
        QVERIFY2(message.left(blank).contains(reason), qPrintable(message.left(blank)));
        verifyDescription(message.mid(blank + 2));
        QVERIFY(!r.out.contains("VYRA Control App Options"));
    }

    // Spellings the parser takes; help is added so that the program stops after parsing.
    void acceptedSpellings_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("upper-case long name") << QStringList{"--HOSTNAME", "h1", "-h"};
        QTest::newRow("abbreviation") << QStringList{"--host", "h1", "-h"};
        QTest::newRow("mixed-case abbreviation") << QStringList{"--SERV", "X", "-h"};
        QTest::newRow("equals sign") << QStringList{"--hostname=h1", "-h"};
        QTest::newRow("attached short value") << QStringList{"-ah1", "-h"};
        QTest::newRow("upper-case short name") << QStringList{"-S", "X", "-h"};
        QTest::newRow("empty host name") << QStringList{"--hostname", "", "-h"};
    }

    void acceptedSpellings()
    {
        QFETCH(QStringList, arguments);
        const Run r = run(arguments);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(!r.err.contains("Error in command-line"), qPrintable(r.err));
        verifyDescription(r.out);
    }

    // Without any display server: the console answers, nothing aborts, no crash report is written.
    void withoutDisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("err");
        QTest::newRow("help") << QStringList{"--help"} << 0 << QString();
        QTest::newRow("error") << QStringList{"--bogus"} << 255 << "Error in command-line: ";
        QTest::newRow("start") << QStringList{} << 1 << "no display found";
        QTest::newRow("start with a host") << QStringList{"-a", "127.0.0.1"} << 1 << "no display found";
    }

    void withoutDisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, err);
        const Run r = run(arguments, false);
        QCOMPARE(r.exitCode, exitCode);
        if (exitCode == 0)
            verifyDescription(r.out);
        if (!err.isEmpty())
            QVERIFY2(r.err.contains(err), qPrintable(r.err));
        QVERIFY(!r.err.contains("crash"));
        QDirIterator reports(m_dir.path(), {"*.crash.txt"}, QDir::Files, QDirIterator::Subdirectories);
        QVERIFY2(!reports.hasNext(), qPrintable(reports.hasNext() ? reports.next() : QString()));
    }

    // An address that cannot work is a command-line error, with its own reason, before any window or
    // look-up; a display is there, so nothing else would stop the program.
    void refusedAddresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("reason");
        const QString port = "The port must be a number from 1 to 65535.";
        QTest::newRow("port above 65535") << "127.0.0.1:99999" << port;
        QTest::newRow("port 0") << "unit.local:0" << port;
        QTest::newRow("port with a sign") << "unit.local:+80" << port;
        QTest::newRow("port not a number") << "unit.local:http" << port;
        QTest::newRow("colon without a port") << "unit.local:" << port;
        QTest::newRow("six-digit port") << "127.0.0.1:012740" << port;
        QTest::newRow("bracketed IPv6, bad port") << "[::1]:65536" << port;
        QTest::newRow("no host before the port") << ":12740"
                                                 << "before the port is missing";
        QTest::newRow("empty brackets") << "[]:12740"
                                        << "before the port is missing";
        QTest::newRow("IPv6 without closing bracket") << "[fe80::1:12740"
                                                      << "not a valid IPv6 address";
        QTest::newRow("IPv6 with a bad group") << "fe80::12345"
                                               << "not a valid IPv6 address";
        QTest::newRow("IPv6 with two gaps") << "1::2::3"
                                            << "not a valid IPv6 address";
        QTest::newRow("IPv4 in brackets") << "[127.0.0.1]:12740"
                                          << "not a valid IPv6 address";
        QTest::newRow("text after the bracket") << "[::1]x"
                                                << "not a valid IPv6 address";
        QTest::newRow("IPv4 part above 255") << "127.0.0.256"
                                             << "not a valid IPv4 address";
        QTest::newRow("IPv4 with three parts") << "127.0.1"
                                               << "not a valid IPv4 address";
        QTest::newRow("space in a host name") << "my unit"
                                              << "only letters, digits";
        QTest::newRow("host name with a slash") << "unit/a:12740"
                                                << "only letters, digits";
        QTest::newRow("label ending with a hyphen") << "unit-.local"
                                                    << "only letters, digits";
    }

    void refusedAddresses()
    {
        QFETCH(QString, address);
        QFETCH(QString, reason);
        const Run r = run({"-a", address});
        QCOMPARE(r.exitCode, 255);
        const QString expected =
            QString("Error in command-line: the argument ('%1') for option '--hostname' is invalid: ")
                .arg(address);
        QVERIFY2(r.err.startsWith(expected), qPrintable(r.err));
        const QString message = r.err.mid(expected.size()).section('\n', 0, 0);
        QVERIFY2(message.contains(reason), qPrintable(message));
        verifyDescription(r.err);
    }

    // What -a takes goes on to the start of the program (which stops here for want of a display).
    void acceptedAddresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("IPv4") << "192.168.1.20";
        QTest::newRow("IPv4 with a port") << "127.0.0.1:1";
        QTest::newRow("highest port") << "127.0.0.1:65535";
        QTest::newRow("host name") << "vyra-living-room.local";
        QTest::newRow("host name with a trailing dot and a port") << "unit.example.:23456";
        QTest::newRow("bare IPv6") << "fe80::1";
        QTest::newRow("IPv6 with a zone") << "fe80::1%eth0";
        QTest::newRow("bracketed IPv6 with a port") << "[::1]:23456";
        QTest::newRow("empty: discovery") << "";
    }

    void acceptedAddresses()
    {
        QFETCH(QString, address);
        const Run r = run({"-a", address}, false);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("no display found"), qPrintable(r.err));
        QVERIFY(!r.err.contains("Error in command-line"));
    }

    void version()
    {
        const Run r = run({"--version"});
        QCOMPARE(r.exitCode, 0);
        // The last line; the console log may come before it.
        QVERIFY2(r.out.endsWith("\nVYRA_Control_App 2.1.3.12379\n") ||
                     r.out == "VYRA_Control_App 2.1.3.12379\n",
                 qPrintable(r.out));
        QVERIFY(!r.err.contains("Error in command-line"));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_app_commandline.moc"
