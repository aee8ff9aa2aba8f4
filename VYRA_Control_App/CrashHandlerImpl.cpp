#include "CrashHandlerImpl.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDebug>
#include <QMessageBox>

namespace Ulmar {

CrashHandlerImpl::~CrashHandlerImpl() = default;

void CrashHandlerImpl::handleCrash()
{
    // A message box needs a widget application; this program normally runs a QGuiApplication, where the
    // report on disk and a log line are all that can be given.
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QMessageBox box(
            QMessageBox::Critical, QCoreApplication::translate("QObject", "Tavik"),
            QCoreApplication::translate("QObject", "An error has occured. The application must exit."),
            QMessageBox::Ok);
        box.exec();
        return;
    }
    qCritical() << "An error has occured. The application must exit.";
}

} // namespace Ulmar
