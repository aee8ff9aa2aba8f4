#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ICrashHandlerObserver.h"

namespace Ulmar {

// Tells the user that the application has to go. The crash handler has already written its report; the
// crashed process can do nothing more than start another one, so this starts a fresh process that shows
// the crash box with the report's path (CrashReportBox), as desktop crash reporters do, and returns at
// once. handleCrash runs inside a signal handler on Linux: it only reads what the constructor prepared
// and calls posix_spawn.
class CrashHandlerImpl : public ICrashHandlerObserver
{
public:
    // Shows the box with this very executable: "<executable> --show-crash-report <report>".
    CrashHandlerImpl();
    // Runs `command` with the report's path appended as its last argument; command[0] is an absolute path.
    explicit CrashHandlerImpl(std::vector<std::string> command);
    ~CrashHandlerImpl() override;

    void handleCrash() override;

private:
    struct Launcher;
    std::unique_ptr<Launcher> m_launcher;
};

} // namespace Ulmar
