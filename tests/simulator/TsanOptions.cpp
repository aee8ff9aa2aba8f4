// Qt itself is not built with ThreadSanitizer: its own threads (QtTest's watchdog above all) synchronise
// through code the sanitizer cannot see and are reported at every exit. Only races seen from our
// instrumented code are worth a report.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_options()
{
    return "ignore_noninstrumented_modules=1";
}
#endif
