// Crash handler: real fatal signals in a child process, and the report/notify steps in this one.
#include <QtTest>

#include <csignal>
#include <memory>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ApplicationInfo.h"
#include "CrashHandler.h"

extern char** environ;

using namespace Ulmar;

namespace {

struct ChildResult
{
    bool finished = false;
    bool signaled = false;
    int signal = 0;
    int exitCode = -1;
};

// Runs the probe and waits for it; no QProcess, because only waitpid() tells which signal ended it.
ChildResult runProbe(const QString& mode, const QString& folder, const QString& marker)
{
    ChildResult result;
    const QByteArray program = (QCoreApplication::applicationDirPath() + "/vyra_crash_probe").toLocal8Bit();
    const QByteArray m = mode.toLocal8Bit(), f = folder.toLocal8Bit(), k = marker.toLocal8Bit();
    char* argv[] = {const_cast<char*>(program.constData()), const_cast<char*>(m.constData()),
                    const_cast<char*>(f.constData()), const_cast<char*>(k.constData()), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program.constData(), nullptr, nullptr, argv, environ) != 0)
        return result;
    QElapsedTimer timer;
    timer.start();
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 || timer.elapsed() > 60000) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return result;
        }
        QThread::msleep(10);
    }
    result.finished = true;
    result.signaled = WIFSIGNALED(status);
    result.signal = result.signaled ? WTERMSIG(status) : 0;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

QString readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

class CountingObserver : public ICrashHandlerObserver
{
public:
    void handleCrash() override { ++calls; }
    int calls = 0;
};

} // namespace

