#pragma once

#include "Component.h"

// Registers the transport component in the repository; called during static initialisation.
extern "C" int UlmarExportZCommComponent();

namespace Ulmar {

// The ZeroMQ transport: Init checks that the library offers what the link needs (CURVE).
class ZCommComponent : public Component
{
public:
    ~ZCommComponent() override;
    std::string name() const override { return "ZCommComponent"; }
    Result Init() override;
    Result Shutdown() override;
};

} // namespace Ulmar
