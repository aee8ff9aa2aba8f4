#include "MediaListIndex.h"

#include <algorithm>
#include <climits>
#include <numeric>

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
    m_lowerTitles.resize(n);
    std::vector<std::string> keys(n);
    std::vector<std::uint32_t> order(n);
    for (int k = 0; k < 5; ++k) {
        for (std::size_t i = 0; i < n; ++i) {
            const std::string& text = keyText(*m_items[i], k);
            keys[i] = caseCompareKey(text);
            if (k == 0)
                m_lowerTitles[i] = isAscii(text) ? keys[i] : ToLowercase(text);
        }
        std::iota(order.begin(), order.end(), 0u);
        std::sort(order.begin(), order.end(), [&keys](std::uint32_t a, std::uint32_t b) {
            const int c = keys[a].compare(keys[b]);
            return c < 0 || (c == 0 && a < b);
        });
        std::vector<std::uint32_t>& ranks = m_ranks[k];
        ranks.resize(n);
        std::uint32_t rank = 0;
        for (std::size_t j = 0; j < n; ++j) {
            if (j > 0 && keys[order[j]] != keys[order[j - 1]])
                ++rank;
            ranks[order[j]] = rank;
        }
        if (k == 0)
            m_titleOrder = order;
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

bool MediaListIndex::titleContains(std::uint32_t i, const std::string& needle) const
{
    if (m_items[i]->titleRef().size() < needle.size())
        return false;
    return m_lowerTitles[i].find(needle) != std::string::npos;
}

std::uint32_t MediaListIndex::rank(int column, std::uint32_t i) const
{
    const int k = keyIndex(column);
    return k < 0 ? 0 : m_ranks[k][i];
}

} // namespace Messaging
} // namespace Ulmar
