#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

#include "CrashHandler.h"
#include "CrashHandlerImpl.h"
#include "CrashReportBox.h"

using namespace Ulmar;

// The crash box's texts, its private option, and the observer that starts the process showing it.
class TestCrashObserver : public QObject
{
    Q_OBJECT

private slots:
    void boxTextsAndReportPath()
    {
        const QString path = "/home/u/.local/share/<b>x</b>/VYRA_Control_App-20261207-101010.crash.txt";
        auto box = CrashReportBox::create(path);
        QCOMPARE(box->windowTitle(), QString("Tavik"));
        QCOMPARE(box->text(), QString("An error has occured. The application must exit."));
        QCOMPARE(box->icon(), QMessageBox::Critical);
        QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(box->informativeText(), "A crash report was saved to:\n" + path);
        // The path is shown as it is, never as markup, and can be copied.
        auto* label = box->findChild<QLabel*>("qt_msgbox_informativelabel");
        QVERIFY(label);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QVERIFY(label->textInteractionFlags() & Qt::TextSelectableByMouse);

        // Without a report (writing failed or is switched off) the box still tells the user.
        QVERIFY(CrashReportBox::create(QString())->informativeText().isEmpty());

        QTranslator french;
        QVERIFY(french.load("vyraapp_fr", ":/translations"));
        QCoreApplication::installTranslator(&french);
        auto translated = CrashReportBox::create(path);
        QCoreApplication::removeTranslator(&french);
        QCOMPARE(translated->text(), QString("Une erreur est survenue. L'application doit quitter."));
        QVERIFY(translated->informativeText().endsWith("\n" + path));
        QVERIFY(!translated->informativeText().startsWith("A crash report"));
    }

    void privateOptionIsExact()
    {
        char program[] = "VYRA_Control_App", option[] = "--show-crash-report", path[] = "/tmp/r.crash.txt",
             other[] = "-a";
        char* exact[] = {program, option, path, nullptr};
        QCOMPARE(CrashReportBox::requestedReport(3, exact), static_cast<const char*>(path));
        char* missing[] = {program, option, nullptr};
        QVERIFY(!CrashReportBox::requestedReport(2, missing));
        char* extra[] = {program, option, path, other, nullptr};
        QVERIFY(!CrashReportBox::requestedReport(4, extra));
        char* notFirst[] = {program, other, option, nullptr};
        QVERIFY(!CrashReportBox::requestedReport(3, notFirst));
    }

    // The observer starts its command with the report's path and returns; the crashed process's
    // descriptors stay behind. (A real crash under a display: tst_app_crashbox.)
    void observerStartsCommandWithReportPath()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        auto& handler = CrashHandler::getInstance();
        QVERIFY(handler.configure(
            CrashHandler::Configuration("VYRA_Control_App", dir.path().toStdString(), true)));

        // Inherited unless the launcher closes it.
        const int leaky = ::open(dir.filePath("held").toLocal8Bit().constData(), O_WRONLY | O_CREAT, 0600);
        QVERIFY(leaky > 2);
        const QString marker = dir.filePath("marker");
        const QString script = QString("if [ -e /proc/$$/fd/%1 ]; then echo leaked > '%2.fd'; fi; "
                                       "printf '%s' \"$0\" > '%2.tmp' && mv '%2.tmp' '%2'")
                                   .arg(leaky)
                                   .arg(marker);
        auto observer = std::make_shared<CrashHandlerImpl>(
            std::vector<std::string>{"/bin/sh", "-c", script.toStdString()});
        handler.addObserver(observer);

        const QString report = QString::fromStdString(handler.writeReport("test"));
        QVERIFY(QFile::exists(report));
        QCOMPARE(QString::fromLocal8Bit(handler.reportPath()), report);
        handler.notifyObservers();
        ::close(leaky);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 30000);
        QFile written(marker);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLocal8Bit(written.readAll()), report);
        QVERIFY2(!QFile::exists(marker + ".fd"), "the crashed process's descriptor reached the box");
    }
};

QTEST_MAIN(TestCrashObserver)
#include "tst_app_crashobserver.moc"
