#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "AppTestSupport.h"
#include "CrashHandler.h"
#include "CrashHandlerImpl.h"

// Without a widget application there is no message box: the report and a critical line are what is left.
class TestCrashObserver : public QObject
{
    Q_OBJECT

private slots:
    void reportAndCriticalLineWithoutWidgets()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        auto& handler = Ulmar::CrashHandler::getInstance();
        QVERIFY(handler.configure(
            Ulmar::CrashHandler::Configuration("VYRA_Control_App", dir.path().toStdString(), true)));
        auto observer = std::make_shared<Ulmar::CrashHandlerImpl>();
        handler.addObserver(observer);

        AppTest::MessageLog log;
        const std::string report = handler.writeReport("test");
        handler.notifyObservers();
        QVERIFY(QFile::exists(QString::fromStdString(report)));
        QCOMPARE(log.count("An error has occured. The application must exit."), 1);

        // The handler keeps only a weak reference: a released observer is not called.
        observer.reset();
        handler.notifyObservers();
        QCOMPARE(log.count("An error has occured. The application must exit."), 1);
    }
};

QTEST_GUILESS_MAIN(TestCrashObserver)
#include "tst_app_crashobserver.moc"
