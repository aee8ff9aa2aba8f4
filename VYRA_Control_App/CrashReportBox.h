#pragma once

#include <memory>

#include <QString>

class QMessageBox;

namespace Ulmar {

// The crash box, shown by a process of its own that a crashed instance starts (CrashHandlerImpl):
// "<executable> --show-crash-report <report path>". The option is private: --help does not list it.
class CrashReportBox
{
public:
    static const char* const Option;

    // The report's path when the command line asks for the crash box, otherwise nullptr.
    static const char* requestedReport(int argc, char** argv);
    // The box, in the language of the installed catalogues; the path is shown as plain, selectable text.
    static std::unique_ptr<QMessageBox> create(const QString& reportPath);
    // Runs a widget application that shows the box until the user closes it; returns the exit code.
    static int exec(int argc, char** argv, const char* reportPath);
};

} // namespace Ulmar
