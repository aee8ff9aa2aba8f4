// A process that installs the crash handler and then crashes the way its first argument says.
// Usage: vyra_crash_probe <null|raise|abort|fpe|overflow|thread|qfatal> <report folder> <marker file>
// qfatal logs through the Qt message handler into <report folder>/qt.log first.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include <QtGlobal>

#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include "ApplicationInfo.h"
#include "CrashHandler.h"
#include "LoggerConfig.h"

namespace {

// Writes its marker with write() only: it runs inside the signal handler.
class MarkerObserver : public Ulmar::ICrashHandlerObserver
{
public:
    MarkerObserver(std::string path, const char* text) : m_path(std::move(path)), m_text(text) {}
    void handleCrash() override
    {
        const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd < 0)
            return;
        const ssize_t written = ::write(fd, m_text, std::strlen(m_text));
        (void)written;
        ::close(fd);
    }

private:
    std::string m_path;
    const char* m_text;
};

volatile int* volatile g_null = nullptr;

int recurse(int depth)
{
    volatile char frame[1024];
    frame[0] = static_cast<char>(depth);
    if (depth < 0) // never: keeps the compiler from seeing an endless recursion
        return 0;
    return recurse(depth + 1) + frame[0];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    // No core files from the intended crashes.
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);

    const std::string mode = argv[1];
    Ulmar::ApplicationInfo::Init("CrashProbe", "Crash Probe", "Tavik", "1.2.3", Ulmar::DataFolderExecutable,
                                 argc, argv);
    Ulmar::CrashHandler& handler = Ulmar::CrashHandler::getInstance();
    if (!handler.configure(Ulmar::CrashHandler::Configuration("CrashProbe", argv[2], true)) ||
        !handler.initialize())
        return 3;

    auto live = std::make_shared<MarkerObserver>(argv[3], "observed\n");
    handler.addObserver(live);
    {
        auto gone = std::make_shared<MarkerObserver>(argv[3], "expired observer called\n");
        handler.addObserver(gone);
    }

    if (mode == "null")
        *g_null = 42;
    else if (mode == "raise")
        std::raise(SIGSEGV);
    else if (mode == "abort")
        std::abort();
    else if (mode == "fpe")
        std::raise(SIGFPE);
    else if (mode == "overflow")
        return recurse(0);
    else if (mode == "qfatal") {
        const std::string folder = argv[2];
        std::ofstream(folder + "/qt.properties")
            << "log4cplus.rootLogger=INFO, F\n"
               "log4cplus.appender.F=log4cplus::FileAppender\n"
               "log4cplus.appender.F.File="
            << folder
            << "/qt.log\n"
               "log4cplus.appender.F.layout=log4cplus::PatternLayout\n"
               "log4cplus.appender.F.layout.ConversionPattern=%p|%c|%m%n\n";
        if (!Ulmar::LoggerConfig::GetInstance().ConfigureFromFile(folder + "/qt.properties"))
            return 5;
        Ulmar::LoggerConfig::GetInstance().InstallQtMessageHandler();
        qFatal("cannot go on: %s", "out of luck");
    } else if (mode == "thread")
        std::thread([] { *g_null = 7; }).join();
    return 4;
}
