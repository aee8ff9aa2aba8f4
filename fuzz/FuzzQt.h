#pragma once

// A quiet, headless Qt application for the harnesses that need one.

#include <cstdlib>
#include <memory>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>

namespace FuzzQt {

inline void dropMessage(QtMsgType type, const QMessageLogContext&, const QString&)
{
    if (type == QtFatalMsg)
        std::abort();
}

// Log lines would cost most of each run.
inline void quiet()
{
    qInstallMessageHandler(dropMessage);
    QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
}

inline QGuiApplication& application(int* argc, char*** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("QT_QUICK_BACKEND", "software", 1);
    quiet();
    static QGuiApplication app(*argc, *argv);
    return app;
}

// Runs what handlers queued for the GUI thread, deleted objects included.
inline void drainEvents()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace FuzzQt
