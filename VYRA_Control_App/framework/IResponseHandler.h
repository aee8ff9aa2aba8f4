#pragma once

#include <memory>

#include "IResponse.h"

namespace Ulmar {
namespace Messaging {

// Receives every message of the type names it was registered for, on a messaging thread.
class IResponseHandler
{
public:
    virtual ~IResponseHandler();
    virtual void handleResponse(std::shared_ptr<IResponse> response) = 0;
};

} // namespace Messaging
} // namespace Ulmar
