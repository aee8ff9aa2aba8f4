#include "KeyPinCheck.h"

#include "MessagingLog.h"

namespace Ulmar {
namespace Messaging {

void KeyPinCheck::setStore(std::shared_ptr<KeyPinStore> pins)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pins = std::move(pins);
}

std::shared_ptr<KeyPinStore> KeyPinCheck::store() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pins;
}

void KeyPinCheck::beginAttempt()
{
    m_keyPinned = false;
    m_pinPending = false;
}

void KeyPinCheck::unitChosen()
{
    m_acceptedKey.clear();
    m_reportedMismatch.clear();
}

KeyPinCheck::Admission KeyPinCheck::admit(const UnitIdentity& unit, const std::string& key)
{
    Admission result;
    const auto pins = store();
    if (!pins) {
        result.admitted = true;
        return result;
    }
    const auto check = pins->check(unit, key);
    if (check.verdict == KeyPinStore::Verdict::Match) {
        m_keyPinned = true;
        result.admitted = true;
        return result;
    }
    if (check.verdict == KeyPinStore::Verdict::FirstUse || key == m_acceptedKey) {
        // Remembered only once the unit has proved it holds the key (the handshake and $WELCOME).
        m_pinPending = true;
        m_pinUnit = unit;
        m_pinKey = key;
        result.admitted = true;
        return result;
    }
    if (m_reportedMismatch == key)
        return result;
    m_reportedMismatch = key;
    qCWarning(lcMessaging,
              "Messenger: unit \"%s\" at %s:%u offers key %s, not the remembered %s; not connecting",
              unit.name.c_str(), unit.address.c_str(), unsigned(unit.port),
              KeyPinStore::fingerprint(key).c_str(), KeyPinStore::fingerprint(check.pinnedKey).c_str());
    result.report = UnitKeyMismatch{unit, check.pinnedKey, key};
    return result;
}

void KeyPinCheck::linkUp(bool encrypted)
{
    if (encrypted)
        pinOnWelcome();
    m_reportedMismatch.clear();
}

void KeyPinCheck::pinOnWelcome()
{
    if (!m_pinPending)
        return;
    m_pinPending = false;
    const auto pins = store();
    if (!pins)
        return;
    // A failure to save is logged by the store and the pin holds meanwhile; a full store remembers nothing,
    // and then the link is encrypted but not with a remembered key.
    pins->pin(m_pinUnit, m_pinKey);
    m_keyPinned = pins->check(m_pinUnit, m_pinKey).verdict == KeyPinStore::Verdict::Match;
    if (m_keyPinned)
        qCInfo(lcMessaging, "Messenger: key %s of unit \"%s\" remembered",
               KeyPinStore::fingerprint(m_pinKey).c_str(), m_pinUnit.name.c_str());
    m_acceptedKey.clear();
}

} // namespace Messaging
} // namespace Ulmar
