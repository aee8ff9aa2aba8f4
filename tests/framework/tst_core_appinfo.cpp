// Application identity and folders: data folder by type and environment, creation, fallbacks.
#include <QtTest>

#include "ApplicationInfo.h"

using namespace Ulmar;

class TestCoreAppInfo : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QByteArray m_home;
    QByteArray m_xdg;

    bool init(const std::string& name, int type)
    {
        static char arg0[] = "tst_core_appinfo";
        char* argv[] = {arg0, nullptr};
        return ApplicationInfo::Init(name, "Display " + name, "Tavik", "2.1.3.12379", type, 1, argv);
    }

private slots:
    // Declared first: runs before any Init.
    void beforeInitFallsBackToCurrentFolder()
    {
        QCOMPARE(QString::fromStdString(ApplicationInfo::DataPath()), QDir::currentPath());
        QCOMPARE(QString::fromStdString(ApplicationInfo::ExecutableFolder()),
                 QCoreApplication::applicationDirPath());
        QVERIFY(ApplicationInfo::Name().empty());
        QCOMPARE(QString::fromStdString(ApplicationInfo::EstablishPathToDataFile("logs")),
                 QDir::currentPath() + "/logs");
    }

    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_home = qgetenv("HOME");
        m_xdg = qgetenv("XDG_DATA_HOME");
    }

    void cleanupTestCase()
    {
        qputenv("HOME", m_home);
        if (m_xdg.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", m_xdg);
    }

    void identityIsKept()
    {
        qputenv("XDG_DATA_HOME", m_dir.filePath("id").toUtf8());
        QVERIFY(init("VYRA_Control_App", DataFolderUser));
        QCOMPARE(ApplicationInfo::Name(), std::string("VYRA_Control_App"));
        QCOMPARE(ApplicationInfo::DisplayName(), std::string("Display VYRA_Control_App"));
        QCOMPARE(ApplicationInfo::Company(), std::string("Tavik"));
        QCOMPARE(ApplicationInfo::Version(), std::string("2.1.3.12379"));
    }

    void userFolder_data()
    {
        QTest::addColumn<QString>("xdg");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("expected");
        QTest::newRow("XDG_DATA_HOME") << "xdg1"
                                       << "home1"
                                       << "xdg1/Tavik/App";
        QTest::newRow("HOME when XDG_DATA_HOME is unset") << QString() << "home2"
                                                          << "home2/.local/share/Tavik/App";
        QTest::newRow("HOME when XDG_DATA_HOME is empty") << ""
                                                          << "home3"
                                                          << "home3/.local/share/Tavik/App";
        QTest::newRow("relative XDG_DATA_HOME is ignored") << "@relative/xdg"
                                                           << "home4"
                                                           << "home4/.local/share/Tavik/App";
    }

    void userFolder()
    {
        QFETCH(QString, xdg);
        QFETCH(QString, home);
        QFETCH(QString, expected);
        if (xdg.isNull())
            qunsetenv("XDG_DATA_HOME");
        else if (xdg.startsWith('@'))
            qputenv("XDG_DATA_HOME", xdg.mid(1).toUtf8());
        else
            qputenv("XDG_DATA_HOME", xdg.isEmpty() ? QByteArray("") : m_dir.filePath(xdg).toUtf8());
        qputenv("HOME", m_dir.filePath(home).toUtf8());

        const QString folder = m_dir.filePath(expected);
        QVERIFY(!QFileInfo::exists(folder));
        QVERIFY(init("App", DataFolderUser));
        QCOMPARE(QString::fromStdString(ApplicationInfo::DataPath()), folder);
        // Created with all its missing parents.
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(QString::fromStdString(ApplicationInfo::EstablishPathToDataFile("logs")), folder + "/logs");
        QVERIFY(!QFileInfo::exists("relative"));
    }

    void executableFolder()
    {
        QVERIFY(init("App", DataFolderExecutable));
        const QString exeDir = QCoreApplication::applicationDirPath();
        QCOMPARE(QString::fromStdString(ApplicationInfo::ExecutableFolder()), exeDir);
        QCOMPARE(QString::fromStdString(ApplicationInfo::DataPath()), exeDir);
        QCOMPARE(
            QString::fromStdString(ApplicationInfo::EstablishPathToExecutableFile("CAlogger.properties")),
            exeDir + "/CAlogger.properties");
    }

    void folderThatCannotBeCreated()
    {
        // A plain file where a parent folder should be.
        QFile blocker(m_dir.filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        qputenv("XDG_DATA_HOME", m_dir.filePath("blocker").toUtf8());
        QVERIFY(!init("App", DataFolderUser));
        // The path is still what was asked for, so that callers report something meaningful.
        QCOMPARE(QString::fromStdString(ApplicationInfo::DataPath()), m_dir.filePath("blocker/Tavik/App"));
    }

    void unknownFolderTypeUsesTheUserFolder()
    {
        qputenv("XDG_DATA_HOME", m_dir.filePath("unknown").toUtf8());
        QVERIFY(!init("App", 42));
        QCOMPARE(QString::fromStdString(ApplicationInfo::DataPath()), m_dir.filePath("unknown/Tavik/App"));
        QVERIFY(QFileInfo(m_dir.filePath("unknown/Tavik/App")).isDir());
    }

    void noArgumentsStillFindsTheExecutable()
    {
        qputenv("XDG_DATA_HOME", m_dir.filePath("noargs").toUtf8());
        QVERIFY(ApplicationInfo::Init("App", "App", "Tavik", "1", DataFolderUser, 0, nullptr));
        QCOMPARE(QString::fromStdString(ApplicationInfo::ExecutableFolder()),
                 QCoreApplication::applicationDirPath());
    }
};

QTEST_GUILESS_MAIN(TestCoreAppInfo)
#include "tst_core_appinfo.moc"
