#pragma once

namespace Ulmar {
namespace Messaging {

// Names the calling thread (at most 15 characters show) so that a profiler or /proc tells the messaging
// threads apart. Does nothing where the system has no such name.
void nameCurrentThread(const char* name);

} // namespace Messaging
} // namespace Ulmar