class TestCoreCrash : public QObject
{
    Q_OBJECT

private slots:
    void fatalSignalWritesReportNotifiesAndDies_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("signalLine");
        QTest::newRow("null pointer") << "null" << SIGSEGV << "Signal: 11 (SIGSEGV)";
        QTest::newRow("raised SIGSEGV") << "raise" << SIGSEGV << "Signal: 11 (SIGSEGV)";
        QTest::newRow("abort") << "abort" << SIGABRT << "Signal: 6 (SIGABRT)";
        QTest::newRow("SIGFPE") << "fpe" << SIGFPE << "Signal: 8 (SIGFPE)";
        QTest::newRow("stack overflow") << "overflow" << SIGSEGV << "Signal: 11 (SIGSEGV)";
        QTest::newRow("other thread") << "thread" << SIGSEGV << "Signal: 11 (SIGSEGV)";
        QTest::newRow("qFatal") << "qfatal" << SIGABRT << "Signal: 6 (SIGABRT)";
    }

    void fatalSignalWritesReportNotifiesAndDies()
    {
        QFETCH(QString, mode);
        QFETCH(int, signal);
        QFETCH(QString, signalLine);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // A folder that does not exist yet: initialize() creates it.
        const QString reports = dir.filePath("reports/crash");
        const QString marker = dir.filePath("marker.txt");

        const ChildResult child = runProbe(mode, reports, marker);
        QVERIFY2(child.finished, "the probe did not end");
        QVERIFY2(child.signaled, qPrintable(QString("exit code %1").arg(child.exitCode)));
        QCOMPARE(child.signal, signal);

        const QStringList files = QDir(reports).entryList({"CrashProbe-*.crash.txt"}, QDir::Files);
        QCOMPARE(files.size(), 1);
        QVERIFY2(
            QRegularExpression("^CrashProbe-\\d{8}-\\d{6}\\.crash\\.txt$").match(files.first()).hasMatch(),
            qPrintable(files.first()));
        const QString report = readAll(QDir(reports).filePath(files.first()));
        QVERIFY2(report.contains(signalLine + "\n"), qPrintable(report));
        QVERIFY(report.contains("Application: CrashProbe 1.2.3\n"));
        const int backtrace = report.indexOf("Backtrace:\n");
        QVERIFY(backtrace > 0);
        // At least a few frames, each a line of its own.
        QVERIFY2(report.mid(backtrace).count('\n') >= 3, qPrintable(report));
        // The report's timestamp is the UTC time of the crash.
        QDateTime stampUtc = QDateTime::fromString(files.first().mid(11, 15), "yyyyMMdd-hhmmss");
        stampUtc.setTimeSpec(Qt::UTC);
        QVERIFY(stampUtc.isValid());
        QVERIFY(qAbs(stampUtc.secsTo(QDateTime::currentDateTimeUtc())) < 600);

        // The live observer ran once; the expired one was skipped.
        QCOMPARE(readAll(marker), QStringLiteral("observed\n"));

        // A fatal Qt message is logged before Qt aborts.
        if (mode == "qfatal")
            QCOMPARE(readAll(QDir(reports).filePath("qt.log")),
                     QStringLiteral("FATAL|Qt|cannot go on: out of luck\n"));
    }

    void writeReportWithoutDying()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        ApplicationInfo::Init("InProcess", "In Process", "Tavik", "9.8.7", DataFolderExecutable, 0, nullptr);
        CrashHandler& handler = CrashHandler::getInstance();
        QVERIFY(handler.configure(CrashHandler::Configuration("Report", dir.path().toStdString(), true)));

        const QString first = QString::fromStdString(handler.writeReport("caught it\nSignal: 11 (SIGSEGV)"));
        QVERIFY(!first.isEmpty());
        QVERIFY(first.startsWith(dir.path() + "/Report-"));
        QVERIFY(first.endsWith(".crash.txt"));
        const QString text = readAll(first);
        // The reason stays on one line: it cannot pass for a signal line.
        QVERIFY2(text.contains("Reason: caught it Signal: 11 (SIGSEGV)\n"), qPrintable(text));
        QVERIFY(!text.contains("\nSignal:"));
        QVERIFY(text.contains("Application: InProcess 9.8.7\n"));
        QVERIFY(text.contains("Backtrace:\n"));

        // Reports of the same second do not overwrite each other.
        const QString second = QString::fromStdString(handler.writeReport("again"));
        const QString third = QString::fromStdString(handler.writeReport("and again"));
        QVERIFY(!second.isEmpty() && !third.isEmpty());
        QVERIFY(second != first && third != second && third != first);
        QVERIFY(readAll(first).contains("caught it"));
        QCOMPARE(QDir(dir.path()).entryList({"Report-*.crash.txt"}, QDir::Files).size(), 3);
    }

    void reportsCanBeSwitchedOffAndFailuresAreReported()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        CrashHandler& handler = CrashHandler::getInstance();
        QVERIFY(handler.configure(CrashHandler::Configuration("Off", dir.path().toStdString(), false)));
        QVERIFY(handler.writeReport("not wanted").empty());
        QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());

        // A folder that cannot exist: a plain file stands where the folder should be.
        QFile blocker(dir.filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(handler.configure(
            CrashHandler::Configuration("X", dir.filePath("blocker/sub").toStdString(), true)));
        QVERIFY(handler.writeReport("nowhere to go").empty());

        // A folder path longer than any file name the system accepts is refused up front.
        QVERIFY(!handler.configure(CrashHandler::Configuration("X", std::string(5000, 'a'), true)));
    }

    void notifyObserversSkipsExpiredOnes()
    {
        CrashHandler& handler = CrashHandler::getInstance();
        auto first = std::make_shared<CountingObserver>();
        auto second = std::make_shared<CountingObserver>();
        std::weak_ptr<CountingObserver> goneWatch;
        handler.addObserver(first);
        {
            auto gone = std::make_shared<CountingObserver>();
            goneWatch = gone;
            handler.addObserver(gone);
        }
        handler.addObserver(second);
        QVERIFY(goneWatch.expired());

        handler.notifyObservers();
        QCOMPARE(first->calls, 1);
        QCOMPARE(second->calls, 1);

        second.reset();
        handler.notifyObservers();
        QCOMPARE(first->calls, 2);
    }
};

QTEST_GUILESS_MAIN(TestCoreCrash)
#include "tst_core_crash.moc"
