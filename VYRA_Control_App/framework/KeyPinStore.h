#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace Ulmar {
namespace Messaging {

// What tells units apart when their keys are remembered: the unit id of the announcement when the unit
// sends one, otherwise its announced name with the address and port it is reached at. A unit reached at an
// address the user named (a fixed host) is known by that address and port: the name it reports is no
// identity there.
struct UnitIdentity
{
    std::string unitId; // empty: the unit announces none
    std::string name;
    std::string address;
    std::uint16_t port = 0;
    bool namedAddress = false; // reached at an address the user named
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
// A key is trusted for a unit when a pin of the same unit id holds it. Without an id match, every pin of the
// same name, address and port (for a named address: of that address and port, whatever the name) must hold
// it: a forged announcement that drops or invents an id does not get around a pin of that address. A listed
// unit at an address with no pin, whose name is pinned at another address, must offer that pin's key (the
// same unit, moved) or it is refused like a changed key. Otherwise: first use.
//
// Pins are never dropped to make room: past kMaxPins a new unit is not remembered (a log line says so), and
// its link is not counted as pinned. A file that cannot be read is kept aside under a dated name, never
// overwritten; a file or trust folder that is a symbolic link is neither read nor written through.
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

    // Something about the file the user should hear of once (the Facade shows it).
    struct Notice
    {
        enum Kind
        {
            None,
            Damaged,     // unreadable; kept aside as `path`, the pins it held are not trusted
            SymbolicLink // the file or its folder is a link: not used, pins last until the program ends
        } kind = None;
        std::string path;
    };

    Check check(const UnitIdentity& unit, const std::string& key) const;
    // Remembers `key` for the unit, replacing every pin the unit matched; the file is written at once
    // (merged with what other instances wrote meanwhile). False, with a log line, when it could not be
    // written (the pin then lasts until the program ends) or when the store is full (not remembered).
    bool pin(const UnitIdentity& unit, const std::string& key);
    std::size_t size() const;
    const std::string& path() const { return m_path; }
    Notice notice() const;

    // A new unit past this many pins is not remembered; no pin is ever dropped for it.
    static constexpr std::size_t kMaxPins = 512;

private:
    struct Pin
    {
        UnitIdentity unit;
        std::string key;
        std::int64_t pinnedAt = 0; // ms since the epoch, UTC
    };
    enum class ReadResult
    {
        Ok,
        Missing,
        Damaged, // kept aside (m_notice)
        Refused  // a link, or not a plain file
    };
    // With m_mutex held.
    ReadResult read(std::vector<Pin>& pins);
    bool write(const std::vector<Pin>& pins);
    void setAside(const char* why);
    void refuseLink(const std::string& what);

    const std::string m_path;
    mutable std::mutex m_mutex;
    std::vector<Pin> m_pins;
    Notice m_notice;
    bool m_fileRefused = false; // a link: memory only from then on
};

} // namespace Messaging
} // namespace Ulmar
