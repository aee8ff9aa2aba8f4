#pragma once

#include "Component.h"

namespace Ulmar {

// Applies one life-cycle step to every component in the repository, in repository order.
// The result is the worst one: FatalError beats any other failure, which beats Success.
class ComponentConfigurator
{
public:
    ComponentConfigurator() = default;

    Component::Result Init();
    Component::Result Resume();
    Component::Result Suspend();
    Component::Result Shutdown();
};

} // namespace Ulmar
