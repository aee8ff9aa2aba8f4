#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ICrashHandlerObserver.h"

namespace Ulmar {

// Catches fatal signals (and unhandled exceptions on Windows), writes a crash report with a backtrace into
// the data folder and then tells the observers.
class CrashHandler
{
public:
    struct Configuration
    {
        Configuration(std::string reportName = "crash", std::string reportFolder = ".",
                      bool writeReport = true)
            : reportName(std::move(reportName)), reportFolder(std::move(reportFolder)),
              writeReport(writeReport)
        {}
        std::string reportName;   // report files are named <reportName>-<timestamp>.crash.txt
        std::string reportFolder; // where the reports go
        bool writeReport;
    };

    static CrashHandler& getInstance();

    bool configure(const Configuration& configuration);
    // Installs the handlers; false when it could not.
    bool initialize();
    virtual void addObserver(std::weak_ptr<ICrashHandlerObserver> observer);

    // Writes a report as the fatal-signal path does (without dying) and returns its path; for tests and
    // for callers that caught something they cannot recover from.
    std::string writeReport(const std::string& reason);
    // Tells the live observers; what the fatal-signal path does after writing the report.
    void notifyObservers();
    // The path of the last report written (empty when none): what the observers show the user. A fixed
    // buffer, readable from a signal handler.
    const char* reportPath() const;

    virtual ~CrashHandler();

private:
    CrashHandler() = default;
    // The platform's fatal-signal and exception entry points (CrashHandler.cpp).
    friend struct CrashHandlerPlatform;

    std::mutex m_mutex;
    Configuration m_configuration;
    bool m_initialized = false;
    std::vector<std::weak_ptr<ICrashHandlerObserver>> m_observers;
};

} // namespace Ulmar
