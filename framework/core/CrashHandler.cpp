#include "CrashHandler.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>

#include <boost/filesystem.hpp>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <execinfo.h>
#define ULMAR_HAVE_EXECINFO 1
#endif
#endif

#include "ApplicationInfo.h"
#include "FrameworkLog.h"

namespace Ulmar {

ICrashHandlerObserver::~ICrashHandlerObserver() = default;

namespace {

// Everything the fatal-signal path needs, formatted beforehand: that path may only use write()/open().
constexpr std::size_t kPathCapacity = 4096;
constexpr std::size_t kHeaderCapacity = 1024;
constexpr int kMaxFrames = 128;
// Observers the signal path can hold without allocating.
constexpr std::size_t kMaxSignalObservers = 64;

struct ReportContext
{
    char prefix[kPathCapacity] = {};     // "<reportFolder>/<reportName>-"
    char identity[kHeaderCapacity] = {}; // "Application: <name> <version>\n"
    bool writeReport = true;
};

ReportContext g_context;
std::atomic<bool> g_contextReady{false};
// The report of the crash being handled, for the observers (they may run in a signal handler).
char g_lastReport[kPathCapacity] = {};

// ----- async-signal-safe helpers -----

std::size_t safeLength(const char* s)
{
    std::size_t n = 0;
    while (s[n])
        ++n;
    return n;
}

// Appends src to dst (capacity cap); false when it did not fit.
bool append(char* dst, std::size_t cap, const char* src)
{
    std::size_t n = safeLength(dst);
    for (; *src; ++src) {
        if (n + 1 >= cap)
            return false;
        dst[n++] = *src;
    }
    dst[n] = '\0';
    return true;
}

void appendUnsigned(char* dst, std::size_t cap, unsigned long long value, unsigned base, int minDigits)
{
    char digits[32];
    int count = 0;
    do {
        const unsigned d = static_cast<unsigned>(value % base);
        digits[count++] = static_cast<char>(d < 10 ? '0' + d : 'a' + d - 10);
        value /= base;
    } while (value != 0 && count < 30);
    while (count < minDigits && count < 30)
        digits[count++] = '0';
    char text[32];
    for (int i = 0; i < count; ++i)
        text[i] = digits[count - 1 - i];
    text[count] = '\0';
    append(dst, cap, text);
}

void writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
#ifdef _WIN32
        const int written = _write(fd, data, static_cast<unsigned>(size));
#else
        const ssize_t written = ::write(fd, data, size);
#endif
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (written == 0)
            return;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

void writeText(int fd, const char* text)
{
    writeAll(fd, text, safeLength(text));
}

int openNew(const char* path)
{
#ifdef _WIN32
    return _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    return ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
#endif
}

void closeFd(int fd)
{
#ifdef _WIN32
    _close(fd);
#else
    ::close(fd);
#endif
}

// "yyyyMMdd-hhmmss" in UTC without gmtime(), which is not async-signal-safe.
void appendUtcTimestamp(char* dst, std::size_t cap, long long seconds)
{
    long long days = seconds / 86400;
    long long rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Civil date from days since 1970-01-01 (proleptic Gregorian).
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long mp = (5 * dayOfYear + 2) / 153;
    const long long day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);

