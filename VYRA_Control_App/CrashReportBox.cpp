#include "CrashReportBox.h"

#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

namespace Ulmar {

const char* const CrashReportBox::Option = "--show-crash-report";

const char* CrashReportBox::requestedReport(int argc, char** argv)
{
    if (argc == 3 && argv[1] && argv[2] && std::strcmp(argv[1], Option) == 0)
        return argv[2];
    return nullptr;
}

std::unique_ptr<QMessageBox> CrashReportBox::create(const QString& reportPath)
{
    // Context QObject: the catalogues have held these two texts there since the first release.
    auto box = std::make_unique<QMessageBox>(
        QMessageBox::Critical, QCoreApplication::translate("QObject", "Tavik"),
        QCoreApplication::translate("QObject", "An error has occured. The application must exit."),
        QMessageBox::Ok);
    box->setTextFormat(Qt::PlainText);
    if (!reportPath.isEmpty()) {
        box->setInformativeText(
            QCoreApplication::translate("Ulmar::CrashReportBox", "A crash report was saved to:\n%1")
                .arg(reportPath));
        // A file name is not markup; and the user may want to copy it.
        if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
            label->setTextFormat(Qt::PlainText);
            label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        }
    }
    return box;
}

int CrashReportBox::exec(int argc, char** argv, const char* reportPath)
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tavik");
    QTranslator translator;
    if (translator.load(QLocale(), "vyraapp", "_", ":/translations"))
        app.installTranslator(&translator);
    const auto box = create(QString::fromLocal8Bit(reportPath));
    // Nobody could see or close a box on these (a headless run or a test): say it on the console instead
    // of waiting forever.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(box->text()), qPrintable(box->informativeText()));
        return 0;
    }
    box->exec();
    return 0;
}

} // namespace Ulmar
