#pragma once

#include <string>

namespace Ulmar {

// A unit of the framework with a life cycle driven by the ComponentConfigurator.
class Component
{
public:
    enum Result
    {
        Success = 0,
        ConfigurationError = 1,
        FatalError = 2
    };

    virtual ~Component();
    virtual std::string name() const = 0;
    virtual Result Init() { return Success; }
    virtual Result Resume() { return Success; }
    virtual Result Suspend() { return Success; }
    virtual Result Shutdown() { return Success; }
};

} // namespace Ulmar
