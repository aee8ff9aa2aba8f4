#include "BodyJSONParser.h"

#include <string>

namespace Ulmar {
namespace Messaging {

std::shared_ptr<rapidjson::Document> BodyJSONParser::parse(const std::shared_ptr<const IMessage>& message)
{
    if (!message || !message->body())
        return nullptr;
    // Parse a zero-terminated copy: the body buffer carries no terminator of its own.
    const std::string text = message->bodyAsString();
    if (text.empty())
        return nullptr;
    auto document = std::make_shared<rapidjson::Document>();
    // Iterative parsing: a unit's body nested a million levels deep must not exhaust the stack.
    document->Parse<rapidjson::kParseIterativeFlag>(text.c_str(), text.size());
    if (document->HasParseError())
        return nullptr;
    return document;
}

} // namespace Messaging
} // namespace Ulmar
