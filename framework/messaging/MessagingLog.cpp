#include "MessagingLog.h"

Q_LOGGING_CATEGORY(lcMessaging, "ulmar.messaging")

#if defined(__SANITIZE_THREAD__)
// libzmq is not instrumented: ThreadSanitizer cannot see its lock-free pipes and reports the hand-over of
// every message buffer and socket between our threads and its I/O thread. Weak, so a program may replace it.
extern "C" __attribute__((weak)) const char* __tsan_default_suppressions()
{
    return "called_from_lib:libzmq.so\n"
           "race:libzmq.so\n"
           "called_from_lib:libsodium.so\n" // CURVE, run by libzmq's I/O thread
           "race:libsodium.so\n";
}
#endif
