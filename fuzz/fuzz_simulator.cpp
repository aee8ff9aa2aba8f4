// The simulated unit's command decoding: every message an application may send it, each on a fresh unit
// so that a finding replays alone. Input: FuzzFormat::typedInput.

#include <memory>

#include "FuzzFormats.h"
#include "FuzzQt.h"
#include "SimulatedUnit.h"

using namespace Ulmar::Simulator;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    FuzzQt::application(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static UnitConfig config = [] {
        UnitConfig c;
        c.announce = false;
        c.runScenario = false;
        return c;
    }();
    const auto& types = FuzzFormat::messageTypes();
    const std::string& type = types[data[0] % types.size()];
    SimulatedUnit unit(config);
    unit.receiveMessage(QString::fromStdString(type),
                        QByteArray(reinterpret_cast<const char*>(data + 1), int(size - 1)));
    if (unit.commands().isEmpty())
        std::abort(); // every message received is recorded, handled or not
    FuzzQt::drainEvents();
    return 0;
}
