// Announcements and queries: every UDP datagram the discovery listener, the application's unicast query and
// the unit's query port read. Input: one datagram.

#include <cstdlib>
#include <memory>

#include "DiscoveryListener.h"
#include "FuzzQt.h"
#include "Wire.h"

using namespace Ulmar::Messaging;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzQt::quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static auto discoverer = std::make_shared<tavik::Messaging::Discoverer>("VYRA");
    static int inputs = 0;
    // A fresh list now and then, so that the list's own bookkeeping is exercised and does not grow forever.
    if (++inputs % 1000 == 0)
        discoverer = std::make_shared<tavik::Messaging::Discoverer>("VYRA");

    const char* text = reinterpret_cast<const char*>(data);
    DiscoveryListener::handleDatagram(text, size, "127.0.0.1", *discoverer);
    (void)discoverer->getDiscovered();

    Wire::Announcement a;
    if (Wire::decodeAnnouncement(text, size, a)) {
        if (a.port == 0 || (!a.key.empty() && !Wire::isZ85Key(a.key)))
            std::abort();
        // What one unit announces, another application reads back the same.
        const std::string encoded = Wire::encodeAnnouncement(a);
        Wire::Announcement back;
        if (encoded.size() <= Wire::kMaxDatagramSize &&
            (!Wire::decodeAnnouncement(encoded.data(), encoded.size(), back) || back.name != a.name ||
             back.service != a.service || back.port != a.port || back.encrypted != a.encrypted ||
             back.key != a.key))
            std::abort();
    }
    std::string service;
    if (Wire::decodeQuery(text, size, service)) {
        const std::string encoded = Wire::encodeQuery(service);
        std::string back;
        if (encoded.size() <= Wire::kMaxDatagramSize &&
            (!Wire::decodeQuery(encoded.data(), encoded.size(), back) || back != service))
            std::abort();
    }
    return 0;
}
