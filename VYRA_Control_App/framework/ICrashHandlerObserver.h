#pragma once

namespace Ulmar {

class ICrashHandlerObserver
{
public:
    virtual ~ICrashHandlerObserver();
    // Called after the crash report has been written, on the crashing thread.
    virtual void handleCrash() = 0;
};

} // namespace Ulmar
