// Logging: channel hierarchy, levels, file/line reaching the sinks, old-style files, Qt's message log.
#include <QtTest>

#include <atomic>
#include <thread>

#include "ApplicationInfo.h"
#include "Logger.h"
#include "LoggerConfig.h"

using namespace Ulmar;

namespace {

QString readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

bool writeText(const QString& path, const QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(text.toUtf8()) == text.toUtf8().size();
}

// A configuration with one file appender whose lines are "LEVEL|channel|file|line|message".
QString fileConfiguration(const QString& prefix, const QString& logFile, const QString& loggers)
{
    return QStringLiteral("%1.rootLogger=WARN, F\n"
                          "%2\n"
                          "%1.appender.F=log4cplus::FileAppender\n"
                          "%1.appender.F.File=%3\n"
                          "%1.appender.F.layout=log4cplus::PatternLayout\n"
                          "%1.appender.F.layout.ConversionPattern=%p|%c|%b|%L|%m%n\n")
        .arg(prefix, loggers, logFile);
}

} // namespace

class TestCoreLogging : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;

    // Writes a configuration and applies it; returns the path of its log file.
    QString configure(const QString& loggers, const QString& prefix = QStringLiteral("log4cplus"))
    {
        const QString n = QString::number(++m_files);
        const QString log = m_dir.filePath("out" + n + ".log");
        const QString props = m_dir.filePath("conf" + n + ".properties");
        if (!writeText(props, fileConfiguration(prefix, log, loggers)))
            return QString();
        if (!LoggerConfig::GetInstance().ConfigureFromFile(props.toStdString()))
            return QString();
        return log;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void chainedLevelsFollowTheHierarchy()
    {
        const QString log = configure("log4cplus.logger.Sonvex=INFO\n"
                                      "log4cplus.logger.Sonvex.VYRA_Control_App.Quiet=ERROR\n");
        QVERIFY(!log.isEmpty());

        const Logger main = Logger::GetInstance("Sonvex.VYRA_Control_App.main");
        QCOMPARE(main.GetName(), std::string("Sonvex.VYRA_Control_App.main"));
        QCOMPARE(main.GetChainedLogLevel(), LOG_LEVEL_INFO);
        QCOMPARE(Logger::GetInstance("Sonvex.VYRA_Control_App.Quiet.sub").GetChainedLogLevel(),
                 LOG_LEVEL_ERROR);
        QCOMPARE(Logger::GetInstance("Elsewhere.x").GetChainedLogLevel(), LOG_LEVEL_WARN);

        // Enabled means "at least the chained level": the boundary itself counts.
        QVERIFY(main.IsEnabledFor(LOG_LEVEL_INFO));
        QVERIFY(main.IsEnabledFor(LOG_LEVEL_ERROR));
        QVERIFY(!main.IsEnabledFor(LOG_LEVEL_DEBUG));
        QVERIFY(!main.IsEnabledFor(LOG_LEVEL_INFO - 1));
        QVERIFY(!Logger::GetInstance("Elsewhere").IsEnabledFor(LOG_LEVEL_INFO));
        QVERIFY(Logger::GetInstance("Elsewhere").IsEnabledFor(LOG_LEVEL_WARN));
    }

    void logWritesFileAndLineAndHonoursTheLevel()
    {
        const QString log = configure("log4cplus.logger.Sonvex=INFO\n");
        QVERIFY(!log.isEmpty());
        const Logger logger = Logger::GetInstance("Sonvex.VYRA_Control_App.main");

        const int line = __LINE__ + 1;
        logger.Log(LOG_LEVEL_ERROR, "Fatal Error: Failed to initialize Components", __FILE__, line);
        logger.Log(LOG_LEVEL_DEBUG, "below the channel level", __FILE__, __LINE__);
        logger.Log(LOG_LEVEL_WARN, "no source file", nullptr, 0);

        const QString text = readAll(log);
        QVERIFY2(text.contains(QStringLiteral("ERROR|Sonvex.VYRA_Control_App.main|tst_core_logging.cpp|%1|"
                                              "Fatal Error: Failed to initialize Components\n")
                                   .arg(line)),
                 qPrintable(text));
        QVERIFY(!text.contains("below the channel level"));
        QVERIFY(text.contains("|no source file\n"));
    }

    void reconfiguringReplacesTheSinks()
    {
        const QString first = configure("log4cplus.logger.Sonvex=INFO\n");
        const QString second = configure("log4cplus.logger.Sonvex=INFO\n");
        QVERIFY(!first.isEmpty() && !second.isEmpty());
        Logger::GetInstance("Sonvex.a").Log(LOG_LEVEL_INFO, "after reconfiguration", __FILE__, __LINE__);
        QVERIFY(readAll(second).contains("after reconfiguration"));
        QVERIFY(!readAll(first).contains("after reconfiguration"));
    }

    void oldStyleKeysAreTranslated()
    {
        const QString log = m_dir.filePath("log4j.log");
        const QString props = m_dir.filePath("log4j.properties");
        QVERIFY(writeText(props, "# copied from an old installation\n"
                                 "log4j.rootCategory=INFO, F\n"
                                 "log4j.logger.Sonvex.Noisy=ERROR\n"
                                 "log4j.category.Sonvex.Old=FATAL\n"
                                 "log4j.appender.F=org.apache.log4j.FileAppender\n"
                                 "log4j.appender.F.File=" +
                                     log +
                                     "\n"
                                     "log4j.appender.F.layout=org.apache.log4j.PatternLayout\n"
                                     "log4j.appender.F.layout.ConversionPattern=%p|%c|%m%n\n"));
        QVERIFY(LoggerConfig::GetInstance().ConfigureFromFile(props.toStdString()));
        QCOMPARE(Logger::GetInstance("Sonvex.Noisy.x").GetChainedLogLevel(), LOG_LEVEL_ERROR);
        QCOMPARE(Logger::GetInstance("Sonvex.Old").GetChainedLogLevel(), LOG_LEVEL_FATAL);
        Logger::GetInstance("Sonvex.x").Log(LOG_LEVEL_INFO, "through the old keys", __FILE__, __LINE__);

        const QString text = readAll(log);
        QVERIFY2(text.contains("INFO|Sonvex.x|through the old keys"), qPrintable(text));
        QVERIFY2(text.contains(QRegularExpression("^WARN\\|Sonvex.Framework\\|.*log4j\\.",
                                                  QRegularExpression::MultilineOption)),
                 qPrintable(text));
    }

    void unusableFilesFallBackToTheConsole_data()
    {
        QTest::addColumn<QString>("content");
        QTest::newRow("missing") << QString();
        QTest::newRow("no logging keys") << QStringLiteral("# nothing here\nsomething=else\n");
        QTest::newRow("empty") << QStringLiteral("");
    }

    void unusableFilesFallBackToTheConsole()
    {
        QFETCH(QString, content);
        // Make the previous configuration distinguishable from the fallback.
        QVERIFY(!configure("log4cplus.logger.Sonvex=ERROR\n").isEmpty());

        const QString props = m_dir.filePath("unusable.properties");
        QFile::remove(props);
        if (!content.isNull())
            QVERIFY(writeText(props, content));
        QVERIFY(!LoggerConfig::GetInstance().ConfigureFromFile(props.toStdString()));
        // The fallback: everything at INFO to the console.
        QCOMPARE(Logger::GetInstance("Sonvex.x").GetChainedLogLevel(), LOG_LEVEL_INFO);
        QVERIFY(Logger::GetInstance("Sonvex.x").IsEnabledFor(LOG_LEVEL_INFO));
    }

    void qtMessagesReachTheSameSink()
    {
        const QString log = configure("log4cplus.logger.Qt=DEBUG\nlog4cplus.logger.Sonvex=INFO\n");
        QVERIFY(!log.isEmpty());
        LoggerConfig::GetInstance().InstallQtMessageHandler();

        qDebug() << "debug from Qt";
        qInfo() << "info from Qt";
        qWarning() << "warning from Qt";
        qCritical() << "critical from Qt";
        Logger::GetInstance("Sonvex.x").Log(LOG_LEVEL_INFO, "framework line", __FILE__, __LINE__);

        // Several threads at once: the handler is called on whichever thread logs.
        std::atomic<int> ready{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([t, &ready] {
                ++ready;
                while (ready.load() < 4) {
                }
                for (int i = 0; i < 50; ++i)
                    qInfo("thread %d line %d", t, i);
            });
        for (auto& thread : threads)
            thread.join();

        qInstallMessageHandler(nullptr);

        const QString text = readAll(log);
        QVERIFY2(text.contains("DEBUG|Qt|"), qPrintable(text));
        QVERIFY(text.contains(QRegularExpression("^DEBUG\\|Qt\\|[^|]*\\|\\d+\\|debug from Qt$",
                                                 QRegularExpression::MultilineOption)));
        QVERIFY(text.contains(
            QRegularExpression("^INFO\\|Qt\\|.*\\|info from Qt$", QRegularExpression::MultilineOption)));
        QVERIFY(text.contains(
            QRegularExpression("^WARN\\|Qt\\|.*\\|warning from Qt$", QRegularExpression::MultilineOption)));
        QVERIFY(text.contains(
            QRegularExpression("^ERROR\\|Qt\\|.*\\|critical from Qt$", QRegularExpression::MultilineOption)));
        QVERIFY(text.contains("|framework line\n"));
        for (int t = 0; t < 4; ++t)
            QVERIFY(text.contains(QStringLiteral("|thread %1 line 49\n").arg(t)));
        // Every line whole: no interleaving of concurrent appends.
        QCOMPARE(text.count(QRegularExpression("\\|thread \\d line \\d+\n")), 200);
    }

    void qtChannelLevelFiltersQtMessages()
    {
        const QString log = configure("log4cplus.logger.Qt=INFO\n");
        QVERIFY(!log.isEmpty());
        LoggerConfig::GetInstance().InstallQtMessageHandler();
        qDebug() << "hidden debug";
        qInfo() << "shown info";
        qInstallMessageHandler(nullptr);
        const QString text = readAll(log);
        QVERIFY(!text.contains("hidden debug"));
        QVERIFY(text.contains("shown info"));
    }

    // A logging category is a channel below "Qt": the line names it, and it takes a level of its own or else
    // the level of "Qt".
    void categoriesAreChannelsBelowQt()
    {
        const QString log = configure("log4cplus.logger.Qt=INFO\nlog4cplus.logger.Qt.area.loud=DEBUG\n");
        QVERIFY(!log.isEmpty());
        LoggerConfig::GetInstance().InstallQtMessageHandler();
        const QLoggingCategory loud("area.loud");
        const QLoggingCategory quiet("area.quiet");
        qCDebug(loud) << "debug of the loud area";
        qCDebug(quiet) << "debug of the quiet area";
        qCWarning(quiet, "warning of the quiet area %d", 7);
        qInfo() << "plain info";
        qInstallMessageHandler(nullptr);

        const QString text = readAll(log);
        const auto hasLine = [&text](const char* pattern) {
            return text.contains(QRegularExpression(pattern, QRegularExpression::MultilineOption));
        };
        QVERIFY2(hasLine("^DEBUG\\|Qt\\.area\\.loud\\|[^|]*\\|\\d+\\|debug of the loud area$"),
                 qPrintable(text));
        QVERIFY(!text.contains("debug of the quiet area"));
        QVERIFY(hasLine("^WARN\\|Qt\\.area\\.quiet\\|.*\\|warning of the quiet area 7$"));
        QVERIFY(hasLine("^INFO\\|Qt\\|.*\\|plain info$"));
    }

    void shippedConfigurationWritesIntoTheDataFolder()
    {
        const QString source = qEnvironmentVariable("VYRA_SOURCE_DIR");
        if (source.isEmpty())
            QSKIP("VYRA_SOURCE_DIR not set (run through CTest)");
        QTemporaryDir home;
        QVERIFY(home.isValid());
        qputenv("XDG_DATA_HOME", home.path().toUtf8());
        QVERIFY(ApplicationInfo::Init("VYRA_Control_App", "VYRA_Control_App", "Tavik", "2.1.3.12379",
                                      DataFolderUser, 0, nullptr));
        const QString dataDir = home.filePath("Tavik/VYRA_Control_App");
        QCOMPARE(QString::fromStdString(ApplicationInfo::DataPath()), dataDir);
        QVERIFY(!QFileInfo::exists(dataDir + "/logs"));

        QVERIFY(LoggerConfig::GetInstance().ConfigureFromFile(
            (source + "/VYRA_Control_App/CAlogger.properties").toStdString()));
        LoggerConfig::GetInstance().InstallQtMessageHandler();
        const Logger main = Logger::GetInstance("Sonvex.VYRA_Control_App.main");
        QVERIFY(main.IsEnabledFor(LOG_LEVEL_INFO));
        QVERIFY(!main.IsEnabledFor(LOG_LEVEL_DEBUG));
        main.Log(LOG_LEVEL_ERROR, "Configuration Error: Failed to resume Components", __FILE__, __LINE__);
        qDebug() << "qt debug stays out by default";
        qInfo() << "qt info goes in";
        qInstallMessageHandler(nullptr);

        // The appender created the missing "logs" folder itself.
        const QString text = readAll(dataDir + "/logs/VYRA_Control_App.log");
        QVERIFY2(
            text.contains("[Sonvex.VYRA_Control_App.main] Configuration Error: Failed to resume Components "
                          "(tst_core_logging.cpp:"),
            qPrintable(text));
        QVERIFY(text.contains("[Qt] qt info goes in"));
        QVERIFY(!text.contains("qt debug stays out"));
        qunsetenv("XDG_DATA_HOME");
    }
};

QTEST_GUILESS_MAIN(TestCoreLogging)
#include "tst_core_logging.moc"
