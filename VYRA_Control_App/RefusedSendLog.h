#pragma once

#include <memory>

namespace Ulmar {
namespace Messaging {

class IMessage;
class Messenger;

// The application's way to send to a unit. The messenger drops a message it cannot send (no link, a frame too
// large) and says so only by its result; this writes that to the log by message type, never with the body
// (a body may hold a name the user typed, a key or a token). One line per type until the link comes up
// again: pages poll while no unit is connected, and a line per poll would bury everything else.
class RefusedSendLog
{
public:
    // Messenger::send, and a refusal logged as above. Any thread.
    static bool send(const std::shared_ptr<Messenger>& messenger, std::shared_ptr<IMessage> message);
    // The link of `messenger` came up: the next refusal of every type is logged again. Any thread.
    static void linkUp(const std::shared_ptr<Messenger>& messenger);
};

} // namespace Messaging
} // namespace Ulmar