    appendUnsigned(dst, cap, static_cast<unsigned long long>(year), 10, 4);
    appendUnsigned(dst, cap, static_cast<unsigned long long>(month), 10, 2);
    appendUnsigned(dst, cap, static_cast<unsigned long long>(day), 10, 2);
    append(dst, cap, "-");
    appendUnsigned(dst, cap, static_cast<unsigned long long>(rest / 3600), 10, 2);
    appendUnsigned(dst, cap, static_cast<unsigned long long>(rest / 60 % 60), 10, 2);
    appendUnsigned(dst, cap, static_cast<unsigned long long>(rest % 60), 10, 2);
}

// Creates "<prefix><timestamp>.crash.txt", or "<prefix><timestamp>-N.crash.txt" when a report of the same
// second exists, so that no earlier report is overwritten. Returns the descriptor or -1.
int createReportFile(const ReportContext& context, char* path, std::size_t cap)
{
    char stamp[32] = {};
    appendUtcTimestamp(stamp, sizeof stamp, static_cast<long long>(std::time(nullptr)));
    for (unsigned attempt = 1; attempt <= 100; ++attempt) {
        path[0] = '\0';
        bool fits = append(path, cap, context.prefix) && append(path, cap, stamp);
        if (attempt > 1) {
            fits = fits && append(path, cap, "-");
            appendUnsigned(path, cap, attempt, 10, 1);
        }
        fits = fits && append(path, cap, ".crash.txt");
        if (!fits)
            return -1;
        const int fd = openNew(path);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

const char* signalName(int signal)
{
    switch (signal) {
#ifndef _WIN32
    case SIGSEGV:
        return "SIGSEGV";
    case SIGABRT:
        return "SIGABRT";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGBUS:
        return "SIGBUS";
#endif
    default:
        return "signal";
    }
}

void writeBacktrace(int fd)
{
    writeText(fd, "Backtrace:\n");
#if defined(ULMAR_HAVE_EXECINFO)
    void* frames[kMaxFrames];
    const int count = backtrace(frames, kMaxFrames);
    backtrace_symbols_fd(frames, count, fd);
#elif defined(_WIN32)
    void* frames[kMaxFrames];
    const USHORT count = CaptureStackBackTrace(0, kMaxFrames, frames, nullptr);
    for (USHORT i = 0; i < count; ++i) {
        char line[64] = "  0x";
        appendUnsigned(line, sizeof line, reinterpret_cast<unsigned long long>(frames[i]), 16, 1);
        append(line, sizeof line, "\n");
        writeText(fd, line);
    }
#else
    writeText(fd, "  (not available on this platform)\n");
#endif
}

// Writes one report; `what` is the first line after the title ("Signal: ..." or "Reason: ...").
// Async-signal-safe as long as `what` is preformatted.
bool writeReportFile(const ReportContext& context, const char* what, const char* detail, char* path,
                     std::size_t cap)
{
    const int fd = createReportFile(context, path, cap);
    if (fd < 0)
        return false;
    writeText(fd, "Crash report\n");
    writeText(fd, what);
    writeText(fd, "\n");
    if (detail && *detail) {
        writeText(fd, detail);
        writeText(fd, "\n");
    }
    writeText(fd, context.identity);
    char time[64] = "Time (UTC): ";
    appendUtcTimestamp(time, sizeof time, static_cast<long long>(std::time(nullptr)));
    append(time, sizeof time, "\n");
    writeText(fd, time);
    writeBacktrace(fd);
    closeFd(fd);
    return true;
}

#ifndef _WIN32
const int kFatalSignals[] = {SIGSEGV, SIGABRT, SIGFPE, SIGILL, SIGBUS};

// Big enough for the handler's frames under the sanitizers as well.
constexpr std::size_t kAltStackSize = 256 * 1024;
alignas(64) char g_altStack[kAltStackSize];

// The thread that is reporting a crash (0: none).
std::atomic<pid_t> g_crashingThread{0};

pid_t currentThreadId()
{
    return static_cast<pid_t>(::gettid());
}

void restoreDefault(int signal)
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
}

[[noreturn]] void dieWith(int signal)
{
    restoreDefault(signal);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(signal);
    // Only reached if the signal could not be delivered.
    ::_exit(128 + signal);
}
#endif

} // namespace

// Entry points the platform calls on a crash.
struct CrashHandlerPlatform
{
#ifndef _WIN32
    static void onFatalSignal(int signal, siginfo_t* info, void*)
    {
        const int savedErrno = errno;
        const pid_t self = currentThreadId();
        pid_t expected = 0;
        if (!g_crashingThread.compare_exchange_strong(expected, self)) {
            // The reporting thread crashed again (an observer, say): give up on reporting.
            if (expected == self)
                dieWith(signal);
            // Another thread is reporting and will end the process; wait for it.
            for (;;)
                ::pause();
        }

        g_lastReport[0] = '\0';
        if (g_contextReady.load() && g_context.writeReport) {
            char what[96] = "Signal: ";
            appendUnsigned(what, sizeof what, static_cast<unsigned>(signal), 10, 1);
            append(what, sizeof what, " (");
            append(what, sizeof what, signalName(signal));
            append(what, sizeof what, ")");
            char detail[64] = "";
            if (info && signal != SIGABRT) {
                append(detail, sizeof detail, "Address: 0x");
                appendUnsigned(detail, sizeof detail, reinterpret_cast<unsigned long long>(info->si_addr), 16,
                               1);
            }
            char path[kPathCapacity];
            if (writeReportFile(g_context, what, detail, path, sizeof path)) {
                g_lastReport[0] = '\0';
                append(g_lastReport, sizeof g_lastReport, path);
                writeText(STDERR_FILENO, "Fatal ");
                writeText(STDERR_FILENO, what);
                writeText(STDERR_FILENO, "; crash report written to ");
                writeText(STDERR_FILENO, path);
                writeText(STDERR_FILENO, "\n");
            }
        }

        notifyFromSignal(CrashHandler::getInstance());
        errno = savedErrno;
        dieWith(signal);
    }

