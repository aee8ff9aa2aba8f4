#include "CrashHandlerImpl.h"

#include <cstring>

#include "ApplicationInfo.h"
#include "CrashHandler.h"
#include "CrashReportBox.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <spawn.h>
#include <unistd.h>
extern char** environ;
#endif

namespace Ulmar {

namespace {

std::string runningExecutable()
{
#if defined(_WIN32)
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(sizeof path / sizeof path[0]));
    if (length > 0 && length < sizeof path / sizeof path[0]) {
        const int size =
            WideCharToMultiByte(CP_ACP, 0, path, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<std::size_t>(size), '\0');
        WideCharToMultiByte(CP_ACP, 0, path, static_cast<int>(length), &text[0], size, nullptr, nullptr);
        return text;
    }
#elif defined(__linux__)
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length > 0)
        return std::string(path, static_cast<std::size_t>(length));
#endif
    return ApplicationInfo::EstablishPathToExecutableFile(ApplicationInfo::Name());
}

} // namespace

// Everything the crash path needs, prepared while the process is sound.
struct CrashHandlerImpl::Launcher
{
    explicit Launcher(std::vector<std::string> command) : command(std::move(command))
    {
#ifdef _WIN32
        // Windows file names cannot hold a double quote, so quoting each argument is enough. The crash
        // path (an unhandled-exception filter) only fills the report's path into the prepared line.
        std::wstring line;
        for (const std::string& argument : this->command) {
            const int size = MultiByteToWideChar(CP_ACP, 0, argument.c_str(), -1, nullptr, 0);
            std::wstring wide(static_cast<std::size_t>(size > 0 ? size - 1 : 0), L'\0');
            if (size > 1)
                MultiByteToWideChar(CP_ACP, 0, argument.c_str(), -1, &wide[0], size);
            line += L"\"" + wide + L"\" ";
        }
        commandLine.assign(line.begin(), line.end());
        prefixLength = commandLine.size();
        commandLine.resize(prefixLength + 32768 + 3, L'\0');
#else
        for (std::string& argument : this->command)
            argv.push_back(&argument[0]);
        argv.push_back(nullptr); // the report's path
        argv.push_back(nullptr);

        // The box must not inherit what the crashed process held: its blocked signals (the one being
        // handled is blocked), its ignored ones, and its descriptors (sockets that would keep the unit's
        // ports busy while the box is up).
        attributesReady = posix_spawnattr_init(&attributes) == 0;
        if (attributesReady) {
            sigset_t none;
            sigemptyset(&none);
            sigset_t all;
            sigfillset(&all);
            posix_spawnattr_setsigmask(&attributes, &none);
            posix_spawnattr_setsigdefault(&attributes, &all);
            posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        }
        actionsReady = posix_spawn_file_actions_init(&actions) == 0;
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
        if (actionsReady)
            posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
#endif
    }

    ~Launcher()
    {
#ifndef _WIN32
        if (attributesReady)
            posix_spawnattr_destroy(&attributes);
        if (actionsReady)
            posix_spawn_file_actions_destroy(&actions);
#endif
    }

    // Async-signal-safe on Linux: no allocation, no lock; glibc's posix_spawn clones with CLONE_VFORK and
    // runs no fork handlers.
    void launch(const char* report)
    {
        if (command.empty())
            return;
#ifdef _WIN32
        std::size_t end = prefixLength;
        commandLine[end++] = L'"';
        const int written = MultiByteToWideChar(CP_ACP, 0, report, -1, &commandLine[end], 32768);
        end += written > 0 ? static_cast<std::size_t>(written - 1) : 0;
        commandLine[end++] = L'"';
        commandLine[end] = L'\0';
        STARTUPINFOW startup;
        std::memset(&startup, 0, sizeof startup);
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process;
        std::memset(&process, 0, sizeof process);
        if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &process)) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
#else
        argv[argv.size() - 2] = const_cast<char*>(report);
        pid_t child = 0;
        posix_spawn(&child, argv[0], actionsReady ? &actions : nullptr,
                    attributesReady ? &attributes : nullptr, argv.data(), environ);
#endif
    }

    std::vector<std::string> command;
#ifdef _WIN32
    std::vector<wchar_t> commandLine;
    std::size_t prefixLength = 0;
#else
    std::vector<char*> argv;
    posix_spawnattr_t attributes;
    bool attributesReady = false;
    posix_spawn_file_actions_t actions;
    bool actionsReady = false;
#endif
};

CrashHandlerImpl::CrashHandlerImpl()
    : CrashHandlerImpl(std::vector<std::string>{runningExecutable(), CrashReportBox::Option})
{}

CrashHandlerImpl::CrashHandlerImpl(std::vector<std::string> command)
    : m_launcher(std::make_unique<Launcher>(std::move(command)))
{}

CrashHandlerImpl::~CrashHandlerImpl() = default;

void CrashHandlerImpl::handleCrash()
{
    // Nothing is logged here: the logger allocates and locks, and the report already says everything.
    m_launcher->launch(CrashHandler::getInstance().reportPath());
}

} // namespace Ulmar
