#include "ThreadName.h"

#if defined(__linux__)
#include <pthread.h>
#endif

namespace Ulmar {
namespace Messaging {

void nameCurrentThread(const char* name)
{
#if defined(__linux__)
    pthread_setname_np(pthread_self(), name);
#else
    (void)name;
#endif
}

} // namespace Messaging
} // namespace Ulmar