    // No allocation here: the crash may have happened inside the allocator. A lock held by the crashing
    // thread itself (or forever by another) must not hang the process, hence try_lock.
    static void notifyFromSignal(CrashHandler& handler)
    {
        std::shared_ptr<ICrashHandlerObserver> live[kMaxSignalObservers];
        std::size_t count = 0;
        if (!handler.m_mutex.try_lock())
            return;
        for (const auto& weak : handler.m_observers) {
            if (count == kMaxSignalObservers)
                break;
            if (auto observer = weak.lock())
                live[count++] = std::move(observer);
        }
        handler.m_mutex.unlock();
        for (std::size_t i = 0; i < count; ++i)
            live[i]->handleCrash();
    }

    static bool install()
    {
        stack_t stack;
        std::memset(&stack, 0, sizeof stack);
        stack.ss_sp = g_altStack;
        stack.ss_size = sizeof g_altStack;
        stack.ss_flags = 0;
        bool ok = ::sigaltstack(&stack, nullptr) == 0;

        for (int signal : kFatalSignals) {
            struct sigaction action;
            std::memset(&action, 0, sizeof action);
            action.sa_sigaction = &CrashHandlerPlatform::onFatalSignal;
            sigemptyset(&action.sa_mask);
            action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
            ok = (::sigaction(signal, &action, nullptr) == 0) && ok;
        }
        return ok;
    }
#else
    static LONG WINAPI onUnhandledException(EXCEPTION_POINTERS* info)
    {
        char reason[64];
        std::snprintf(reason, sizeof reason, "unhandled exception 0x%08lX",
                      info && info->ExceptionRecord
                          ? static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode)
                          : 0ul);
        CrashHandler& handler = CrashHandler::getInstance();
        handler.writeReport(reason);
        handler.notifyObservers();
        return EXCEPTION_EXECUTE_HANDLER;
    }

    static void onTerminate()
    {
        CrashHandler& handler = CrashHandler::getInstance();
        handler.writeReport("std::terminate called");
        handler.notifyObservers();
        std::abort();
    }

    static bool install()
    {
        SetUnhandledExceptionFilter(&CrashHandlerPlatform::onUnhandledException);
        std::set_terminate(&CrashHandlerPlatform::onTerminate);
        return true;
    }
#endif
};

