#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DiscoveryStrategyInfo.h"
#include "IMessage.h"
#include "IMessengerObserver.h"
#include "IResponseHandler.h"
#include "ITransport.h"
#include "KeyPinStore.h"

namespace tavik {
namespace Messaging {
class Discoverer;
}
} // namespace tavik

namespace Ulmar {
namespace Messaging {

class MessengerImpl;

// The application's link to one unit. Owns an I/O thread (the ZeroMQ socket) and a dispatch thread (handlers
// and observers run there, never on the caller's thread). Every public operation is thread-safe.
class Messenger
{
public:
    Messenger(const DiscoveryStrategyList& strategies, const std::string& serviceName,
              ITransport::TransportType transportType);
    virtual ~Messenger();
    Messenger(const Messenger&) = delete;
    Messenger& operator=(const Messenger&) = delete;

    // Reconnection interval after a loss, in milliseconds.
    void setAutoReconnect(unsigned intervalMs);
    // Starts connecting to the chosen unit (or remembers that a connection is wanted until one is chosen).
    // A connection attempt that is not up within timeoutMs is reported as lost and retried.
    virtual bool connect(unsigned timeoutMs);
    // Closes the connection (observers get handleDisconnected) and stops reconnecting.
    virtual void disconnect();
    // Takes the unit. userChoice true: the unit must be one the discoverer knows (its key comes from the
    // announcement); false: a fixed host whose announcement is asked for by a unicast query. Choosing
    // another unit while connected or connecting closes the current connection and connects to the new one.
    bool chooseUnit(const std::string& address, const std::string& name, std::uint16_t port, bool encrypted,
                    bool userChoice);

    std::shared_ptr<tavik::Messaging::Discoverer> getDiscoverer() const;

    bool registerResponse(const std::string& messageType, std::uint32_t version,
                          std::shared_ptr<IResponseHandler> handler);
    // The request is sent after every (re)connection, in registration order.
    bool registerStateRequest(std::shared_ptr<IMessage> request, int priority);
    // The largest frame (type name, text or body) that crosses a link, encrypted or not: 16 MiB less the
    // 33 bytes that encryption adds to each frame.
    static constexpr std::size_t kMaxFrameBytes = 16 * 1024 * 1024 - 33;
    // Queues the message for the connected unit; false (and dropped) while not connected, or when one of its
    // frames is larger than kMaxFrameBytes.
    bool send(std::shared_ptr<IMessage> message);
    virtual void AddObserver(std::weak_ptr<IMessengerObserver> observer);
    // One debug line per discovered unit.
    void printDiscoveredUnits() const;

    bool isConnected() const;

    // Messengers alive in this process; each runs threads that may call handlers and observers.
    static std::size_t instances();

    // Remembers the key of every unit it connects to and refuses a unit that later offers another key:
    // observers get handleUnitKeyMismatch and the link is not opened (see KeyPinStore). Without a store
    // every link takes the key offered.
    void setKeyPinStore(std::shared_ptr<KeyPinStore> pins);
    // The user accepted `key` for the chosen unit: an attempt with it starts at once, and it replaces the
    // remembered key when the link is up with it.
    void acceptUnitKey(const std::string& key);
    enum class LinkSecurity
    {
        Down,
        Plain,     // up without encryption
        Encrypted, // up with CURVE, no key store
        Pinned     // up with CURVE and the unit's remembered key
    };
    LinkSecurity linkSecurity() const;
    // Like send, but only while the link is encrypted with the unit's remembered key; checked again when
    // the message leaves, so that it never goes out on a link that changed meanwhile.
    bool sendConfidential(std::shared_ptr<IMessage> message);

    // Introspection, for diagnostics and tests.
    struct ChosenUnit
    {
        bool valid = false;
        std::string address;
        std::string name;
        std::uint16_t port = 0;
        bool encrypted = false;
        bool userChoice = false;
    };
    ChosenUnit chosenUnit() const;
    const DiscoveryStrategyList& strategies() const;
    const std::string& serviceName() const;
    unsigned autoReconnectInterval() const;
    // In registration order.
    std::vector<std::pair<std::string, std::shared_ptr<IResponseHandler>>> registeredResponses() const;
    std::vector<std::shared_ptr<IMessage>> stateRequests() const;
    std::vector<std::weak_ptr<IMessengerObserver>> observers() const;

private:
    std::unique_ptr<MessengerImpl> m_impl;
};

} // namespace Messaging
} // namespace Ulmar
