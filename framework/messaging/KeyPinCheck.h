#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "KeyPinStore.h"

namespace Ulmar {
namespace Messaging {

// Key pinning for one Messenger's attempts: whether a link may be opened with the key a unit offers, and
// remembering that key once the unit has proved it holds it (the handshake and the greeting). Without a
// store every key is admitted. The I/O thread calls everything but setStore.
class KeyPinCheck
{
public:
    // Any thread.
    void setStore(std::shared_ptr<KeyPinStore> pins);

    // A new attempt: nothing checked yet.
    void beginAttempt();
    // Another unit was chosen: the key the user accepted and the mismatch last reported are forgotten.
    void unitChosen();
    // The user accepted `key` for the chosen unit.
    void accept(const std::string& key) { m_acceptedKey = key; }

    struct Admission
    {
        bool admitted = false;
        // A refusal to report to the observers: only the first for each offered key until a link is up.
        std::optional<UnitKeyMismatch> report;
    };
    Admission admit(const UnitIdentity& unit, const std::string& key);

    // The link is up; an encrypted one remembers the key admitted on first use or by the user's acceptance.
    void linkUp(bool encrypted);
    // The socket's key is the remembered one.
    bool pinned() const { return m_keyPinned; }

private:
    std::shared_ptr<KeyPinStore> store() const;
    void pinOnWelcome();

    mutable std::mutex m_mutex;
    std::shared_ptr<KeyPinStore> m_pins; // under m_mutex

    bool m_keyPinned = false;
    bool m_pinPending = false; // first use or accepted: remember it once the link is up
    UnitIdentity m_pinUnit;
    std::string m_pinKey;
    std::string m_acceptedKey;      // accepted by the user for the chosen unit
    std::string m_reportedMismatch; // offered key last reported, so that retries do not repeat it
};

} // namespace Messaging
} // namespace Ulmar
