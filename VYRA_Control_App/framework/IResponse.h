#pragma once

#include "IMessage.h"

namespace Ulmar {
namespace Messaging {

// A message received from a unit.
class IResponse : public IMessage
{
public:
    using IMessage::IMessage;
    ~IResponse() override;
};

} // namespace Messaging
} // namespace Ulmar