namespace {

// Builds the preformatted context from the configuration; called with the handler's mutex held.
bool prepareContext(const CrashHandler::Configuration& configuration)
{
    ReportContext context;
    context.writeReport = configuration.writeReport;
    std::string folder = configuration.reportFolder.empty() ? std::string(".") : configuration.reportFolder;
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\'))
        folder.pop_back();
    const std::string prefix = folder + "/" + configuration.reportName + "-";
    // Room for "yyyyMMdd-hhmmss-NNN.crash.txt".
    if (prefix.size() + 32 >= kPathCapacity)
        return false;
    std::memcpy(context.prefix, prefix.c_str(), prefix.size() + 1);

    std::string identity = "Application: " + ApplicationInfo::Name() + " " + ApplicationInfo::Version();
    if (identity.size() + 2 > kHeaderCapacity)
        identity.resize(kHeaderCapacity - 2);
    identity += "\n";
    std::memcpy(context.identity, identity.c_str(), identity.size() + 1);

    g_contextReady.store(false);
    g_context = context;
    g_contextReady.store(true);
    return true;
}

void ensureFolder(const std::string& folder)
{
    if (folder.empty())
        return;
    boost::system::error_code ec;
    if (boost::filesystem::is_directory(folder, ec))
        return;
    boost::filesystem::create_directories(folder, ec);
    if (ec)
        ULMAR_FW_LOG(LOG_LEVEL_ERROR,
                     "Could not create the crash report folder " + folder + ": " + ec.message());
}

} // namespace

CrashHandler& CrashHandler::getInstance()
{
    // Never destroyed: a crash during static destruction must still find a live handler.
    static CrashHandler* const instance = new CrashHandler();
    return *instance;
}

CrashHandler::~CrashHandler() = default;

bool CrashHandler::configure(const Configuration& configuration)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!prepareContext(configuration)) {
        ULMAR_FW_LOG(LOG_LEVEL_ERROR, "Crash report path too long (" +
                                          std::to_string(configuration.reportFolder.size()) + " characters)");
        return false;
    }
    m_configuration = configuration;
    if (m_initialized && m_configuration.writeReport)
        ensureFolder(m_configuration.reportFolder);
    return true;
}

bool CrashHandler::initialize()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_initialized)
        return true;
    // Again here: the application's identity may have been set after configure().
    if (!prepareContext(m_configuration))
        return false;
    if (m_configuration.writeReport)
        ensureFolder(m_configuration.reportFolder);
#if defined(ULMAR_HAVE_EXECINFO)
    // The first backtrace() loads the unwinder, which allocates: do it now, not in the signal handler.
    void* frame[1];
    backtrace(frame, 1);
#endif
    if (!CrashHandlerPlatform::install()) {
        ULMAR_FW_LOG(LOG_LEVEL_ERROR, "Could not install the crash handlers");
        return false;
    }
    m_initialized = true;
    return true;
}

void CrashHandler::addObserver(std::weak_ptr<ICrashHandlerObserver> observer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    // Drop observers that have gone, so that the list does not grow with every registration.
    m_observers.erase(
        std::remove_if(m_observers.begin(), m_observers.end(),
                       [](const std::weak_ptr<ICrashHandlerObserver>& w) { return w.expired(); }),
        m_observers.end());
    m_observers.push_back(std::move(observer));
}

std::string CrashHandler::writeReport(const std::string& reason)
{
    ReportContext context;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        g_lastReport[0] = '\0';
        if (!g_contextReady.load() && !prepareContext(m_configuration))
            return std::string();
        context = g_context;
    }
    if (!context.writeReport)
        return std::string();
    // One line: the reason must not be able to forge the report's other lines.
    std::string what = "Reason: " + reason;
    for (char& c : what)
        if (c == '\n' || c == '\r')
            c = ' ';
    char path[kPathCapacity];
    if (!writeReportFile(context, what.c_str(), nullptr, path, sizeof path)) {
        ULMAR_FW_LOG(LOG_LEVEL_ERROR, std::string("Could not write a crash report with prefix ") +
                                          context.prefix + ": " + std::strerror(errno));
        return std::string();
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        g_lastReport[0] = '\0';
        append(g_lastReport, sizeof g_lastReport, path);
    }
    return path;
}

const char* CrashHandler::reportPath() const
{
    return g_lastReport;
}

void CrashHandler::notifyObservers()
{
    std::vector<std::shared_ptr<ICrashHandlerObserver>> live;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& weak : m_observers)
            if (auto observer = weak.lock())
                live.push_back(std::move(observer));
    }
    // Called without the lock: an observer may register another.
    for (const auto& observer : live)
        observer->handleCrash();
}

} // namespace Ulmar
