#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "MediaItem.h"
#include "MediaListVirtualModel.h"

namespace Ulmar {
namespace Messaging {

// A library as received, with what each keystroke and each sort needs worked out once: the lower-cased titles
// (ToLowercase) and, per sort column, each record's rank in the StringCaseCompare order. Built on the thread
// that decoded the library, then read-only, so the model's thread only filters and orders numbers.
class MediaListIndex
{
public:
    explicit MediaListIndex(MediaList items);

    std::size_t size() const { return m_items.size(); }
    const std::shared_ptr<MediaItem>& item(std::uint32_t i) const { return m_items[i]; }

    // For each record, whether its title, lower-cased, holds `needle` (already lower-cased, not empty) and is
    // at least as long as the needle.
    std::vector<bool> titlesContaining(const std::string& needle) const;
    // Records i and j compare as their ranks do: equal keys (ignoring case) share a rank. Columns without a
    // key rank every record 0.
    std::uint32_t rank(int column, std::uint32_t i) const;
    static bool hasKey(int column) { return keyIndex(column) >= 0; }
    // The records in title order (ascending, stable).
    const std::vector<std::uint32_t>& titleOrder() const { return m_titleOrder; }

    // Encodes a text so that a byte-wise comparison of two encodings orders them as StringCaseCompare does.
    static std::string caseCompareKey(const std::string& utf8);

private:
    static int keyIndex(int column);

    MediaList m_items;
    // The lower-cased titles one after the other, record i's from m_lowerStart[i] to m_lowerStart[i + 1]: a
    // search reads them in one sweep of memory. With the byte length of each title as received.
    std::string m_lowerTitles;
    std::vector<std::size_t> m_lowerStart;
    std::vector<std::size_t> m_titleSize;
    std::vector<std::uint32_t> m_ranks[5]; // title, duration, releaseDate, cut, language
    std::vector<std::uint32_t> m_titleOrder;
};

} // namespace Messaging
} // namespace Ulmar
