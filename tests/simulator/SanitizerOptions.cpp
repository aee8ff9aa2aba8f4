// Settings for the sanitizer builds of these tests, about Qt rather than our code.
#if defined(__SANITIZE_THREAD__)
// Qt is not built with ThreadSanitizer: its own threads (QtTest's watchdog above all) synchronise through
// code the sanitizer cannot see and are reported at every exit. Only races seen from our instrumented code
// are worth a report.
extern "C" const char* __tsan_default_options()
{
    return "ignore_noninstrumented_modules=1";
}
#endif

#if defined(__SANITIZE_ADDRESS__)
// The offscreen platform plugin never frees its screen (a few hundred bytes, once per process).
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libqoffscreen.so\n";
}
#endif
