#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace Ulmar {
namespace Messaging {

// What tells units apart when their keys are remembered: the unit id of the announcement when the unit
// sends one, otherwise its announced name with the address and port it is reached at.
struct UnitIdentity
{
    std::string unitId; // empty: the unit announces none
    std::string name;
    std::string address;
    std::uint16_t port = 0;
};

// A unit offered a key other than the one remembered for it; the link was not opened.
struct UnitKeyMismatch
{
    UnitIdentity unit;
    std::string pinnedKey;  // Z85
    std::string offeredKey; // Z85
};

// The CURVE public key of every unit the application has been connected to (trust on first use), kept in
// a JSON file that only the user can read (0600 in a 0700 folder). Thread-safe.
//
// A key is trusted for a unit when a pin of the same unit id holds it; without an id match, every pin of the
// same name, address and port must hold it (a forged announcement that drops or invents an id does not get
// around a pin of that address). No pin at all: first use.
class KeyPinStore
{
public:
    enum class Verdict
    {
        FirstUse, // nothing remembered for this unit
        Match,    // the remembered key
        Mismatch  // another key is remembered: refuse until the user accepts the new one
    };
    struct Check
    {
        Verdict verdict = Verdict::FirstUse;
        std::string pinnedKey; // with Mismatch
    };

    // An empty path keeps the pins in memory only.
    explicit KeyPinStore(std::string path);
    KeyPinStore(const KeyPinStore&) = delete;
    KeyPinStore& operator=(const KeyPinStore&) = delete;

    // "<user's settings folder>/trust/unit-keys.json" (the folder of QStandardPaths::AppConfigLocation).
    static std::string defaultPath();
    // A short readable fingerprint of a Z85 key: the first 16 bytes of the SHA-256 of its 32 bytes, as eight
    // groups of four hex digits ("3f2a 9c01 ..."). Empty for a text that is not a Z85 key.
    static std::string fingerprint(const std::string& z85Key);

    Check check(const UnitIdentity& unit, const std::string& key) const;
    // Remembers `key` for the unit, replacing every pin the unit matched; the file is written at once
    // (merged with what other instances wrote meanwhile). False, with a log line, when it could not be
    // written: the pin then lasts until the program ends.
    bool pin(const UnitIdentity& unit, const std::string& key);
    std::size_t size() const;
    const std::string& path() const { return m_path; }

    // Pins beyond this drop the least recently pinned.
    static constexpr std::size_t kMaxPins = 512;

private:
    struct Pin
    {
        UnitIdentity unit;
        std::string key;
        std::int64_t pinnedAt = 0; // ms since the epoch, UTC
    };
    std::vector<Pin> read() const;
    bool write(const std::vector<Pin>& pins) const;

    const std::string m_path;
    mutable std::mutex m_mutex;
    std::vector<Pin> m_pins;
};

} // namespace Messaging
} // namespace Ulmar
