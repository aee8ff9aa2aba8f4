#include "QAutoDiscoveryComponent.h"

#include <memory>
#include <mutex>

#include "ComponentRepository.h"
#include "messaging/DiscoveryListener.h"

namespace Ulmar {

QAutoDiscoveryComponent::~QAutoDiscoveryComponent() = default;

Component::Result QAutoDiscoveryComponent::Init()
{
    return Success;
}

Component::Result QAutoDiscoveryComponent::Resume()
{
    Messaging::DiscoveryRegistry::setEnabled(true);
    return Success;
}

Component::Result QAutoDiscoveryComponent::Suspend()
{
    Messaging::DiscoveryRegistry::setEnabled(false);
    return Success;
}

Component::Result QAutoDiscoveryComponent::Shutdown()
{
    Messaging::DiscoveryRegistry::setEnabled(false);
    return Success;
}

bool QAutoDiscoveryComponent::isListeningEnabled()
{
    return Messaging::DiscoveryRegistry::isEnabled();
}

} // namespace Ulmar

extern "C" int UlmarExportQAutoDiscoveryComponent()
{
    // One instance per process, however often the export is called.
    static std::once_flag once;
    std::call_once(
        once, [] { Ulmar::ComponentRepository::Add(std::make_shared<Ulmar::QAutoDiscoveryComponent>()); });
    return 0;
}
