#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include "AppTestSupport.h"

// A real crash under a private X display: the crashed process writes its report and dies at once, and a
// process of its own shows the crash box with the report's path.
class TestCrashBox : public QObject
{
    Q_OBJECT

private:
    QString run(const QString& program, const QStringList& arguments)
    {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished();
            return QString();
        }
        return QString::fromLocal8Bit(process.readAllStandardOutput());
    }

    // Top-level windows whose name starts with `name`, as "0x..." ids.
    QStringList windowsNamed(const QString& name)
    {
        const QString tree = run(m_xwininfo, {"-display", m_display, "-root", "-tree"});
        QStringList ids;
        const QRegularExpression line("^\\s*(0x[0-9a-f]+) \"" + QRegularExpression::escape(name),
                                      QRegularExpression::MultilineOption);
        for (auto it = line.globalMatch(tree); it.hasNext();)
            ids << it.next().captured(1);
        return ids;
    }

    bool viewable(const QString& id)
    {
        return run(m_xwininfo, {"-display", m_display, "-id", id}).contains("Map State: IsViewable");
    }

    qint64 windowPid(const QString& id)
    {
        const QString text = run(m_xprop, {"-display", m_display, "-id", id, "_NET_WM_PID"});
        const auto match = QRegularExpression("= (\\d+)").match(text);
        return match.hasMatch() ? match.captured(1).toLongLong() : 0;
    }

    static QStringList commandLine(qint64 pid)
    {
        QFile file(QString("/proc/%1/cmdline").arg(pid));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QByteArray text = file.readAll();
        if (text.endsWith('\0'))
            text.chop(1);
        QStringList parts;
        for (const QByteArray& part : text.split('\0'))
            parts << QString::fromLocal8Bit(part);
        return parts;
    }

private slots:
    void initTestCase()
    {
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        m_xwininfo = QStandardPaths::findExecutable("xwininfo");
        m_xprop = QStandardPaths::findExecutable("xprop");
        if (xvfb.isEmpty() || m_xwininfo.isEmpty() || m_xprop.isEmpty())
            QSKIP("Xvfb, xwininfo and xprop are needed (scripts/install-deps.sh)");
        // -displayfd: the server picks a free display number and writes it once it accepts clients.
        m_server.start(xvfb, {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
        QVERIFY(m_server.waitForStarted(30000));
        QByteArray number;
        QTRY_VERIFY_WITH_TIMEOUT((number += m_server.readAllStandardOutput()).contains('\n'), 30000);
        m_display = ":" + QString::fromLatin1(number.trimmed());
        QVERIFY(m_dir.isValid());
    }

    void cleanupTestCase()
    {
        for (qint64 pid : qAsConst(m_boxes))
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        if (m_server.state() != QProcess::NotRunning) {
            m_server.terminate();
            if (!m_server.waitForFinished(20000)) {
                m_server.kill();
                m_server.waitForFinished();
            }
        }
    }

    void crashShowsBoxWithReport_data()
    {
        QTest::addColumn<QString>("boxProgram"); // empty: the crashing executable itself
        QTest::newRow("the application shows the box") << AppTest::buildDir() + "/bin/VYRA_Control_App";
        QTest::newRow("the same executable") << QString();
    }

    void crashShowsBoxWithReport()
    {
        QFETCH(QString, boxProgram);
        const QString probe = AppTest::buildDir() + "/bin/vyra_crashbox_probe";
        const QString reports = m_dir.filePath(QString(QTest::currentDataTag()).replace(' ', '_'));
        QProcessEnvironment env = AppTest::programEnvironment(m_dir.filePath("env"));
        env.insert("DISPLAY", m_display);
        env.insert("QT_QPA_PLATFORM", "xcb");

        QProcess crashing;
        crashing.setProcessEnvironment(env);
        crashing.start(probe, boxProgram.isEmpty() ? QStringList{reports} : QStringList{reports, boxProgram});
        QVERIFY(crashing.waitForFinished(60000));
        // The crashed process does not wait for the user.
        QCOMPARE(crashing.exitStatus(), QProcess::CrashExit);

        // The report is complete: every section, and the backtrace to its last line.
        const QStringList files = QDir(reports).entryList({"CrashBoxProbe-*.crash.txt"}, QDir::Files);
        QCOMPARE(files.size(), 1);
        const QString reportPath = QDir(reports).filePath(files.first());
        QFile reportFile(reportPath);
        QVERIFY(reportFile.open(QIODevice::ReadOnly));
        const QString report = QString::fromUtf8(reportFile.readAll());
        QVERIFY2(report.startsWith("Crash report\nSignal: 11 (SIGSEGV)\nAddress: 0x0\n"), qPrintable(report));
        QVERIFY(report.contains("\nApplication: CrashBoxProbe 4.5.6\n"));
        QVERIFY(QRegularExpression("\nTime \\(UTC\\): \\d{8}-\\d{6}\n").match(report).hasMatch());
        const int backtrace = report.indexOf("\nBacktrace:\n");
        QVERIFY(backtrace > 0);
        QVERIFY2(report.mid(backtrace).count('\n') >= 4, qPrintable(report));
        QVERIFY(report.endsWith('\n'));

        // The box: a window on the display, owned by a process started with the report's path.
        const QStringList expected{boxProgram.isEmpty() ? probe : boxProgram, "--show-crash-report",
                                   reportPath};
        QString window;
        qint64 pid = 0;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                for (const QString& id : windowsNamed("Tavik")) {
                    const qint64 owner = windowPid(id);
                    if (owner > 0 && viewable(id) && commandLine(owner) == expected) {
                        window = id;
                        pid = owner;
                        return true;
                    }
                }
                return false;
            }(),
            60000);
        m_boxes << pid;

        // The user closing it (here: ending its process) takes the window away.
        QCOMPARE(::kill(static_cast<pid_t>(pid), SIGTERM), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!windowsNamed("Tavik").contains(window), 30000);
        m_boxes.removeAll(pid);
    }

private:
    QTemporaryDir m_dir;
    QProcess m_server;
    QString m_display;
    QString m_xwininfo;
    QString m_xprop;
    QList<qint64> m_boxes;
};

QTEST_GUILESS_MAIN(TestCrashBox)
#include "tst_app_crashbox.moc"
