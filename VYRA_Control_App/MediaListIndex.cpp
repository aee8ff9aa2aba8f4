#include "MediaListIndex.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <numeric>
#include <string_view>
#include <unordered_map>

#include <QString>

#include "StringUtils.h"

namespace Ulmar {
namespace Messaging {

namespace {

const std::string& keyText(const MediaItem& item, int keyIndex)
{
    switch (keyIndex) {
    case 0:
        return item.titleRef();
    case 1:
        return item.durationRef();
    case 2:
        return item.releaseDateRef();
    case 3:
        return item.cutRef();
    default:
        return item.languageRef();
    }
}

bool isAscii(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The UTF-8 form of any value up to 0x10FFFF, surrogates included: its bytes order values as numbers do.
void appendOrdered(std::string& out, std::uint32_t v)
{
    if (v < 0x80) {
        out += static_cast<char>(v);
    } else if (v < 0x800) {
        out += static_cast<char>(0xC0 | (v >> 6));
        out += static_cast<char>(0x80 | (v & 0x3F));
    } else if (v < 0x10000) {
        out += static_cast<char>(0xE0 | (v >> 12));
        out += static_cast<char>(0x80 | ((v >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (v & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (v >> 18));
        out += static_cast<char>(0x80 | ((v >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((v >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (v & 0x3F));
    }
}

// Eight bytes from `from`, zero-padded, as a number that orders as they do.
std::uint64_t prefixOf(const std::string& key, std::size_t from)
{
    std::uint64_t prefix = 0;
    for (std::size_t i = from; i < from + 8; ++i)
        prefix = (prefix << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return prefix;
}

} // namespace

std::string MediaListIndex::caseCompareKey(const std::string& utf8)
{
    if (isAscii(utf8)) {
        std::string key = utf8;
        for (char& c : key)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return key;
    }
    // What QString's case-insensitive comparison compares: the UTF-16 units of the decoded text, each folded
    // on its own, except that a low surrogate after a high one stands for the whole code point; then the
    // shorter text first.
    const QString text =
        QString::fromUtf8(utf8.data(), static_cast<int>(std::min<std::size_t>(utf8.size(), INT_MAX)));
    std::string key;
    key.reserve(utf8.size() + 4);
    std::uint32_t last = 0;
    for (const QChar c : text) {
        const std::uint32_t unit = c.unicode();
        std::uint32_t ucs4 = unit;
        if (QChar::isLowSurrogate(unit) && QChar::isHighSurrogate(last))
            ucs4 = QChar::surrogateToUcs4(static_cast<char16_t>(last), static_cast<char16_t>(unit));
        last = unit;
        appendOrdered(key, QChar::toCaseFolded(ucs4));
    }
    return key;
}

MediaListIndex::MediaListIndex(MediaList items) : m_items(std::move(items))
{
    const std::size_t n = m_items.size();
    m_lowerStart.assign(1, 0);
    m_lowerStart.reserve(n + 1);
    m_titleSize.reserve(n);
    std::vector<std::string> keys(n);
    std::vector<std::uint32_t> groupOf(n);
    std::vector<std::uint32_t> firstOfGroup;
    std::unordered_map<std::string_view, std::uint32_t> groups;
    for (int k = 0; k < 5; ++k) {
        // Records with equal keys form one group and share a rank: only the distinct keys are sorted (a
        // library has few durations, cuts and languages).
        groups.clear();
        groups.reserve(n);
        firstOfGroup.clear();
        for (std::size_t i = 0; i < n; ++i) {
            const std::string& text = keyText(*m_items[i], k);
            keys[i] = caseCompareKey(text);
            if (k == 0) {
                m_lowerTitles += isAscii(text) ? keys[i] : ToLowercase(text);
                m_lowerStart.push_back(m_lowerTitles.size());
                m_titleSize.push_back(text.size());
            }
        }
        for (std::size_t i = 0; i < n; ++i) {
            const auto found = groups.try_emplace(keys[i], static_cast<std::uint32_t>(firstOfGroup.size()));
            if (found.second)
                firstOfGroup.push_back(static_cast<std::uint32_t>(i));
            groupOf[i] = found.first->second;
        }
        // Sorted on the first sixteen bytes of each key as two numbers, which settles most comparisons
        // without touching the strings; the rest compare in full.
        struct Entry
        {
            std::uint64_t high, low;
            std::uint32_t group;
        };
        std::vector<Entry> order(firstOfGroup.size());
        for (std::uint32_t g = 0; g < order.size(); ++g) {
            const std::string& key = keys[firstOfGroup[g]];
            order[g] = {prefixOf(key, 0), prefixOf(key, 8), g};
        }
        std::sort(order.begin(), order.end(), [&keys, &firstOfGroup](const Entry& a, const Entry& b) {
            if (a.high != b.high)
                return a.high < b.high;
            if (a.low != b.low)
                return a.low < b.low;
            return keys[firstOfGroup[a.group]].compare(keys[firstOfGroup[b.group]]) < 0;
        });
        std::vector<std::uint32_t> rankOfGroup(order.size());
        for (std::uint32_t r = 0; r < order.size(); ++r)
            rankOfGroup[order[r].group] = r;
        std::vector<std::uint32_t>& ranks = m_ranks[k];
        ranks.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            ranks[i] = rankOfGroup[groupOf[i]];
        if (k == 0) {
            // By rank, equal ranks in received order: a counting sort.
            std::vector<std::uint32_t> start(order.size() + 1, 0);
            for (const std::uint32_t r : ranks)
                ++start[r + 1];
            std::partial_sum(start.begin(), start.end(), start.begin());
            m_titleOrder.resize(n);
            for (std::size_t i = 0; i < n; ++i)
                m_titleOrder[start[ranks[i]]++] = static_cast<std::uint32_t>(i);
        }
    }
}

int MediaListIndex::keyIndex(int column)
{
    switch (column) {
    case 0:
        return 0;
    case 1:
        return 1;
    case 2:
        return 2;
    case 4:
        return 3;
    case 5:
        return 4;
    default:
        return -1;
    }
}

std::vector<bool> MediaListIndex::titlesContaining(const std::string& needle) const
{
    // One search through all titles at once, from match to match, instead of one search per title; a match
    // that runs over the end of a title into the next does not count.
    std::vector<bool> found(m_items.size(), false);
    if (needle.empty())
        return found;
    const std::boyer_moore_horspool_searcher searcher(needle.begin(), needle.end());
    const auto begin = m_lowerTitles.begin();
    std::size_t record = 0;
    auto from = begin;
    while (true) {
        const auto match = std::search(from, m_lowerTitles.end(), searcher);
        if (match == m_lowerTitles.end())
            break;
        const std::size_t at = static_cast<std::size_t>(match - begin);
        while (m_lowerStart[record + 1] <= at)
            ++record;
        if (at + needle.size() > m_lowerStart[record + 1]) {
            from = match + 1; // across the end of a title
            continue;
        }
        if (m_titleSize[record] >= needle.size())
            found[record] = true;
        from = begin + static_cast<std::ptrdiff_t>(m_lowerStart[record + 1]);
    }
    return found;
}

std::uint32_t MediaListIndex::rank(int column, std::uint32_t i) const
{
    const int k = keyIndex(column);
    return k < 0 ? 0 : m_ranks[k][i];
}

} // namespace Messaging
} // namespace Ulmar
