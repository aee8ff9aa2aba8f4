#pragma once

#include <memory>
#include <string>

#include <rapidjson/document.h>

#include "BufferQueue.h"
#include "IMessage.h"

namespace Ulmar {
namespace Messaging {

// The body of a message parsed as JSON: the bytes are copied with a terminating zero and parsed. A missing or
// empty body, or text that is not valid JSON, gives nullptr.
std::shared_ptr<rapidjson::Document> parseBody(const std::shared_ptr<const IMessage>& message);

// The envelope of every message the application sends: version 1, generic type 0, the body (if any) in a
// pooled buffer of exactly its length. An empty body means none.
std::shared_ptr<IMessage> makeMessage(const std::string& type, const std::string& body = std::string(),
                                      const std::shared_ptr<BufferQueue>& pool = nullptr,
                                      const std::string& text = std::string());

// A state request: the envelope with the given text and no body.
std::shared_ptr<IMessage> makeStateRequest(const std::string& type, const std::string& text = "1");

// rapidjson helpers with the checks that Release builds drop from GetInt() and friends.
bool isInt32(const rapidjson::Value& v);        // an integer that fits a signed 32-bit int
bool isExactBool(const rapidjson::Value& v);    // the literal true or false
std::string toStdString(const rapidjson::Value& v); // a JSON string's bytes (may hold zero bytes)

} // namespace Messaging
} // namespace Ulmar
