#pragma once

// How the harnesses read their input, shared with the program that writes the seed corpora from captured
// traffic (tests/protocol/write_fuzz_seeds.cpp) so that the seeds are what the harnesses expect.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "MessageTypeList.h"

namespace FuzzFormat {

// The first byte of a handlers or simulator input picks one of these (modulo their count); the rest is the
// body.
inline const std::vector<std::string>& messageTypes()
{
    return MessageTypeList::all();
}

inline std::string typedInput(const std::string& type, const std::string& body)
{
    const auto& types = messageTypes();
    for (std::size_t i = 0; i < types.size(); ++i)
        if (types[i] == type)
            return std::string(1, char(i)) + body;
    return std::string();
}

// A frame set: one byte (bits 0-2 the frame count, bit 3 set when a routing id frame comes first and counts
// among them), then every frame but the last as a 16-bit big-endian length and its bytes, then the last
// frame: all remaining bytes. Lengths beyond the input are cut to what remains.
struct Frames
{
    bool routed = false;
    std::vector<std::string> frames;
};

inline Frames splitFrames(const std::uint8_t* data, std::size_t size)
{
    Frames out;
    if (size == 0)
        return out;
    const unsigned count = data[0] & 7u;
    out.routed = (data[0] & 8u) != 0;
    std::size_t at = 1;
    for (unsigned i = 0; i < count; ++i) {
        std::size_t length = size - at;
        if (i + 1 < count) {
            length = 0;
            for (int b = 0; b < 2 && at < size; ++b)
                length = (length << 8) | data[at++];
            length = std::min(length, size - at);
        }
        out.frames.emplace_back(reinterpret_cast<const char*>(data + at), length);
        at += length;
    }
    return out;
}

inline std::string joinFrames(const Frames& in)
{
    std::string out(1, char((in.frames.size() & 7u) | (in.routed ? 8u : 0u)));
    for (std::size_t i = 0; i < in.frames.size(); ++i) {
        const std::string& f = in.frames[i];
        if (i + 1 < in.frames.size()) {
            const std::size_t length = std::min<std::size_t>(f.size(), 0xFFFF);
            out += char(length >> 8);
            out += char(length & 0xFF);
            out.append(f, 0, length);
        } else {
            out += f;
        }
    }
    return out;
}

} // namespace FuzzFormat
