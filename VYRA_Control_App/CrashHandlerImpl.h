#pragma once

#include "ICrashHandlerObserver.h"

namespace Ulmar {

// Tells the user that the application has to go. The crash handler has already written its report.
class CrashHandlerImpl : public ICrashHandlerObserver
{
public:
    ~CrashHandlerImpl() override;
    void handleCrash() override;
};

} // namespace Ulmar
