// Installs the crash handler with the application's crash observer, then dereferences a null pointer.
// Usage: vyra_crashbox_probe <report folder> [program showing the box]
// Without a program the probe shows the box itself, as the application does: the observer's default
// command is the running executable with the private option, which main() below answers.
#include <memory>
#include <string>
#include <vector>

#include <sys/prctl.h>

#include "ApplicationInfo.h"
#include "CrashHandler.h"
#include "CrashHandlerImpl.h"
#include "CrashReportBox.h"

namespace {
volatile int* volatile g_null = nullptr;
}

int main(int argc, char** argv)
{
    if (const char* report = Ulmar::CrashReportBox::requestedReport(argc, argv))
        return Ulmar::CrashReportBox::exec(argc, argv, report);
    if (argc != 2 && argc != 3)
        return 2;
    // No core files from the intended crash.
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);

    Ulmar::ApplicationInfo::Init("CrashBoxProbe", "Crash Box Probe", "Tavik", "4.5.6",
                                 Ulmar::DataFolderExecutable, argc, argv);
    Ulmar::CrashHandler& handler = Ulmar::CrashHandler::getInstance();
    if (!handler.configure(Ulmar::CrashHandler::Configuration("CrashBoxProbe", argv[1], true)) ||
        !handler.initialize())
        return 3;
    const auto observer = argc == 3 ? std::make_shared<Ulmar::CrashHandlerImpl>(
                                          std::vector<std::string>{argv[2], Ulmar::CrashReportBox::Option})
                                    : std::make_shared<Ulmar::CrashHandlerImpl>();
    handler.addObserver(observer);

    *g_null = 42;
    return 4;
}
