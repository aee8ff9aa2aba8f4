#include "CrashHandlerImpl.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>

#include "Logger.h"

namespace Ulmar {

CrashHandlerImpl::~CrashHandlerImpl() = default;

void CrashHandlerImpl::handleCrash()
{
    // A message box needs a widget application; this program normally runs a QGuiApplication, where the
    // report on disk and a log line are all that can be given.
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QMessageBox box(QMessageBox::Critical, QCoreApplication::translate("CrashHandlerImpl", "Tavik"),
                        QCoreApplication::translate("CrashHandlerImpl",
                                                    "An error has occured. The application must exit."),
                        QMessageBox::Ok);
        box.exec();
        return;
    }
    static const Logger logger = Logger::GetInstance("Sonvex.VYRA_Control_App.main");
    if (logger.IsEnabledFor(LOG_LEVEL_FATAL))
        logger.Log(LOG_LEVEL_FATAL, "An error has occured. The application must exit.", __FILE__, __LINE__);
}

} // namespace Ulmar
