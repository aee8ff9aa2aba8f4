// The simulated unit's command decoding: every message an application may send it. One unit serves every
// input (a fresh one per input would spend the run building units and rendering posters); the state a
// command leaves is what the next one meets, as on a real link. Input: FuzzFormat::typedInput.

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
    static SimulatedUnit* unit = [] {
        UnitConfig c;
        c.announce = false;
        c.runScenario = false;
        c.commandLogCapacity = 1;
        return new SimulatedUnit(c); // lives until exit
    }();
    const auto& types = FuzzFormat::messageTypes();
    const QString type = QString::fromStdString(types[data[0] % types.size()]);
    unit->receiveMessage(type, QByteArray(reinterpret_cast<const char*>(data + 1), int(size - 1)));
    const auto received = unit->commands();
    if (received.isEmpty() || received.last().type != type)
        std::abort(); // every message received is recorded, handled or not
    FuzzQt::drainEvents();
    return 0;
}
