#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "Settings.h"

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
        QCoreApplication::setApplicationName("Tavik");
        QCoreApplication::setOrganizationDomain("com.tavik.app");
    }

    void init() { QSettings().clear(); }

    void emptyStoreReadsTrue()
    {
        tavik::Settings settings;
        QCOMPARE(settings.showDialogOnStartup(), true);
        QCOMPARE(settings.property("showDialogOnStartup").toBool(), true);
    }

    void valueSurvivesARestart()
    {
        {
            tavik::Settings settings;
            settings.setShowDialogOnStartup(false);
        }
        tavik::Settings again;
        QCOMPARE(again.showDialogOnStartup(), false);
    }

    void everyWriteSignalsAndStores()
    {
        tavik::Settings settings;
        QSignalSpy spy(&settings, &tavik::Settings::showDialogOnStartupChanged);
        settings.setShowDialogOnStartup(true);
        settings.setShowDialogOnStartup(true);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(1).at(0).toBool(), true);
        QVERIFY(QSettings().contains("showDialogOnStartup"));
    }

    void storedTextIsConverted_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("expected");
        QTest::newRow("text false") << QVariant("false") << false;
        QTest::newRow("text true") << QVariant("true") << true;
        QTest::newRow("zero") << QVariant(0) << false;
    }

    void storedTextIsConverted()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, expected);
        QSettings().setValue("showDialogOnStartup", stored);
        tavik::Settings settings;
        QCOMPARE(settings.showDialogOnStartup(), expected);
    }

    // A store that is a symbolic link is not written through: its target (a file of the user's elsewhere)
    // keeps its content and mode; the value still holds for this run.
    void linkedStoreIsNotWrittenThrough()
    {
        const QString path = QSettings().fileName();
        QSettings().sync();
        QFile::remove(path);
        QTemporaryDir elsewhere;
        QFile target(elsewhere.filePath("other.conf"));
        QVERIFY(target.open(QIODevice::WriteOnly));
        target.write("[General]\nkeep=1\n");
        target.close();
        const auto mode = QFile::permissions(target.fileName());
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QVERIFY(QFile::link(target.fileName(), path));

        tavik::Settings settings;
        QSignalSpy spy(&settings, &tavik::Settings::showDialogOnStartupChanged);
        settings.setShowDialogOnStartup(false);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(settings.showDialogOnStartup(), false);
        QVERIFY(target.open(QIODevice::ReadOnly));
        QCOMPARE(target.readAll(), QByteArray("[General]\nkeep=1\n"));
        target.close();
        QCOMPARE(QFile::permissions(target.fileName()), mode);
        QVERIFY(QFileInfo(path).isSymLink());
        QFile::remove(path);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_app_settings.moc"
