#pragma once

#include <memory>

#include <rapidjson/document.h>

#include "IMessage.h"

namespace Ulmar {
namespace Messaging {

class BodyJSONParser
{
public:
    // The body parsed as JSON; nullptr for a missing or empty body or text that is not valid JSON.
    static std::shared_ptr<rapidjson::Document> parse(const std::shared_ptr<const IMessage>& message);
};

} // namespace Messaging
} // namespace Ulmar
