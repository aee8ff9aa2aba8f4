// ThreadSanitizer suppressions for the test programs. Neither libzmq nor Qt is instrumented here, so their
// own synchronisation is invisible: libzmq's pipes between our threads and its I/O thread, and the Qt Test
// watchdog thread torn down at exit. Our own code stays fully checked.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions()
{
    return "called_from_lib:libzmq.so\n"
           "race:libzmq.so\n"
           "called_from_lib:libsodium.so\n" // CURVE, run by libzmq's I/O thread
           "race:libsodium.so\n"
           "race:libQt5Test.so\n"
           "race:QWaitCondition::~QWaitCondition\n";
}
#endif
