#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "LoggerConfigLocator.h"

using Ulmar::LoggerConfigLocator;

// An installed tree in miniature: prefix/bin and the data folder the installed program reads from.
class TestLoggerConfigLocator : public QObject
{
    Q_OBJECT

    QTemporaryDir m_prefix;
    QString m_bin;
    QString m_data;

    static void touch(const QString& path)
    {
        QFile file(path);
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    }

    QString find() const
    {
        return QString::fromStdString(LoggerConfigLocator::find(m_bin.toStdString(), "CA.properties"));
    }

private slots:
    void init()
    {
        QVERIFY(m_prefix.isValid());
        QDir(m_prefix.path()).removeRecursively();
        m_bin = m_prefix.filePath("bin");
        m_data = QDir::cleanPath(m_bin + "/" + VYRA_INSTALLED_DATA_FROM_BIN);
        QVERIFY(QDir().mkpath(m_bin));
        QVERIFY(QDir().mkpath(m_data));
        QVERIFY2(m_data.startsWith(m_prefix.path() + "/"), qPrintable(m_data));
    }

    void besideTheExecutableWins()
    {
        touch(m_bin + "/CA.properties");
        touch(m_data + "/CA.properties");
        QCOMPARE(QDir::cleanPath(find()), m_bin + "/CA.properties");
    }

    void installedDataFolderWhenNoneBeside()
    {
        touch(m_data + "/CA.properties");
        QCOMPARE(QDir::cleanPath(find()), m_data + "/CA.properties");
    }

    // A folder of that name is not a configuration; with nothing to read the warning names the first place.
    void noFileNamesThePlaceBesideTheExecutable()
    {
        QVERIFY(QDir().mkpath(m_data + "/CA.properties"));
        QCOMPARE(QDir::cleanPath(find()), m_bin + "/CA.properties");
    }
};

QTEST_GUILESS_MAIN(TestLoggerConfigLocator)
#include "tst_app_loggerconfiglocator.moc"
