#pragma once

#include <memory>
#include <string>

#include <QString>

#include "IMessage.h"

namespace Ulmar {
namespace Messaging {

// The controller-setting notifications carry one value, which counts only as the body's first member.
// Missing body, invalid JSON, another first member or the wrong JSON type give the default.
int decodeFirstIntMember(const std::shared_ptr<const IMessage>& message, const std::string& key);
QString decodeFirstStringMember(const std::shared_ptr<const IMessage>& message, const std::string& key);

// A compact JSON object with the single member key.
std::string encodeSingleMember(const std::string& key, int value);
std::string encodeSingleMember(const std::string& key, const std::string& utf8Value);

} // namespace Messaging
} // namespace Ulmar
