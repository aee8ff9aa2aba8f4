#pragma once

#include "Component.h"

// Registers the discovery component in the repository; called during static initialisation.
extern "C" int UlmarExportQAutoDiscoveryComponent();

namespace Ulmar {

// LAN discovery: while resumed, every Messenger with a discovery strategy listens for announcements on its
// discovery port. Without this component in the repository nothing listens.
class QAutoDiscoveryComponent : public Component
{
public:
    ~QAutoDiscoveryComponent() override;
    std::string name() const override { return "QAutoDiscoveryComponent"; }
    Result Init() override;
    Result Resume() override;
    Result Suspend() override;
    Result Shutdown() override;

    // True between Resume and Suspend/Shutdown of some instance.
    static bool isListeningEnabled();
};

} // namespace Ulmar
