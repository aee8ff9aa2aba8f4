// The link's frame parsing: what Messenger and UnitEndpoint do with every multipart message a peer sends.
// Input: FuzzFormat::splitFrames.

#include <cstdlib>

#include "FuzzFormats.h"
#include "Wire.h"

using namespace Ulmar::Messaging;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzFormat::Frames input = FuzzFormat::splitFrames(data, size);
    zmq::multipart_t frames;
    for (const auto& f : input.frames)
        frames.addmem(f.data(), f.size());
    const std::size_t offset = input.routed ? 1 : 0;

    std::string why;
    const auto message = Wire::decode(frames, offset, why);
    if (!message) {
        if (why.empty()) // every refusal says why: the log line is all a unit's developer gets
            std::abort();
        return 0;
    }
    // What was accepted survives a trip through the encoder unchanged (the version in canonical digits).
    zmq::multipart_t again = Wire::encode(*message);
    std::string whyAgain;
    const auto decodedAgain = Wire::decode(again, 0, whyAgain);
    if (!decodedAgain || decodedAgain->getMessageType() != message->getMessageType() ||
        decodedAgain->getVersion() != message->getVersion() ||
        decodedAgain->getText() != message->getText() ||
        decodedAgain->bodyAsString() != message->bodyAsString() ||
        message->bodyAsString() != input.frames[offset + 3] ||
        message->getMessageType() != input.frames[offset] || message->getText() != input.frames[offset + 2])
        std::abort();
    (void)Wire::isControlType(message->getMessageType());
    return 0;
}
