// The JSON bodies every handler starts from: parseBody and BodyJSONParser, and the checked accessors the
// handlers use on what they find. Input: one message body.

#include <cstdlib>
#include <memory>
#include <vector>

#include "BodyJSONParser.h"
#include "IResponse.h"
#include "MessageBody.h"

using namespace Ulmar::Messaging;

namespace {
// Visits the whole document the way handlers read it; iterative, since a body may nest very deeply.
std::size_t walk(const rapidjson::Value& root)
{
    std::size_t n = 0;
    std::vector<const rapidjson::Value*> pending{&root};
    while (!pending.empty()) {
        const rapidjson::Value& v = *pending.back();
        pending.pop_back();
        ++n;
        if (isInt32(v))
            n += std::size_t(v.GetInt() & 1);
        if (isExactBool(v))
            n += v.GetBool() ? 1 : 0;
        if (v.IsString())
            n += toStdString(v).size() & 1;
        if (v.IsObject()) {
            for (const auto& m : v.GetObject()) {
                n += toStdString(m.name).size();
                pending.push_back(&m.value);
            }
        } else if (v.IsArray()) {
            for (const auto& e : v.GetArray())
                pending.push_back(&e);
        }
    }
    return n;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto body = size == 0 ? nullptr : ManagedBuffer::FromBytes(data, size);
    const auto message = std::make_shared<IResponse>("GetSeatStatusNotification", 1, "", body, 0);
    const auto a = parseBody(message);
    const auto b = BodyJSONParser::parse(message);
    if (bool(a) != bool(b))
        std::abort(); // the two parsers must agree on what is JSON
    if (a)
        (void)walk(*a);
    return 0;
}
