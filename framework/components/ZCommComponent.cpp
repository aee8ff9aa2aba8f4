#include "ZCommComponent.h"

#include <memory>
#include <mutex>

#include <zmq.h>

#include "ComponentRepository.h"

namespace Ulmar {

ZCommComponent::~ZCommComponent() = default;

Component::Result ZCommComponent::Init()
{
    // Encrypted units are reached over CURVE: a library built without it cannot serve them.
    return zmq_has("curve") ? Success : ConfigurationError;
}

Component::Result ZCommComponent::Shutdown()
{
    return Success;
}

} // namespace Ulmar

extern "C" int UlmarExportZCommComponent()
{
    static std::once_flag once;
    std::call_once(once, [] { Ulmar::ComponentRepository::Add(std::make_shared<Ulmar::ZCommComponent>()); });
    return 0;
}
