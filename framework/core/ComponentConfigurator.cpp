#include "ComponentConfigurator.h"

#include <exception>
#include <string>

#include "ComponentRepository.h"
#include "FrameworkLog.h"

namespace Ulmar {

namespace {

int severity(int result)
{
    if (result == Component::Success)
        return 0;
    return result == Component::FatalError ? 2 : 1;
}

// Runs one step on every component, even after a failure, and returns the worst result.
Component::Result applyStep(const char* step, Component::Result (Component::*call)())
{
    Component::Result worst = Component::Success;
    for (const auto& component : ComponentRepository::Components()) {
        // A throwing component counts as a fatal failure of this step; the others still run.
        int result = Component::FatalError;
        bool threw = true;
        std::string name;
        try {
            name = component->name();
            result = static_cast<int>(((*component).*call)());
            threw = false;
        } catch (const std::exception& e) {
            ULMAR_FW_LOG(LOG_LEVEL_ERROR,
                         std::string("Component ") + name + " threw during " + step + ": " + e.what());
        } catch (...) {
            ULMAR_FW_LOG(LOG_LEVEL_ERROR, std::string("Component ") + name + " threw during " + step);
        }
        if (!threw && result != Component::Success)
            ULMAR_FW_LOG(LOG_LEVEL_ERROR, std::string("Component ") + name + ": " + step + " returned " +
                                              std::to_string(result));
        if (severity(result) > severity(worst))
            worst = severity(result) == 2 ? Component::FatalError : Component::ConfigurationError;
    }
    return worst;
}

} // namespace

Component::Result ComponentConfigurator::Init()
{
    return applyStep("Init", &Component::Init);
}

Component::Result ComponentConfigurator::Resume()
{
    return applyStep("Resume", &Component::Resume);
}

Component::Result ComponentConfigurator::Suspend()
{
    return applyStep("Suspend", &Component::Suspend);
}

Component::Result ComponentConfigurator::Shutdown()
{
    const Component::Result result = applyStep("Shutdown", &Component::Shutdown);
    ComponentRepository::ReleaseSnapshot();
    return result;
}

} // namespace Ulmar
