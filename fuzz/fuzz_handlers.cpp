// Every handler the application registers, wired as start-up wires them (Facade, seat model, poster
// provider, status), and what they carry over to the GUI thread. Input: FuzzFormat::typedInput.

#include <algorithm>
#include <map>
#include <memory>

#include "Facade.h"
#include "FuzzFormats.h"
#include "FuzzQt.h"
#include "GlobalStatus.h"
#include "IMessengerObserver.h"
#include "IResponse.h"
#include "Messenger.h"
#include "PosterImageProvider.h"
#include "SeatPaneMgr.h"

using namespace Ulmar;
using namespace Ulmar::Messaging;

namespace {
struct App
{
    std::unique_ptr<PosterImageProvider> provider = std::make_unique<PosterImageProvider>();
    std::shared_ptr<SeatPaneMgr> seats = std::make_shared<SeatPaneMgr>(1000);
    std::shared_ptr<GlobalStatus> status = std::make_shared<GlobalStatus>();
    // A fixed host that nobody serves: nothing connects, nothing listens on the discovery port.
    std::shared_ptr<Facade> facade =
        std::make_shared<Facade>(nullptr, provider.get(), seats, status, "VYRA", "127.0.0.1:9");
    std::map<std::string, std::shared_ptr<IResponseHandler>> handlers;

    App()
    {
        facade->initMessageObservers();
        for (const auto& r : facade->messenger()->registeredResponses())
            handlers[r.first] = r.second;
        // As after a connection: some handlers ignore the unit until then.
        for (const auto& observer : facade->messenger()->observers())
            if (auto o = observer.lock())
                o->handleConnected();
        FuzzQt::drainEvents();
    }
};
App* app = nullptr;
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    FuzzQt::application(argc, argv);
    app = new App; // lives until exit: the Facade's messenger threads must not stop under a running input
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const auto& types = FuzzFormat::messageTypes();
    const std::string& type = types[data[0] % types.size()];
    const auto it = app->handlers.find(type);
    if (it == app->handlers.end())
        return 0;
    auto body = size > 1 ? ManagedBuffer::FromBytes(data + 1, size - 1) : nullptr;
    it->second->handleResponse(std::make_shared<IResponse>(type, 1, "", std::move(body), 0));
    FuzzQt::drainEvents();
    return 0;
}
