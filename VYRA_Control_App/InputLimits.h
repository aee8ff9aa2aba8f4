#pragma once

#include <string>

#include <QString>
#include <QStringList>

namespace Ulmar {
namespace Messaging {

// What one body from a unit may make the application hold and show. Each limit is far above what a real unit
// sends (docs/protocol.md, "Limits"); beyond it the rest is dropped, so a hostile or broken unit cannot make
// the application hold or lay out unbounded data. One object per handled body: it remembers what was cut and
// writes one warning line for the whole body when it goes away.
class InputLimits
{
public:
    // Counts.
    static constexpr int MaxSeats = 256;
    static constexpr int MaxWifiNetworks = 256;
    static constexpr int MaxInterfaces = 64;
    static constexpr int MaxLibraryTitles = 100000;
    // Lengths in UTF-16 code units, as QML shows them.
    static constexpr int MaxNameLength = 256;  // unit, seat, Wi-Fi, interface and account names, addresses
    static constexpr int MaxTextLength = 1024; // titles, cuts, dates, versions, messages, file names
    static constexpr int MaxUriLength = 2048;  // the library service address

    explicit InputLimits(std::string messageType);
    ~InputLimits();
    InputLimits(const InputLimits&) = delete;
    InputLimits& operator=(const InputLimits&) = delete;

    // The UTF-8 bytes as text of at most maxLength code units; never splits a character. Longer text is cut
    // and noted. Only the first few bytes per allowed code unit are decoded, so a huge text costs little.
    QString text(const char* utf8, std::size_t size, int maxLength, const char* what);
    QString text(const std::string& utf8, int maxLength, const char* what)
    {
        return text(utf8.data(), utf8.size(), maxLength, what);
    }
    // The same bound on bytes kept as UTF-8 (library fields, file names sent back to the unit).
    std::string utf8(const char* utf8, std::size_t size, int maxLength, const char* what);
    std::string utf8(const std::string& utf8, int maxLength, const char* what)
    {
        return this->utf8(utf8.data(), utf8.size(), maxLength, what);
    }

    // Text already decoded, cut the same way.
    QString text(QString text, int maxLength, const char* what);

    // Whether one more entry may be kept when `held` are already kept; a refusal is noted once per kind.
    bool admit(int held, int max, const char* what);
    // Whether a value of `size` fits `max` as a whole (for values that are useless cut, like addresses).
    bool fits(std::size_t size, int max, const char* what);
    // Notes a cut made by the caller.
    void noteCut(const char* what, int limit);

    // Forgets what was cut, for a body refused after all: nothing of it is kept, so nothing is logged.
    void dismiss() { m_notes.clear(); }

    bool cut() const { return !m_notes.isEmpty(); }
    // The line that is (or would be) logged, empty when nothing was cut.
    QString summary() const;

private:
    std::string m_messageType;
    QStringList m_notes;
};

} // namespace Messaging
} // namespace Ulmar
